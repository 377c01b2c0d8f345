#pragma once

// Frames and playback: the frame bar, the frame rate with its timer, the Play button and the
// key-frame bar's geometry. Only state and its rules; the editor runs the timers and repaints.

#include <cstdint>
#include <string>

#include "core/tween_bar_geometry.h"

namespace dravo {

struct Playback {
  std::int32_t currentFrame = 0;  // 0-based
  std::string frameCountLabel;
  int barPosition = 1;  // the frame bar, 1-based
  int barMax = 1;
  bool barEnabled = true;
  int frameRate = 15;
  int timerInterval = 67;  // milliseconds per frame
  bool timerEnabled = false;
  bool playEnabled = false;
  bool playLatched = false;
  std::string playCaption = "Play";
  bool gifEnabled = true;
  TweenBarLogic keyFrameBar;
  int keyFrameBarWidth = 0;

  // Clamps the rate to what the field takes and sets the timer's interval from it.
  void SetFrameRate(int framesPerSecond);
  // A new frame count on the edited side: the label, the bar's range and the key-frame bar's ticks.
  void SetFrameCount(std::int32_t frames);
  // The frame bar moved (1-based): clamped to its range, and the current frame follows.
  void Seek(int position);
  // One playback step: the next frame, back to the first after the last.
  void Advance(std::int32_t frameCount);
  // The Play button: latched it plays, and the frame bar and GIF export wait. False when a
  // disabled button was to be latched (releasing always works).
  bool Latch(bool latched);
  // Around a GIF export: playback off, then back as it was.
  void BeginExport();
  void EndExport();

 private:
  bool m_timerWasOn = false;
  bool m_playWasEnabled = false;
};

}  // namespace dravo

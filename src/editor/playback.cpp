#include "editor/playback.h"

#include <algorithm>

#include "editor/view_rules.h"
#include "formats/gif_export.h"

namespace dravo {

void Playback::SetFrameRate(int framesPerSecond) {
  frameRate = std::clamp(framesPerSecond, kMinFramesPerSecond, kMaxFramesPerSecond);
  timerInterval = FrameTimerInterval(frameRate);
}

void Playback::SetFrameCount(std::int32_t frames) {
  frameCountLabel = std::to_string(frames);
  barMax = frames;
  keyFrameBar.SetFrames(frames, keyFrameBarWidth);
}

void Playback::Seek(int position) {
  barPosition = std::clamp(position, 1, std::max(1, barMax));
  currentFrame = barPosition - 1;
}

void Playback::Advance(std::int32_t frameCount) {
  if (frameCount <= 0) return;
  Seek((currentFrame + 1) % frameCount + 1);
}

bool Playback::Latch(bool latched) {
  if (latched && !playEnabled) return false;
  playLatched = latched;
  timerEnabled = latched;
  barEnabled = !latched;
  gifEnabled = !latched;
  playCaption = latched ? "Stop" : "Play";
  return true;
}

void Playback::BeginExport() {
  m_timerWasOn = timerEnabled;
  m_playWasEnabled = playEnabled;
  playEnabled = false;
  timerEnabled = false;
}

void Playback::EndExport() {
  playEnabled = m_playWasEnabled;
  timerEnabled = m_timerWasOn;
}

}  // namespace dravo

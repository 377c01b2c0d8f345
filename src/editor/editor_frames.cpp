// Frames and playback: the frame bar, the frame rate and its timer, the Play button, and the
// key-frame bar whose release tweens the frames between two keys.
#include <algorithm>
#include "editor/dravo_editor.h"
#include "editor/view_rules.h"

namespace dravo {

void TDravoEditor::SetFrameBar(int position) {
  m_playback.Seek(position);
  Changed(changes::Frame);
}

void TDravoEditor::FrameBarChange(int position) {
  SetFrameBar(position);
  Repaint();
}

void TDravoEditor::FrameRateEditChange(int framesPerSecond) {
  m_playback.SetFrameRate(framesPerSecond);
  SetTimers();
  Changed(changes::Playback);
}

void TDravoEditor::SetTimers() {
  m_host.SetTimer(EditorTimer::Frame, m_playback.timerEnabled, m_playback.timerInterval);
  m_host.SetTimer(EditorTimer::Joystick, m_view.joystickTimerEnabled, 50);
}

void TDravoEditor::FrameTimerTimer() {
  if (m_trick.frameCount <= 0) return;
  Repaint();
  m_playback.Advance(m_trick.frameCount);
  Changed(changes::Frame);
}

void TDravoEditor::PlayAnimBtnLatchChanged(bool latched) {
  if (!m_playback.Latch(latched)) return;
  SetTimers();
  Changed(changes::Playback);
}

void TDravoEditor::SetTweenAll(bool on) {
  m_parts.tweenAll = on;
  Changed(changes::Parts);
}

void TDravoEditor::TweenBarMouseDown(bool leftButton, double x) {
  if (m_playback.keyFrameBar.Press(leftButton, x)) TweenRange();
  Changed(changes::TweenBar);
}

void TDravoEditor::TweenBarMouseMove(bool leftButtonDown, double x) {
  if (m_playback.keyFrameBar.Move(leftButtonDown, x)) {
    TweenRange();
    Changed(changes::TweenBar);
  }
}

void TDravoEditor::TweenBarMouseUp() {
  if (m_playback.keyFrameBar.Release()) TweenRange();
  Changed(changes::TweenBar);
}

void TDravoEditor::TweenBarResize(int clientWidth) {
  m_playback.keyFrameBarWidth = clientWidth;
  m_playback.keyFrameBar.UpdateSpacing(clientWidth);
  Changed(changes::TweenBar);
}

void TDravoEditor::TweenBarRangeChange(std::int32_t startFrame, std::int32_t endFrame, bool dragging) {
  m_playback.keyFrameBar.StartFrame = startFrame;
  m_playback.keyFrameBar.EndFrame = endFrame;
  m_playback.keyFrameBar.Dragging = dragging;
  TweenRange();
}

std::string TDravoEditor::RepeatTweenHint() const {
  const std::int32_t a = std::min(m_playback.keyFrameBar.StartFrame, m_playback.keyFrameBar.EndFrame);
  const std::int32_t b = std::max(m_playback.keyFrameBar.StartFrame, m_playback.keyFrameBar.EndFrame);
  if (a == b) return "Drag from one key frame to another to tween the frames between them";
  std::string parts;
  if (m_parts.tweenAll) {
    parts = "all parts";
  } else {
    std::size_t checked = 0;
    for (std::size_t row = 0; row < m_parts.items.size(); ++row)
      if (m_parts.Acts(row)) ++checked;
    if (checked == 0)
      return "Right-click would tween frames " + std::to_string(a) + "-" + std::to_string(b) +
             " again, but no part is checked";
    parts = std::to_string(checked) + (checked == 1 ? " checked part" : " checked parts");
  }
  return "Right-click: tween frames " + std::to_string(a) + "-" + std::to_string(b) + " again on " + parts;
}

void TDravoEditor::TweenRange() {
  // The drag is still going on: the tween runs once, on the release.
  if (!m_playback.keyFrameBar.IsIdle()) return;
  const int riderCount = m_trick.RiderPartCount();
  const auto machineCount = static_cast<int>(m_trick.machineParts.size());
  const int first = m_parts.riderEdit ? 0 : riderCount;
  const int end = m_parts.riderEdit ? riderCount : riderCount + machineCount;
  const std::int32_t a = m_playback.keyFrameBar.StartFrame;
  const std::int32_t b = m_playback.keyFrameBar.EndFrame;
  TakeSnapshot(std::min(a, b) - 1, std::max(a, b) - 1,
               "Tween frames " + std::to_string(std::min(a, b)) + "-" + std::to_string(std::max(a, b)));
  for (int i = first; i < end && i < static_cast<int>(m_parts.items.size()); ++i) {
    const PartItem& item = m_parts.items[static_cast<std::size_t>(i)];
    if (!m_parts.tweenAll && !item.Checked) continue;
    if (TweenPart(item.Part, a, b)) m_marks.MarkModified(ModifiedMarks::Trick);
  }
  Repaint();
}

bool TDravoEditor::TweenPart(std::int32_t part, std::int32_t a, std::int32_t b) {
  TMotionPart* p = m_trick.PartAt(part);
  return p && dravo::TweenPart(*p, a, b, m_tweenMode);
}

void TDravoEditor::SetTweenStyle(TweenMode mode) {
  m_tweenMode = mode;
  Changed(changes::Parts);
}

}  // namespace dravo

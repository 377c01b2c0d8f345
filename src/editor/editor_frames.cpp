// Frames and playback: the frame bar, the frame rate and its timer, the Play button, and the
// key-frame bar whose release tweens the frames between two keys.
#include <algorithm>
#include "editor/dravo_editor.h"
#include "editor/view_rules.h"

namespace dravo {

void TDravoEditor::SetFrameBar(int position) {
  m_frameBarPosition = std::clamp(position, 1, std::max(1, m_frameBarMax));
  m_currentFrame = m_frameBarPosition - 1;
  Changed(changes::Frame);
}

void TDravoEditor::FrameBarChange(int position) {
  SetFrameBar(position);
  Repaint();
}

void TDravoEditor::FrameRateEditChange(int framesPerSecond) {
  m_frameRate = std::clamp(framesPerSecond, 1, 100);
  m_frameTimerInterval = dravo::FrameTimerInterval(m_frameRate);
  SetTimers();
  Changed(changes::Playback);
}

void TDravoEditor::SetTimers() {
  m_host.SetTimer(EditorTimer::Frame, m_frameTimerEnabled, m_frameTimerInterval);
  m_host.SetTimer(EditorTimer::Joystick, m_joystickTimerEnabled, 50);
}

void TDravoEditor::FrameTimerTimer() {
  if (m_frameCount <= 0) return;
  Repaint();
  m_currentFrame = (m_currentFrame + 1) % m_frameCount;
  SetFrameBar(m_currentFrame + 1);
}

void TDravoEditor::PlayAnimBtnLatchChanged(bool latched) {
  // A disabled button cannot be latched; releasing always works.
  if (latched && !m_playEnabled) return;
  m_playLatched = latched;
  m_frameTimerEnabled = latched;
  m_frameBarEnabled = !latched;
  m_gifEnabled = !latched;
  m_playCaption = latched ? "Stop" : "Play";
  SetTimers();
  Changed(changes::Playback);
}

void TDravoEditor::SetTweenAll(bool on) {
  m_tweenAll = on;
  Changed(changes::Parts);
}

void TDravoEditor::TweenBarMouseDown(bool leftButton, double x) {
  if (m_tweenBar.Press(leftButton, x)) TweenRange();
  Changed(changes::TweenBar);
}

void TDravoEditor::TweenBarMouseMove(bool leftButtonDown, double x) {
  if (m_tweenBar.Move(leftButtonDown, x)) {
    TweenRange();
    Changed(changes::TweenBar);
  }
}

void TDravoEditor::TweenBarMouseUp() {
  if (m_tweenBar.Release()) TweenRange();
  Changed(changes::TweenBar);
}

void TDravoEditor::TweenBarResize(int clientWidth) {
  m_tweenBarWidth = clientWidth;
  m_tweenBar.UpdateSpacing(clientWidth);
  Changed(changes::TweenBar);
}

void TDravoEditor::TweenBarRangeChange(std::int32_t startFrame, std::int32_t endFrame, bool dragging) {
  m_tweenBar.StartFrame = startFrame;
  m_tweenBar.EndFrame = endFrame;
  m_tweenBar.Dragging = dragging;
  TweenRange();
}

void TDravoEditor::TweenRange() {
  // The drag is still going on: the tween runs once, on the release.
  if (!m_tweenBar.IsIdle()) return;
  const auto riderCount = static_cast<int>(m_riderParts.size());
  const auto machineCount = static_cast<int>(m_machineParts.size());
  const int first = m_riderEdit ? 0 : riderCount;
  const int end = m_riderEdit ? riderCount : riderCount + machineCount;
  const std::int32_t a = m_tweenBar.StartFrame;
  const std::int32_t b = m_tweenBar.EndFrame;
  TakeSnapshot(std::min(a, b) - 1, std::max(a, b) - 1);
  for (int i = first; i < end && i < static_cast<int>(m_tweenList.size()); ++i) {
    const PartItem& item = m_tweenList[static_cast<std::size_t>(i)];
    if (!m_tweenAll && !item.Checked) continue;
    if (TweenPart(item.Part, a, b)) m_marks.MarkModified(ModifiedMarks::Trick);
  }
  Repaint();
}

bool TDravoEditor::TweenPart(std::int32_t part, std::int32_t a, std::int32_t b) {
  TMotionPart* p = PartAt(part);
  return p && dravo::TweenPart(*p, a, b);
}

}  // namespace dravo

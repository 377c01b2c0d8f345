// The pose clipboard and the undo history (editor/pose_history.h) as the toolbar, the keys and the
// history's drop-down use them.
#include "editor/dravo_editor.h"

namespace dravo {

void TDravoEditor::TakeSnapshot(std::int32_t first, std::int32_t last, const std::string& label) {
  m_history.Take(m_trick, first, last, label);
  Changed(changes::Undo);
}

void TDravoEditor::HistoryMoved() {
  if (m_history.AtSaved()) {
    m_marks.ClearModifiedMark(ModifiedMarks::Trick);
  } else {
    m_marks.MarkModified(ModifiedMarks::Trick);
  }
  Changed(changes::Undo);
  Repaint();
}

void TDravoEditor::SwapSnapshot() {
  if (!m_history.Available()) return;
  if (m_history.CanRedo()) {
    m_history.Redo(m_trick);
  } else {
    m_history.Undo(m_trick);
  }
  HistoryMoved();
}

void TDravoEditor::Undo() {
  if (m_history.Undo(m_trick)) HistoryMoved();
}

void TDravoEditor::Redo() {
  if (m_history.Redo(m_trick)) HistoryMoved();
}

void TDravoEditor::GoToHistory(std::size_t steps) {
  if (steps > m_history.Steps() || steps == m_history.Done()) return;
  while (m_history.Done() > steps && m_history.Undo(m_trick)) {
  }
  while (m_history.Done() < steps && m_history.Redo(m_trick)) {
  }
  HistoryMoved();
}

void TDravoEditor::DiscardSnapshot() {
  m_history.Clear();
  Changed(changes::Undo);
}

void TDravoEditor::CopyPose() {
  const std::int32_t frame = m_playback.currentFrame;
  m_trick.ForEachEditablePart([&](const TMotionPart& part, std::int32_t index) {
    if (index < 0 || index >= kPoseClipboardSlots) return;
    PoseSlot& slot = m_clipboard[static_cast<std::size_t>(index)];
    slot.filled =
        HasFrame(part, frame) && (m_parts.tweenAll || m_parts.Acts(static_cast<std::size_t>(index)));
    if (slot.filled) slot.matrix = part.Frames[static_cast<std::size_t>(frame)];
  });
  m_pasteEnabled = true;
  Changed(changes::Clipboard);
}

void TDravoEditor::PastePose() {
  const std::int32_t frame = m_playback.currentFrame;
  TakeSnapshot(frame, frame, "Paste pose, frame " + std::to_string(frame + 1));
  m_trick.ForEachEditablePart([&](TMotionPart& part, std::int32_t index) {
    if (index < 0 || index >= kPoseClipboardSlots) return;
    const PoseSlot& slot = m_clipboard[static_cast<std::size_t>(index)];
    if (slot.filled && HasFrame(part, frame)) part.Frames[static_cast<std::size_t>(frame)] = slot.matrix;
  });
  m_marks.MarkModified(ModifiedMarks::Trick);
  Repaint();
}

}  // namespace dravo

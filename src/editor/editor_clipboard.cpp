// The pose clipboard and the one-level undo (editor/pose_history.h) as the toolbar and the keys
// use them.
#include "editor/dravo_editor.h"

namespace dravo {

void TDravoEditor::TakeSnapshot(std::int32_t first, std::int32_t last) {
  m_history.Take(m_trick, first, last, (m_marks.value() & ModifiedMarks::Trick) != 0);
  Changed(changes::Undo);
}

void TDravoEditor::SwapSnapshot() {
  if (!m_history.Available()) return;
  if (m_history.Swap(m_trick)) {
    m_marks.MarkModified(ModifiedMarks::Trick);
  } else {
    m_marks.ClearModifiedMark(ModifiedMarks::Trick);
  }
  Changed(changes::Undo);
  Repaint();
}

void TDravoEditor::UndoOrRedo() {
  if (m_history.Available()) SwapSnapshot();
}

void TDravoEditor::DiscardSnapshot() {
  m_history.Discard();
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
  TakeSnapshot(frame, frame);
  m_trick.ForEachEditablePart([&](TMotionPart& part, std::int32_t index) {
    if (index < 0 || index >= kPoseClipboardSlots) return;
    const PoseSlot& slot = m_clipboard[static_cast<std::size_t>(index)];
    if (slot.filled && HasFrame(part, frame)) part.Frames[static_cast<std::size_t>(frame)] = slot.matrix;
  });
  m_marks.MarkModified(ModifiedMarks::Trick);
  Repaint();
}

}  // namespace dravo

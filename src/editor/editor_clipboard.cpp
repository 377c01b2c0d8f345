// The pose clipboard and the one-level undo: a snapshot of a range of frames of every part,
// taken before each edit and exchanged with the pose on Undo and on Redo.
#include <algorithm>
#include <utility>

#include "editor/dravo_editor.h"

namespace dravo {

void TDravoEditor::TakeSnapshot(std::int32_t first, std::int32_t last) {
  first = std::max(first, 0);
  for (TPoseTable* table : {&m_riderParts, &m_machineParts}) {
    if (table == &m_machineParts && !m_hasMachineMotion) continue;
    for (TMotionPart& part : *table) {
      for (std::int32_t f = first; f <= last && HasFrame(part, f); ++f)
        part.UndoFrames[static_cast<std::size_t>(f)] = part.Frames[static_cast<std::size_t>(f)];
    }
  }
  m_undoModified = (m_marks.value() & ModifiedMarks::Trick) != 0;
  m_undoRange = {first, last};
  m_undoAvailable = true;
  m_undoEnabled = true;
  m_undoCaption = "Undo";
  Changed(changes::Undo);
}

void TDravoEditor::SwapSnapshot() {
  if (!m_undoAvailable) return;
  for (TPoseTable* table : {&m_riderParts, &m_machineParts}) {
    if (table == &m_machineParts && !m_hasMachineMotion) continue;
    for (TMotionPart& part : *table) {
      for (std::int32_t f = m_undoRange[0]; f <= m_undoRange[1] && HasFrame(part, f); ++f)
        std::swap(part.Frames[static_cast<std::size_t>(f)], part.UndoFrames[static_cast<std::size_t>(f)]);
    }
  }
  const bool undo = m_undoCaption == "Undo";
  m_undoCaption = undo ? "Redo" : "Undo";
  if (!undo || m_undoModified) {
    m_marks.MarkModified(ModifiedMarks::Trick);
  } else {
    m_marks.ClearModifiedMark(ModifiedMarks::Trick);
  }
  Changed(changes::Undo);
  Repaint();
}

void TDravoEditor::ActionUndoExecute() {
  if (m_undoAvailable) SwapSnapshot();
}

void TDravoEditor::DiscardSnapshot() {
  m_undoAvailable = false;
  m_undoEnabled = false;
  Changed(changes::Undo);
}

void TDravoEditor::CopyPose() {
  const auto riderCount = static_cast<std::int32_t>(m_riderParts.size());
  const auto copy = [&](const TMotionPart& part, std::int32_t index) {
    if (index < 0 || index >= kPoseClipboardSlots) return;
    PoseSlot& slot = m_clipboard[static_cast<std::size_t>(index)];
    const bool listed = index < static_cast<std::int32_t>(m_tweenList.size()) &&
                        m_tweenList[static_cast<std::size_t>(index)].Checked &&
                        m_tweenList[static_cast<std::size_t>(index)].Enabled;
    slot.filled = HasFrame(part, m_currentFrame) && (m_tweenAll || listed);
    if (slot.filled) slot.matrix = part.Frames[static_cast<std::size_t>(m_currentFrame)];
  };
  for (std::int32_t i = 0; i < riderCount; ++i)
    copy(m_riderParts[static_cast<std::size_t>(i)], i);
  if (m_hasMachineMotion) {
    for (std::size_t j = 0; j < m_machineParts.size(); ++j)
      copy(m_machineParts[j], riderCount + static_cast<std::int32_t>(j));
  }
  m_pasteEnabled = true;
  Changed(changes::Clipboard);
}

void TDravoEditor::PastePose() {
  TakeSnapshot(m_currentFrame, m_currentFrame);
  const auto riderCount = static_cast<std::int32_t>(m_riderParts.size());
  const auto paste = [&](TMotionPart& part, std::int32_t index) {
    if (index < 0 || index >= kPoseClipboardSlots) return;
    const PoseSlot& slot = m_clipboard[static_cast<std::size_t>(index)];
    if (slot.filled && HasFrame(part, m_currentFrame))
      part.Frames[static_cast<std::size_t>(m_currentFrame)] = slot.matrix;
  };
  for (std::int32_t i = 0; i < riderCount; ++i)
    paste(m_riderParts[static_cast<std::size_t>(i)], i);
  if (m_hasMachineMotion) {
    for (std::size_t j = 0; j < m_machineParts.size(); ++j)
      paste(m_machineParts[j], riderCount + static_cast<std::int32_t>(j));
  }
  m_marks.MarkModified(ModifiedMarks::Trick);
  Repaint();
}

}  // namespace dravo

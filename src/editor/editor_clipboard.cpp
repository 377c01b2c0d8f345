// The pose clipboard and the undo history (editor/pose_history.h) as the toolbar, the keys and the
// history's drop-down use them.
#include "editor/dravo_editor.h"
#include "editor/pose_mirror.h"

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

void TDravoEditor::PastePoseMirrored() {
  const std::int32_t frame = m_playback.currentFrame;
  TakeSnapshot(frame, frame, "Paste mirrored, frame " + std::to_string(frame + 1));
  const std::int32_t riders = m_trick.RiderPartCount();
  const PoseMirror rider(m_trick.riderParts, m_chosen.riderSet.Model, m_chosen.riderSet.BoneParts, false);
  const PoseMirror machine(m_trick.machineParts, m_chosen.machineSet.Model, m_chosen.machineSet.BoneParts,
                           true);
  // Partners swap poses, so every target is written from the clipboard, never from a frame already
  // pasted.
  for (std::int32_t index = 0; index < kPoseClipboardSlots; ++index) {
    const PoseSlot& slot = m_clipboard[static_cast<std::size_t>(index)];
    if (!slot.filled) continue;
    const bool isRider = index < riders;
    const std::int32_t part = isRider ? index : index - riders;
    if (!isRider && part >= static_cast<std::int32_t>(m_trick.machineParts.size())) continue;
    const PoseMirror& mirror = isRider ? rider : machine;
    const std::int32_t target = (isRider ? 0 : riders) + mirror.Partner(part);
    TMotionPart* into = m_trick.PartAt(target);
    if (into && HasFrame(*into, frame))
      into->Frames[static_cast<std::size_t>(frame)] = mirror.Mirror(part, slot.matrix);
  }
  m_marks.MarkModified(ModifiedMarks::Trick);
  Repaint();
}

}  // namespace dravo

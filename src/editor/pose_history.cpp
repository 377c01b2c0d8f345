#include "editor/pose_history.h"

#include <algorithm>
#include <utility>

#include "editor/loaded_trick.h"
#include "editor/pose_edit.h"

namespace dravo {

void PoseHistory::Take(LoadedTrick& trick, std::int32_t first, std::int32_t last, bool modified) {
  first = std::max(first, 0);
  trick.ForEachEditablePart([&](TMotionPart& part, std::int32_t) {
    for (std::int32_t f = first; f <= last && HasFrame(part, f); ++f)
      part.UndoFrames[static_cast<std::size_t>(f)] = part.Frames[static_cast<std::size_t>(f)];
  });
  m_modifiedBefore = modified;
  m_range = {first, last};
  m_available = true;
  m_enabled = true;
  m_redo = false;
}

bool PoseHistory::Swap(LoadedTrick& trick) {
  trick.ForEachEditablePart([&](TMotionPart& part, std::int32_t) {
    for (std::int32_t f = m_range[0]; f <= m_range[1] && HasFrame(part, f); ++f)
      std::swap(part.Frames[static_cast<std::size_t>(f)], part.UndoFrames[static_cast<std::size_t>(f)]);
  });
  const bool wasUndo = !m_redo;
  m_redo = wasUndo;
  // Undoing returns to the state before the edit; redoing always leaves an edit.
  return !wasUndo || m_modifiedBefore;
}

void PoseHistory::Discard() {
  m_available = false;
  m_enabled = false;
}

}  // namespace dravo

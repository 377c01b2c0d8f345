#pragma once

// The undo of pose edits: before each edit a snapshot of a range of frames of every editable part
// is taken, and Undo exchanges it with the pose (so the next press is Redo).

#include <array>
#include <cstdint>
#include <string>

namespace dravo {

struct LoadedTrick;

class PoseHistory {
 public:
  // Keeps frames first … last (0-based, clipped at 0) of every editable part. `modified`: whether
  // the trick had unsaved changes before the edit.
  void Take(LoadedTrick& trick, std::int32_t first, std::int32_t last, bool modified);
  // Exchanges the snapshot with the pose. Returns whether the trick now has unsaved changes.
  bool Swap(LoadedTrick& trick);
  // A new trick: nothing to undo.
  void Discard();

  bool Available() const { return m_available; }
  bool Enabled() const { return m_enabled; }
  // The next press restores the edit (the button reads "Redo").
  bool NextIsRedo() const { return m_redo; }
  const char* Caption() const { return m_redo ? "Redo" : "Undo"; }

 private:
  std::array<std::int32_t, 2> m_range{0, 0};
  bool m_modifiedBefore = false;
  bool m_available = false;
  bool m_enabled = false;
  bool m_redo = false;
};

}  // namespace dravo

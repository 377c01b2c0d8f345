#pragma once

// The undo history of pose edits: before each edit the frames it may change are kept; once the next
// edit starts (or the edit is undone) only the frames that did change stay. Undo and redo exchange
// a step's frames with the pose, so a step holds one copy of what it changed either way. Skin
// replacements take steps of their own that swap a texture the same way.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/maths.h"

namespace dravo {

struct LoadedTrick;

class PoseHistory {
 public:
  // The oldest steps go first when there are more than kMaxSteps or their frames pass kMaxBytes.
  // Edits as users make them take a few kilobytes a step, so far more than a hundred steps fit; only
  // a run of tweens of every part over a whole long trick (about 95 KB each at 60 frames and 22
  // parts) reaches the memory bound first.
  static constexpr std::size_t kMaxSteps = 500;
  static constexpr std::size_t kMaxBytes = 4'800'000;

  // Starts a step named `label`: keeps frames first … last (0-based, clipped at 0) of every editable
  // part. Steps undone before are dropped.
  void Take(LoadedTrick& trick, std::int32_t first, std::int32_t last, std::string label);
  // Starts a step for a change outside the pose (a skin): `exchange` swaps what is shown with what
  // it keeps, and is called once to undo the change and once more to redo it; `bytes` is what it
  // keeps, counted against kMaxBytes.
  void TakeExchange(LoadedTrick& trick, std::function<void()> exchange, std::size_t bytes, std::string label);
  // False when there is nothing to undo or redo.
  bool Undo(LoadedTrick& trick);
  bool Redo(LoadedTrick& trick);
  // A new trick: no steps, and the pose as loaded is the saved one.
  void Clear();
  // The trick was saved: the current pose is the clean one.
  void MarkSaved() { m_saved = static_cast<std::ptrdiff_t>(m_done); }
  // Whether the pose is the one last saved (or loaded): only steps outside the pose lie between.
  bool AtSaved() const;

  bool CanUndo() const { return m_done > 0; }
  bool CanRedo() const { return m_done < m_steps.size(); }
  // The labels, oldest first; the first Done() of them are applied.
  std::vector<std::string> Labels() const;
  std::size_t Done() const { return m_done; }
  std::size_t Steps() const { return m_steps.size(); }
  // Bytes the kept frames take.
  std::size_t Bytes() const;

  // The toolbar button works on the last step: it undoes it, then redoes it.
  bool Available() const { return !m_steps.empty(); }
  bool Enabled() const { return !m_steps.empty(); }
  bool NextIsRedo() const { return CanRedo(); }
  const char* Caption() const { return CanRedo() ? "Redo" : "Undo"; }

 private:
  struct Kept {
    std::int32_t part = 0;  // the part numbering of LoadedTrick::PartAt
    std::int32_t frame = 0;
    Matrix matrix;
  };
  struct Step {
    std::string label;
    std::vector<Kept> frames;
    bool trimmed = false;
    std::function<void()> exchange;  // a change outside the pose
    std::size_t exchangeBytes = 0;
  };
  // Drops the frames of the newest applied step that its edit left as they were.
  void TrimTop(LoadedTrick& trick);
  static void Exchange(LoadedTrick& trick, Step& step);
  void Bound();

  std::vector<Step> m_steps;
  std::size_t m_done = 0;
  std::ptrdiff_t m_saved = 0;  // -1: the saved pose is no longer in the history
};

}  // namespace dravo

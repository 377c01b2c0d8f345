#pragma once

// The part list beside the view (the old TweenList): one row per editable part, which are checked,
// which side (rider or machine) is being edited, and "Tween all parts".

#include <cstdint>
#include <string>
#include <vector>

namespace dravo {

struct LoadedTrick;

// A row of the part list: a part of the rider, then of the machine.
struct PartItem {
  std::string Name;
  std::int32_t Part = 0;  // rider part index, or rider part count + machine part index
  bool Checked = false;
  bool Enabled = true;
};

struct PartList {
  std::vector<PartItem> items;
  int index = -1;  // the highlighted row
  bool riderEdit = true;
  bool bikeEditEnabled = false;
  bool tweenAll = false;

  // One row per editable part of the trick, none checked, the first highlighted.
  void Fill(LoadedTrick& trick);
  // Enables the rows of the edited side only; checks survive only with `keepChecks`.
  void ApplyEditSide(std::int32_t riderPartCount, bool keepChecks);
  // False for a row outside the list.
  bool Highlight(int row);
  // False when the row does not exist or is disabled (a disabled row cannot be ticked).
  bool SetChecked(int row, bool checked);
  // Whether a posing drag, copy or tween acts on the part of that row.
  bool Acts(std::size_t row) const;
};

}  // namespace dravo

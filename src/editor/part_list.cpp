#include "editor/part_list.h"

#include "editor/loaded_trick.h"

namespace dravo {

void PartList::Fill(LoadedTrick& trick) {
  items.clear();
  trick.ForEachEditablePart([&](const TMotionPart& part, std::int32_t number) {
    items.push_back({part.Name, number});
  });
  index = items.empty() ? -1 : 0;
}

void PartList::ApplyEditSide(std::int32_t riderPartCount, bool keepChecks) {
  for (PartItem& item : items) {
    item.Checked = item.Checked && keepChecks;
    const bool riderItem = item.Part < riderPartCount;
    item.Enabled = riderEdit ? riderItem : !riderItem;
  }
}

bool PartList::Highlight(int row) {
  if (row < -1 || row >= static_cast<int>(items.size())) return false;
  index = row;
  return true;
}

bool PartList::SetChecked(int row, bool checked) {
  if (row < 0 || static_cast<std::size_t>(row) >= items.size()) return false;
  PartItem& item = items[static_cast<std::size_t>(row)];
  if (!item.Enabled) return false;
  item.Checked = checked;
  return true;
}

bool PartList::Acts(std::size_t row) const {
  return row < items.size() && items[row].Checked && items[row].Enabled;
}

}  // namespace dravo

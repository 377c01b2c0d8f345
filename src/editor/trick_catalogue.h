#pragma once

// The trick list of the chosen machine type, built from "motions.ini", and the entry picked in it.

#include <string>
#include <vector>

#include "editor/trick_names.h"

namespace dravo {

struct TrickCatalogue {
  std::vector<CatalogueEntry> entries;
  int index = -1;       // the picked entry; -1 for none
  int machineType = 0;  // of the machine on show (the list is that type's)

  // The picked entry, or null.
  const CatalogueEntry* Picked() const {
    return index >= 0 && static_cast<std::size_t>(index) < entries.size()
               ? &entries[static_cast<std::size_t>(index)]
               : nullptr;
  }
  // Picks entry `i`; anything outside the list (text typed into the box) picks nothing.
  void Pick(int i) { index = i >= 0 && static_cast<std::size_t>(i) < entries.size() ? i : -1; }
};

}  // namespace dravo

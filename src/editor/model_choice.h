#pragma once

// The rider and the machine on show: their model sets, the lists they are chosen from, and the
// documents they were loaded from.

#include <cstdint>
#include <string>
#include <vector>

#include "editor/model_set.h"

namespace dravo {

// An item of the rider and machine lists: its label and folder index × 2^24 + resource index.
struct ModelListItem {
  std::string Label;
  std::int32_t Object = 0;
};

struct ModelChoice {
  TModelSet riderSet;
  TModelSet machineSet;
  std::string lastRider;  // the ".sub" documents shown (and remembered in the options)
  std::string lastMachine;
  bool riderLoaded = false;
  bool machineLoaded = false;
  bool loadingMachine = false;               // while a machine loads, its models take the machine's materials
  std::vector<std::string> materialChanges;  // of the document being loaded
  std::vector<ModelListItem> riderBox;
  std::vector<ModelListItem> machineBox;
  int riderIndex = -1;
  int machineIndex = -1;
};

}  // namespace dravo

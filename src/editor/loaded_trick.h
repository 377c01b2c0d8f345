#pragma once

// The trick being edited: its rider and machine motions, the pose tables built from them, and
// how its parts are numbered (rider parts first, then the machine's).

#include <cstdint>
#include <string>

#include "motion/mot_file.h"
#include "motion/motion_pose.h"

namespace dravo {

struct LoadedTrick {
  std::string name;      // "nacnac.mot": the catalogue entry with ".mot"
  std::string fileName;  // the same; kept apart because the old program kept both
  bool attachToMachine = false;
  // The machine type the trick was loaded for: storing it uses that type's names even after the
  // machine has changed.
  int machineType = 0;
  TMOTfile riderMotion;
  TMOTfile machineMotion;
  TPoseTable riderParts;
  TPoseTable machineParts;
  // False when only the machine's default motion was found (it is shown, never edited).
  bool hasMachineMotion = false;
  // The frame count of the edited side.
  std::int32_t frameCount = 0;

  std::int32_t RiderPartCount() const { return static_cast<std::int32_t>(riderParts.size()); }
  // Part `part` of the numbering the part list and the clipboard use; null outside it, and for
  // machine parts of a trick without its own machine motion.
  TMotionPart* PartAt(std::int32_t part);
  bool PartHasFrame(std::int32_t part, std::int32_t frame);
  // Every editable part with its number: the rider's, then the machine's when it has a motion.
  template <class Visit>
  void ForEachEditablePart(Visit visit) {
    const std::int32_t riders = RiderPartCount();
    for (std::int32_t i = 0; i < riders; ++i)
      visit(riderParts[static_cast<std::size_t>(i)], i);
    if (!hasMachineMotion) return;
    for (std::size_t j = 0; j < machineParts.size(); ++j)
      visit(machineParts[j], riders + static_cast<std::int32_t>(j));
  }
};

}  // namespace dravo

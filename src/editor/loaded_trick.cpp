#include "editor/loaded_trick.h"

#include "editor/pose_edit.h"

namespace dravo {

TMotionPart* LoadedTrick::PartAt(std::int32_t part) {
  if (part < 0) return nullptr;
  const std::int32_t riders = RiderPartCount();
  if (part < riders) return &riderParts[static_cast<std::size_t>(part)];
  const std::int32_t machine = part - riders;
  if (hasMachineMotion && static_cast<std::size_t>(machine) < machineParts.size())
    return &machineParts[static_cast<std::size_t>(machine)];
  return nullptr;
}

bool LoadedTrick::PartHasFrame(std::int32_t part, std::int32_t frame) {
  const TMotionPart* p = PartAt(part);
  return p && HasFrame(*p, frame);
}

}  // namespace dravo

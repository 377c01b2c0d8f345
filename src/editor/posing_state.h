#pragma once

// What a posing drag in the view needs between mouse events: the latched axis of each button
// group, the last pointer position, which buttons drag, and the model being drawn.

#include <array>

namespace dravo {

enum class AxisGroup { RotX, RotY, PosX, PosY };

struct PosingState {
  // Per AxisGroup: 0 X, 1 Y, 2 Z, -1 none latched.
  std::array<int, 4> axes{1, 0, 2, 1};
  int lastX = 0;
  int lastY = 0;
  bool leftDrag = false;
  bool rightDrag = false;
  // A drag takes its undo snapshot on its first move, not on the press.
  bool snapshotPending = false;
  int drawingAttachment = -1;  // the machine attachment being drawn in pass 4

  int Axis(AxisGroup group) const { return axes[static_cast<int>(group)]; }
  // Clicking the latched button releases it and leaves the group without an axis.
  void Toggle(AxisGroup group, int tag) {
    int& axis = axes[static_cast<int>(group)];
    axis = axis == tag ? -1 : tag;
  }
};

}  // namespace dravo

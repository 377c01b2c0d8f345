#pragma once

// Rotation matrices back to the axis-and-angle form the motion files store.

#include "core/maths.h"
#include "motion/mot_keys.h"

namespace dravo {

// The axis and angle (0 … π) of the rotation in the upper 3×3 of `m`, as a rotation key
// stores it. No rotation comes back as angle 0 about (0, 0, 1); a half turn as angle π
// about an axis of either sign.
AxisAngle MatrixToAxisAngle(const Matrix& m);

}  // namespace dravo

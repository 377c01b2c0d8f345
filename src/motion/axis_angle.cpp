#include "motion/axis_angle.h"

#include <algorithm>
#include <cmath>

namespace dravo {

namespace {

bool Near(float v, float tolerance) {
  return std::fabs(v) < tolerance;
}

// Half turn: the diagonal gives each component's size, the off-diagonal their signs.
AxisAngle HalfTurn(const Matrix& m) {
  auto component = [](float diagonal) {
    const float v = (diagonal + 1.0f) / 2.0f;
    return v > 0.0f ? std::sqrt(v) : 0.0f;
  };
  AxisAngle r;
  r.angle = kPi;
  float x = component(m[0][0]), y = component(m[1][1]), z = component(m[2][2]);
  const bool smallX = Near(x, 0.01f), smallY = Near(y, 0.01f), smallZ = Near(z, 0.01f);
  if (smallX && !smallY && !smallZ) {
    if (!(m[1][2] > 0.0f)) y = -y;
  } else if (smallY && !smallZ) {
    if (!(m[0][2] > 0.0f)) z = -z;
  } else if (smallZ) {
    if (!(m[1][0] > 0.0f)) x = -x;
  } else {
    // All three present: x stays positive, y and z take the signs of x·y and x·z. Leaving
    // them all positive would turn about another axis.
    if (m[0][1] < 0.0f) y = -y;
    if (m[0][2] < 0.0f) z = -z;
  }
  r.axis = {x, y, z};
  return r;
}

}  // namespace

AxisAngle MatrixToAxisAngle(const Matrix& m) {
  if (Near(m[0][1] - m[1][0], 0.01f) && Near(m[0][2] - m[2][0], 0.01f) && Near(m[1][2] - m[2][1], 0.01f)) {
    // Symmetric: no rotation or a half turn.
    if (Near(m[0][1] + m[1][0], 0.01f) && Near(m[0][2] + m[2][0], 0.01f) && Near(m[1][2] + m[2][1], 0.1f) &&
        (m[0][0] + m[1][1] + m[2][2] - 1.0f) / 2.0f > 0.0f) {
      AxisAngle r;
      r.axis = {0.0f, 0.0f, 1.0f};
      r.angle = 0.0f;
      return r;
    }
    return HalfTurn(m);
  }
  float s = std::sqrt((m[2][1] - m[1][2]) * (m[2][1] - m[1][2]) + (m[0][2] - m[2][0]) * (m[0][2] - m[2][0]) +
                      (m[1][0] - m[0][1]) * (m[1][0] - m[0][1]));
  if (std::fabs(s) < 0.001f) s = 1.0f;
  AxisAngle r;
  r.angle = std::acos(std::clamp((m[0][0] + m[1][1] + m[2][2] - 1.0f) / 2.0f, -1.0f, 1.0f));
  r.axis = {(m[2][1] - m[1][2]) / -s, (m[0][2] - m[2][0]) / -s, (m[1][0] - m[0][1]) / -s};
  return r;
}

}  // namespace dravo

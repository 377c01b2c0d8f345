#include "editor/pose_edit.h"

#include <cmath>
#include <utility>

namespace dravo {

namespace {

Vector3 UnitAxis(int axis) {
  Vector3 v{0, 0, 0};
  if (axis == 0) v.x = 1;
  if (axis == 1) v.y = 1;
  if (axis == 2) v.z = 1;
  return v;
}

Vector3 Row(const Matrix& m, int r) {
  return {m[r][0], m[r][1], m[r][2]};
}

}  // namespace

bool HasFrame(const TMotionPart& part, std::int32_t frame) {
  return part.Allocated && frame >= 0 && static_cast<std::size_t>(frame) < part.Frames.size();
}

void RotatePart(TMotionPart& part, std::int32_t frame, int axis, float angle) {
  if (axis < 0 || axis > 2 || !HasFrame(part, frame)) return;
  Matrix& m = part.Frames[static_cast<std::size_t>(frame)];
  m = MatrixRotationAxis(UnitAxis(axis), angle) * m;
}

void MovePart(TMotionPart& part, std::int32_t frame, int axis, float distance) {
  if (axis < 0 || axis > 2 || !HasFrame(part, frame)) return;
  const Vector3 d = UnitAxis(axis) * distance;
  Matrix& m = part.Frames[static_cast<std::size_t>(frame)];
  m = MatrixTranslation(d.x, d.y, d.z) * m;
}

bool TweenPart(TMotionPart& part, std::int32_t a, std::int32_t b, TweenMode mode) {
  if (b < a) std::swap(a, b);
  const std::int32_t n = b - a;
  if (n < 2 || !part.Allocated) return false;
  // Keys outside the part's frames give nothing to blend.
  if (!HasFrame(part, a - 1) || !HasFrame(part, b - 1)) return false;
  const Matrix ka = part.Frames[static_cast<std::size_t>(a - 1)];
  const Matrix kb = part.Frames[static_cast<std::size_t>(b - 1)];
  const Vector3 ya = Row(ka, 1), yb = Row(kb, 1);
  const Vector3 za = Row(ka, 2), zb = Row(kb, 2);
  const Vector3 pa = Row(ka, 3), pb = Row(kb, 3);
  if (mode != TweenMode::Linear) {
    const Quaternion qa = QuaternionFromMatrix(ka), qb = QuaternionFromMatrix(kb);
    for (std::int32_t d = 1; d <= n - 1; ++d) {
      float t = static_cast<float>(d) / static_cast<float>(n);
      if (mode == TweenMode::Ease) t = t * t * (3.0f - 2.0f * t);
      const Vector3 p = pa + (pb - pa) * t;
      Matrix m = MatrixFromQuaternion(QuaternionSlerp(qa, qb, t));
      m[3][0] = p.x;
      m[3][1] = p.y;
      m[3][2] = p.z;
      part.Frames[static_cast<std::size_t>(a - 1 + d)] = m;
    }
    return true;
  }
  for (std::int32_t d = 1; d <= n - 1; ++d) {
    const float t = static_cast<float>(d) / static_cast<float>(n);
    const Vector3 p = pa + (pb - pa) * t;
    Vector3 y = ya + (yb - ya) * t;
    Vector3 z = za + (zb - za) * t;
    Vector3 x = Vec3Cross(y, z);
    x = Normalize(x);
    y = Normalize(y);
    z = Normalize(z);
    Matrix& m = part.Frames[static_cast<std::size_t>(a - 1 + d)];
    m = Matrix{{{x.x, x.y, x.z, 0}, {y.x, y.y, y.z, 0}, {z.x, z.y, z.z, 0}, {p.x, p.y, p.z, 1}}};
  }
  return true;
}

std::int32_t ShownFrame(std::int32_t current, std::int32_t frameCount, std::int32_t motionFrames) {
  if (frameCount <= 0 || motionFrames <= 0) return -1;
  if (motionFrames == frameCount) return current;
  const double f = std::nearbyint(static_cast<double>(motionFrames) * current / frameCount);
  if (f > motionFrames - 1) return motionFrames - 1;
  if (f < 0) return 0;
  return static_cast<std::int32_t>(f);
}

}  // namespace dravo

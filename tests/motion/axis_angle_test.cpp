#include "motion/axis_angle.h"

#include <gtest/gtest.h>

#include <random>

#include "motion_fixtures.h"

namespace dravo {
namespace {

// The rotation an axis and angle stand for, so a half turn's either-signed axis compares equal.
float RotationError(const AxisAngle& got, const Matrix& want) {
  return test::MaxDifference(MatrixRotationAxis(got.axis, got.angle), want);
}

TEST(MatrixToAxisAngle, RecoversAxisAndAngleStrictlyBetweenNoneAndHalfTurn) {
  std::mt19937 rng(42);
  std::uniform_real_distribution<float> unit(-1, 1);
  std::uniform_real_distribution<float> angle(0.02f, kPi - 0.02f);
  for (int i = 0; i < 2000; ++i) {
    Vector3 axis;
    do
      axis = {unit(rng), unit(rng), unit(rng)};
    while (Vec3Length(axis) < 0.1f);
    axis = Normalize(axis);
    const float a = angle(rng);
    const AxisAngle r = MatrixToAxisAngle(MatrixRotationAxis(axis, a));
    ASSERT_NEAR(r.angle, a, 2e-3f) << i;
    ASSERT_NEAR(r.axis.x, axis.x, 2e-3f) << i;
    ASSERT_NEAR(r.axis.y, axis.y, 2e-3f) << i;
    ASSERT_NEAR(r.axis.z, axis.z, 2e-3f) << i;
  }
}

TEST(MatrixToAxisAngle, NoRotationIsAngleZeroAboutZ) {
  const AxisAngle r = MatrixToAxisAngle(IdentityMatrix());
  EXPECT_EQ(r.angle, 0.0f);
  EXPECT_EQ(r.axis, (Vector3{0, 0, 1}));
  // Only the upper 3×3 is read.
  Matrix placed = IdentityMatrix();
  placed[3][0] = 5;
  placed[0][3] = 7;
  EXPECT_EQ(MatrixToAxisAngle(placed).axis, (Vector3{0, 0, 1}));
}

TEST(MatrixToAxisAngle, HalfTurnsComeBackAsTheSameRotation) {
  const float s2 = 1 / std::sqrt(2.0f), s3 = 1 / std::sqrt(3.0f);
  const Vector3 axes[] = {{1, 0, 0},     {0, 1, 0},     {0, 0, 1},     {s2, s2, 0},          {s2, -s2, 0},
                          {0, s2, s2},   {0, s2, -s2},  {s2, 0, s2},   {s2, 0, -s2},         {s3, s3, s3},
                          {s3, -s3, s3}, {s3, s3, -s3}, {-s3, s3, s3}, {0.48f, -0.6f, 0.64f}};
  for (const Vector3& axis : axes) {
    const Matrix m = MatrixRotationAxis(axis, kPi);
    const AxisAngle r = MatrixToAxisAngle(m);
    EXPECT_EQ(r.angle, 3.1415927f);
    EXPECT_LT(RotationError(r, m), 1e-5f) << axis.x << " " << axis.y << " " << axis.z;
  }
  // The documented case: a half turn about x comes back about -x.
  Matrix halfX = IdentityMatrix();
  halfX[1][1] = halfX[2][2] = -1;
  EXPECT_EQ(MatrixToAxisAngle(halfX).axis, (Vector3{-1, 0, 0}));
}

TEST(MatrixToAxisAngle, ToleranceOfTheSymmetricTest) {
  // A turn small enough that the matrix looks symmetric within 0.01 counts as none.
  EXPECT_EQ(MatrixToAxisAngle(MatrixRotationAxis({0, 0, 1}, 0.004f)).angle, 0.0f);
  EXPECT_NEAR(MatrixToAxisAngle(MatrixRotationAxis({0, 0, 1}, 0.006f)).angle, 0.006f, 1e-4f);

  // The y-z pair is allowed 0.1, the others 0.01.
  Matrix m = IdentityMatrix();
  m[1][2] = m[2][1] = 0.04f;
  EXPECT_EQ(MatrixToAxisAngle(m).angle, 0.0f);
  m = IdentityMatrix();
  m[0][1] = m[1][0] = 0.006f;
  EXPECT_EQ(MatrixToAxisAngle(m).angle, 3.1415927f);
}

TEST(MatrixToAxisAngle, NegativeAngleFlipsTheAxis) {
  const AxisAngle r = MatrixToAxisAngle(MatrixRotationAxis({0, 1, 0}, -1.0f));
  EXPECT_NEAR(r.angle, 1.0f, 1e-5f);
  EXPECT_NEAR(r.axis.y, -1.0f, 1e-5f);
}

}  // namespace
}  // namespace dravo

#include "core/maths.h"

#include <gtest/gtest.h>

using namespace dravo;

namespace {
void ExpectNear(Vector3 a, Vector3 b, float eps = 1e-5f) {
  EXPECT_NEAR(a.x, b.x, eps);
  EXPECT_NEAR(a.y, b.y, eps);
  EXPECT_NEAR(a.z, b.z, eps);
}
void ExpectNear(const Matrix& a, const Matrix& b, float eps = 1e-5f) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      EXPECT_NEAR(a[r][c], b[r][c], eps) << r << "," << c;
}
}  // namespace

TEST(Maths, RotationsFollowTheRowVectorLeftHandedDefinitions) {
  Matrix m;
  // A quarter turn about y takes +z to +x (left-handed, row vectors).
  ExpectNear(TransformCoord({0, 0, 1}, *D3DXMatrixRotationY(&m, kPi / 2)), {1, 0, 0});
  ExpectNear(TransformCoord({0, 1, 0}, *D3DXMatrixRotationX(&m, kPi / 2)), {0, 0, 1});
  ExpectNear(TransformCoord({1, 0, 0}, *D3DXMatrixRotationZ(&m, kPi / 2)), {0, 1, 0});
  // The axis form agrees with the fixed-axis forms and normalises its axis.
  Matrix ry, axis;
  const Vector3 y{0, 5, 0};
  ExpectNear(*D3DXMatrixRotationAxis(&axis, &y, 0.7f), *D3DXMatrixRotationY(&ry, 0.7f));
}

TEST(Maths, YawPitchRollAppliesRollThenPitchThenYaw) {
  Matrix ypr, z, x, y;
  D3DXMatrixRotationYawPitchRoll(&ypr, 0.3f, -0.4f, 1.1f);
  D3DXMatrixRotationZ(&z, 1.1f);
  D3DXMatrixRotationX(&x, -0.4f);
  D3DXMatrixRotationY(&y, 0.3f);
  ExpectNear(ypr, z * x * y);
}

TEST(Maths, ProductAppliesLeftOperandFirst) {
  Matrix rot;
  D3DXMatrixRotationY(&rot, kPi / 2);
  const Matrix t = MatrixTranslation(0, 0, 5);
  ExpectNear(TransformCoord({0, 0, 1}, rot * t), {1, 0, 5});
  ExpectNear(TransformCoord({0, 0, 1}, t * rot), {6, 0, 0});
}

TEST(Maths, ViewAndProjection) {
  Matrix view, proj;
  const Vector3 eye{0, 3, -9}, at{0, 3, 0}, up{0, 1, 0};
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  ExpectNear(TransformCoord(at, view), {0, 0, 9});
  D3DXMatrixPerspectiveFovLH(&proj, kPi / 3, 4.0f / 3.0f, 1.0f, 1000.0f);
  EXPECT_NEAR(TransformCoord({0, 0, 1}, proj).z, 0.0f, 1e-6f);
  EXPECT_NEAR(TransformCoord({0, 0, 1000}, proj).z, 1.0f, 1e-5f);
}

TEST(Maths, SmallHelpers) {
  const Vector3 a{1, 2, 3}, b{-3, 0, 5};
  ExpectNear(Vec3Lerp(a, b, 0), a);
  ExpectNear(Vec3Lerp(a, b, 1), b);
  ExpectNear(Vec3Cross({1, 0, 0}, {0, 1, 0}), {0, 0, 1});
  EXPECT_EQ(OrientationMatrix({0, 0, 1}, {0, 1, 0}), IdentityMatrix());
  ExpectNear(RightAxis({0, 0, 2}, {0, 3, 0}), {1, 0, 0});
  EXPECT_EQ(Normalize({0, 0, 0}), (Vector3{0, 0, 0}));
}

TEST(Maths, QuaternionsAndInversesAgreeWithTheMatrices) {
  // Every branch of the matrix-to-quaternion conversion: small, large and half turns about each axis.
  const Vector3 axes[] = {Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1), Normalize(Vec3(1, -2, 3))};
  for (const Vector3 axis : axes)
    for (const float angle : {0.0f, 0.3f, 2.0f, 3.1f, kPi}) {
      const Matrix m = MatrixRotationAxis(axis, angle);
      const Quaternion q = QuaternionFromMatrix(m);
      EXPECT_NEAR(std::fabs(q.w), std::cos(angle / 2), 1e-5f) << angle;
      ExpectNear(MatrixFromQuaternion(q), m);
    }
  // Halfway along the shorter arc, whichever sign the second quaternion has.
  const Quaternion a = QuaternionFromMatrix(MatrixRotationAxis(Vec3(0, 1, 0), 0.2f));
  Quaternion b = QuaternionFromMatrix(MatrixRotationAxis(Vec3(0, 1, 0), 1.4f));
  b = {-b.x, -b.y, -b.z, -b.w};
  ExpectNear(MatrixFromQuaternion(QuaternionSlerp(a, b, 0.5f)), MatrixRotationAxis(Vec3(0, 1, 0), 0.8f));

  // A turned, scaled and moved matrix and its inverse multiply to identity both ways; a singular one
  // gives identity rather than infinities.
  Matrix scaled = MatrixRotationAxis(axes[3], 0.7f) * MatrixTranslation(1, 2, 3);
  for (int c = 0; c < 3; ++c)
    scaled[0][c] *= 2.5f;
  ExpectNear(scaled * AffineInverse(scaled), IdentityMatrix());
  ExpectNear(AffineInverse(scaled) * scaled, IdentityMatrix());
  const Matrix rigid = MatrixRotationAxis(axes[3], 2.0f) * MatrixTranslation(-4, 0.5f, 9);
  ExpectNear(RigidInverse(rigid), AffineInverse(rigid));
  Matrix flat = IdentityMatrix();
  flat[2][2] = 0;
  EXPECT_EQ(AffineInverse(flat), IdentityMatrix());
}

#include "render/camera.h"

#include <gtest/gtest.h>

using namespace dravo;

namespace {
void ExpectNear(Vector3 a, Vector3 b, float eps = 1e-5f) {
  EXPECT_NEAR(a.x, b.x, eps);
  EXPECT_NEAR(a.y, b.y, eps);
  EXPECT_NEAR(a.z, b.z, eps);
}
}  // namespace

TEST(DXCamera, RotateThenRelativeMove) {
  TDXCamera camera;
  camera.Rotate({0, kPi / 2, 0});
  ExpectNear(camera.Direction, {1, 0, 0});
  ExpectNear(camera.Up, {0, 1, 0});
  camera.Move({0, 0, 1}, true);
  ExpectNear(camera.Position, {1, 0, 0});
  camera.Move({0, 2, 0}, false);
  ExpectNear(camera.GetPosition(), {1, 2, 0});
}

TEST(DXCamera, PitchTurnsAboutTheRightAxis) {
  TDXCamera camera;
  camera.Rotate({kPi / 2, 0, 0});
  ExpectNear(camera.Direction, {0, -1, 0});
  ExpectNear(camera.Up, {0, 0, 1});
}

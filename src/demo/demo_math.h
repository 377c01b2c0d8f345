#pragma once

// Maths for the demo game's generator. Everything that ends up in a file is computed with plain IEEE
// arithmetic and square roots only (our own sine and cosine), so the demo game has the same bytes on
// every machine, whatever the C library's transcendental functions do.

#include <cstdint>

#include "core/maths.h"

namespace dravo::demo {

inline constexpr double kDemoPi = 3.14159265358979323846;

double Sin(double radians);
double Cos(double radians);
inline double Radians(double degrees) {
  return degrees * kDemoPi / 180.0;
}

// Rotations as the utility library defines them (row vectors, left-handed): RotationX(+a) turns +y
// towards +z, RotationY(+a) turns +z towards +x, RotationZ(+a) turns +x towards +y.
Matrix RotationX(double radians);
Matrix RotationY(double radians);
Matrix RotationZ(double radians);
// X first, then Y, then Z; angles in degrees.
Matrix Euler(double xDegrees, double yDegrees, double zDegrees);
// The rotation about a unit axis.
Matrix RotationAbout(Vector3 axis, double radians);
// The shortest rotation that turns direction `from` into direction `to`.
Matrix RotationFromTo(Vector3 from, Vector3 to);

// The upper 3x3 alone (fourth row 0 0 0 1).
Matrix RotationPart(const Matrix& m);
// The upper 3x3 transposed, the inverse of a rotation (fourth row 0 0 0 1).
Matrix Transposed(const Matrix& m);
// Rows x, y, z as the axes, `origin` in the fourth row.
Matrix Frame(Vector3 x, Vector3 y, Vector3 z, Vector3 origin);
Vector3 Translation(const Matrix& m);
Matrix WithTranslation(const Matrix& m, Vector3 t);
// The mirror image across the x = 0 plane when `sign` is -1, `v` itself when it is 1.
Vector3 MirrorX(Vector3 v, float sign);

// The smooth step 3t² - 2t³ of t clamped to 0..1.
double Smooth(double t);
double Lerp(double a, double b, double t);

}  // namespace dravo::demo

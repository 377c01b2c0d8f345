#include "demo/demo_math.h"

#include <cmath>

namespace dravo::demo {

namespace {

// Taylor series on |x| <= pi/4, where 12 terms are far below float precision.
double SinSeries(double x) {
  const double x2 = x * x;
  double term = x;
  double sum = x;
  for (int n = 1; n < 12; ++n) {
    term *= -x2 / static_cast<double>((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}

double CosSeries(double x) {
  const double x2 = x * x;
  double term = 1.0;
  double sum = 1.0;
  for (int n = 1; n < 12; ++n) {
    term *= -x2 / static_cast<double>((2 * n - 1) * (2 * n));
    sum += term;
  }
  return sum;
}

// Reduces to a quarter turn q (0..3) and a remainder in -pi/4..pi/4.
double Reduce(double x, int& quarter) {
  const double half = kDemoPi / 2.0;
  const double k = std::nearbyint(x / half);
  quarter = static_cast<int>(static_cast<std::int64_t>(k) & 3);
  return x - k * half;
}

// Rodrigues' rotation about the unit axis (x, y, z) by the angle of cosine c and sine s.
Matrix AxisRotation(double x, double y, double z, double c, double s) {
  const double v = 1.0 - c;
  Matrix m = IdentityMatrix();
  m[0][0] = static_cast<float>(v * x * x + c);
  m[0][1] = static_cast<float>(v * x * y + z * s);
  m[0][2] = static_cast<float>(v * x * z - y * s);
  m[1][0] = static_cast<float>(v * x * y - z * s);
  m[1][1] = static_cast<float>(v * y * y + c);
  m[1][2] = static_cast<float>(v * y * z + x * s);
  m[2][0] = static_cast<float>(v * x * z + y * s);
  m[2][1] = static_cast<float>(v * y * z - x * s);
  m[2][2] = static_cast<float>(v * z * z + c);
  return m;
}

}  // namespace

double Sin(double radians) {
  int q = 0;
  const double r = Reduce(radians, q);
  switch (q) {
    case 0:
      return SinSeries(r);
    case 1:
      return CosSeries(r);
    case 2:
      return -SinSeries(r);
    default:
      return -CosSeries(r);
  }
}

double Cos(double radians) {
  int q = 0;
  const double r = Reduce(radians, q);
  switch (q) {
    case 0:
      return CosSeries(r);
    case 1:
      return -SinSeries(r);
    case 2:
      return -CosSeries(r);
    default:
      return SinSeries(r);
  }
}

Matrix RotationX(double a) {
  Matrix m = IdentityMatrix();
  const auto c = static_cast<float>(Cos(a)), s = static_cast<float>(Sin(a));
  m[1][1] = c;
  m[1][2] = s;
  m[2][1] = -s;
  m[2][2] = c;
  return m;
}

Matrix RotationY(double a) {
  Matrix m = IdentityMatrix();
  const auto c = static_cast<float>(Cos(a)), s = static_cast<float>(Sin(a));
  m[0][0] = c;
  m[0][2] = -s;
  m[2][0] = s;
  m[2][2] = c;
  return m;
}

Matrix RotationZ(double a) {
  Matrix m = IdentityMatrix();
  const auto c = static_cast<float>(Cos(a)), s = static_cast<float>(Sin(a));
  m[0][0] = c;
  m[0][1] = s;
  m[1][0] = -s;
  m[1][1] = c;
  return m;
}

Matrix Euler(double x, double y, double z) {
  return RotationX(Radians(x)) * RotationY(Radians(y)) * RotationZ(Radians(z));
}

Matrix RotationAbout(Vector3 axis, double radians) {
  const Vector3 a = Normalize(axis);
  return AxisRotation(a.x, a.y, a.z, Cos(radians), Sin(radians));
}

Matrix RotationFromTo(Vector3 from, Vector3 to) {
  const Vector3 a = Normalize(from), b = Normalize(to);
  const Vector3 k = Vec3Cross(a, b);
  const double s = std::sqrt(static_cast<double>(Vec3Dot(k, k)));
  const double c = Vec3Dot(a, b);
  if (s < 1e-7) {
    if (c > 0) return IdentityMatrix();
    // Opposite directions: half a turn about any axis square to `from`.
    Vector3 side = std::fabs(a.x) < 0.9f ? Vec3(1, 0, 0) : Vec3(0, 1, 0);
    return RotationAbout(Vec3Cross(a, side), kDemoPi);
  }
  // The sine and cosine taken from the vectors themselves.
  return AxisRotation(k.x / s, k.y / s, k.z / s, c, s);
}

Matrix RotationPart(const Matrix& m) {
  Matrix r = m;
  r[3][0] = r[3][1] = r[3][2] = 0;
  r[0][3] = r[1][3] = r[2][3] = 0;
  r[3][3] = 1;
  return r;
}

Matrix Transposed(const Matrix& m) {
  Matrix r = IdentityMatrix();
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      r[i][j] = m[j][i];
  return r;
}

Matrix Frame(Vector3 x, Vector3 y, Vector3 z, Vector3 origin) {
  Matrix m = IdentityMatrix();
  const Vector3 rows[4] = {x, y, z, origin};
  for (int i = 0; i < 4; ++i) {
    m[i][0] = rows[i].x;
    m[i][1] = rows[i].y;
    m[i][2] = rows[i].z;
  }
  return m;
}

Vector3 Translation(const Matrix& m) {
  return Vec3(m[3][0], m[3][1], m[3][2]);
}

Matrix WithTranslation(const Matrix& m, Vector3 t) {
  Matrix r = m;
  r[3][0] = t.x;
  r[3][1] = t.y;
  r[3][2] = t.z;
  return r;
}

double Smooth(double t) {
  if (t <= 0) return 0;
  if (t >= 1) return 1;
  return t * t * (3.0 - 2.0 * t);
}

Vector3 MirrorX(Vector3 v, float sign) {
  return Vec3(v.x * sign, v.y, v.z);
}

double Lerp(double a, double b, double t) {
  return a + (b - a) * t;
}

}  // namespace dravo::demo

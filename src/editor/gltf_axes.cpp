#include "editor/gltf_axes.h"

#include <cmath>
#include <utility>

namespace dravo::gltf {

namespace {

// The mirror's diagonal.
constexpr std::array<double, 4> kMirror{1, 1, -1, 1};

Mat4 MirrorTransposed(const Mat4& a) {
  Mat4 out;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      out.m[r][c] = kMirror[r] * kMirror[c] * a.m[c][r];
  return out;
}

}  // namespace

Mat4 Mat4::Identity() {
  Mat4 i;
  for (int k = 0; k < 4; ++k)
    i.m[k][k] = 1;
  return i;
}

Mat4 operator*(const Mat4& a, const Mat4& b) {
  Mat4 out;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      double sum = 0;
      for (int k = 0; k < 4; ++k)
        sum += a.m[r][k] * b.m[k][c];
      out.m[r][c] = sum;
    }
  return out;
}

Mat4 FromGame(const Matrix& game) {
  Mat4 out;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      out.m[r][c] = game.m[r][c];
  return out;
}

Matrix ToGameMatrix(const Mat4& game) {
  Matrix out;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      out.m[r][c] = static_cast<float>(game.m[r][c]);
  out.m[0][3] = out.m[1][3] = out.m[2][3] = 0;
  out.m[3][3] = 1;
  return out;
}

bool Invert(const Mat4& a, Mat4& inverse) {
  // Gauss-Jordan with partial pivoting.
  Mat4 work = a;
  Mat4 out = Mat4::Identity();
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r)
      if (std::fabs(work.m[r][col]) > std::fabs(work.m[pivot][col])) pivot = r;
    if (!(std::fabs(work.m[pivot][col]) > 1e-12)) return false;
    std::swap(work.m[pivot], work.m[col]);
    std::swap(out.m[pivot], out.m[col]);
    const double scale = 1 / work.m[col][col];
    for (int c = 0; c < 4; ++c) {
      work.m[col][c] *= scale;
      out.m[col][c] *= scale;
    }
    for (int r = 0; r < 4; ++r) {
      if (r == col) continue;
      const double f = work.m[r][col];
      if (f == 0) continue;
      for (int c = 0; c < 4; ++c) {
        work.m[r][c] -= f * work.m[col][c];
        out.m[r][c] -= f * out.m[col][c];
      }
    }
  }
  inverse = out;
  return true;
}

bool AllFinite(const Mat4& a) {
  for (const auto& row : a.m)
    for (double v : row)
      if (!std::isfinite(v)) return false;
  return true;
}

Mat4 GameToGltf(const Mat4& game) {
  return MirrorTransposed(game);
}
Mat4 GltfToGame(const Mat4& gltf) {
  return MirrorTransposed(gltf);
}
Vec3d GamePointToGltf(Vec3d p) {
  return {p.x, p.y, -p.z};
}

std::array<double, 4> NormalizeQuaternion(std::array<double, 4> q) {
  const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  if (!(length > 0)) return {0, 0, 0, 1};
  for (double& v : q)
    v /= length;
  return q;
}

Trs Decompose(const Mat4& g) {
  Trs out;
  out.t = {g.m[0][3], g.m[1][3], g.m[2][3]};
  double column[3][3];
  for (int c = 0; c < 3; ++c) {
    const double length = std::sqrt(g.m[0][c] * g.m[0][c] + g.m[1][c] * g.m[1][c] + g.m[2][c] * g.m[2][c]);
    out.s[static_cast<std::size_t>(c)] = length;
    for (int r = 0; r < 3; ++r)
      column[c][r] = length > 0 ? g.m[r][c] / length : (r == c ? 1 : 0);
  }
  const double det = column[0][0] * (column[1][1] * column[2][2] - column[2][1] * column[1][2]) -
                     column[1][0] * (column[0][1] * column[2][2] - column[2][1] * column[0][2]) +
                     column[2][0] * (column[0][1] * column[1][2] - column[1][1] * column[0][2]);
  if (det < 0) {
    out.s[0] = -out.s[0];
    for (int r = 0; r < 3; ++r)
      column[0][r] = -column[0][r];
  }
  // R[r][c] = column[c][r].
  const auto R = [&](int r, int c) { return column[c][r]; };
  const double trace = R(0, 0) + R(1, 1) + R(2, 2);
  double x, y, z, w;
  if (trace > 0) {
    const double s = 0.5 / std::sqrt(trace + 1);
    w = 0.25 / s;
    x = (R(2, 1) - R(1, 2)) * s;
    y = (R(0, 2) - R(2, 0)) * s;
    z = (R(1, 0) - R(0, 1)) * s;
  } else if (R(0, 0) > R(1, 1) && R(0, 0) > R(2, 2)) {
    const double s = 2 * std::sqrt(std::max(0.0, 1 + R(0, 0) - R(1, 1) - R(2, 2)));
    w = (R(2, 1) - R(1, 2)) / s;
    x = 0.25 * s;
    y = (R(0, 1) + R(1, 0)) / s;
    z = (R(0, 2) + R(2, 0)) / s;
  } else if (R(1, 1) > R(2, 2)) {
    const double s = 2 * std::sqrt(std::max(0.0, 1 + R(1, 1) - R(0, 0) - R(2, 2)));
    w = (R(0, 2) - R(2, 0)) / s;
    x = (R(0, 1) + R(1, 0)) / s;
    y = 0.25 * s;
    z = (R(1, 2) + R(2, 1)) / s;
  } else {
    const double s = 2 * std::sqrt(std::max(0.0, 1 + R(2, 2) - R(0, 0) - R(1, 1)));
    w = (R(1, 0) - R(0, 1)) / s;
    x = (R(0, 2) + R(2, 0)) / s;
    y = (R(1, 2) + R(2, 1)) / s;
    z = 0.25 * s;
  }
  out.r = NormalizeQuaternion({x, y, z, w});
  return out;
}

Mat4 Compose(const Trs& trs) {
  const auto [x, y, z, w] = NormalizeQuaternion(trs.r);
  const double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                          {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                          {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
  Mat4 out = Mat4::Identity();
  for (int row = 0; row < 3; ++row) {
    for (int c = 0; c < 3; ++c)
      out.m[row][c] = r[row][c] * trs.s[static_cast<std::size_t>(c)];
    out.m[row][3] = trs.t[static_cast<std::size_t>(row)];
  }
  return out;
}

std::array<double, 4> Slerp(std::array<double, 4> a, std::array<double, 4> b, double t) {
  double dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
  if (dot < 0) {
    for (double& v : b)
      v = -v;
    dot = -dot;
  }
  std::array<double, 4> out;
  if (dot > 0.9995) {
    for (std::size_t k = 0; k < 4; ++k)
      out[k] = a[k] + t * (b[k] - a[k]);
    return NormalizeQuaternion(out);
  }
  const double theta = std::acos(std::min(1.0, dot));
  const double sinTheta = std::sin(theta);
  const double wa = std::sin((1 - t) * theta) / sinTheta;
  const double wb = std::sin(t * theta) / sinTheta;
  for (std::size_t k = 0; k < 4; ++k)
    out[k] = wa * a[k] + wb * b[k];
  return NormalizeQuaternion(out);
}

}  // namespace dravo::gltf

#pragma once

// The one place where the game's frames meet glTF's. The game is left-handed (x right, y up, z into the
// screen) and uses row vectors (p' = p × M, translation in the fourth row); glTF is right-handed (y up,
// z towards the viewer) and uses column vectors (p' = M p, translation in the fourth column). Mirroring
// z maps one onto the other: with C = diag(1, 1, -1, 1), a game matrix M is the glTF matrix
// G = transpose(C · M · C), and the same formula brings G back. A point (x, y, z) is (x, y, -z).
//
// The maths runs in double so that a matrix taken through glTF and back differs from the original only
// by what glTF's float32 storage loses.

#include <array>

#include "core/maths.h"

namespace dravo::gltf {

// 4 × 4, element m[r][c]; in the game's convention for game matrices, glTF's for glTF ones.
struct Mat4 {
  std::array<std::array<double, 4>, 4> m{};
  static Mat4 Identity();
  friend Mat4 operator*(const Mat4& a, const Mat4& b);
};

struct Vec3d {
  double x = 0, y = 0, z = 0;
};

Mat4 FromGame(const Matrix& game);
// The game's float matrix, its fourth column forced to (0, 0, 0, 1) as every pose matrix has it.
Matrix ToGameMatrix(const Mat4& game);
// The inverse, or nothing when the matrix is singular (|det| below 1e-12).
bool Invert(const Mat4& a, Mat4& inverse);
bool AllFinite(const Mat4& a);

Mat4 GameToGltf(const Mat4& game);
Mat4 GltfToGame(const Mat4& gltf);
Vec3d GamePointToGltf(Vec3d p);

// A glTF node's local transform: translation, rotation quaternion (x, y, z, w) and scale.
struct Trs {
  std::array<double, 3> t{0, 0, 0};
  std::array<double, 4> r{0, 0, 0, 1};
  std::array<double, 3> s{1, 1, 1};
};
// T · R · S of a glTF matrix (its last row must be 0, 0, 0, 1); a mirrored matrix gets a negative x scale.
Trs Decompose(const Mat4& gltf);
Mat4 Compose(const Trs& trs);
// The shortest-arc interpolation of two unit quaternions; the result is of unit length.
std::array<double, 4> Slerp(std::array<double, 4> a, std::array<double, 4> b, double t);
std::array<double, 4> NormalizeQuaternion(std::array<double, 4> q);

}  // namespace dravo::gltf

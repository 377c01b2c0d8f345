#pragma once

// Vectors and 4x4 row-vector matrices with the left-handed helpers the 3D code was written against.

#include <cmath>
#include <numbers>

namespace dravo {

// Left-handed, row-vector conventions: p' = p · M, translation in the fourth row,
// A · B applies A first. Everything is 32-bit float, as the game stores it.
struct Vector3 {
  float x = 0, y = 0, z = 0;

  friend Vector3 operator+(Vector3 a, Vector3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
  friend Vector3 operator-(Vector3 a, Vector3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
  friend Vector3 operator*(Vector3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
  friend bool operator==(Vector3 a, Vector3 b) = default;
};

struct Matrix {
  float m[4][4] = {};

  float* operator[](int row) { return m[row]; }
  const float* operator[](int row) const { return m[row]; }
  friend bool operator==(const Matrix& a, const Matrix& b) = default;
};

// The names the device layer and the model code were written against.
using D3DXVECTOR3 = Vector3;
using D3DXMATRIX = Matrix;
using D3DMATRIX = Matrix;
using D3DVECTOR = Vector3;

constexpr float kPi = std::numbers::pi_v<float>;

Vector3 Vec3(float x, float y, float z);
Vector3 Vec3Cross(Vector3 a, Vector3 b);
float Vec3Dot(Vector3 a, Vector3 b);
float Vec3Length(Vector3 v);
Vector3 Vec3Lerp(Vector3 a, Vector3 b, float t);
Matrix IdentityMatrix();
// normalise(normalise(up) × normalise(forward)).
Vector3 RightAxis(Vector3 forward, Vector3 up);
// Rows: right axis, normalised up, normalised forward; up is not made perpendicular.
Matrix OrientationMatrix(Vector3 forward, Vector3 up);

// Our equivalents of the utility library's functions, by their published definitions.
// Each writes into `out` and returns it, as the originals do.
Matrix* D3DXMatrixIdentity(Matrix* out);
Matrix* D3DXMatrixMultiply(Matrix* out, const Matrix* a, const Matrix* b);
Matrix* D3DXMatrixTranslation(Matrix* out, float x, float y, float z);
Matrix* D3DXMatrixScaling(Matrix* out, float sx, float sy, float sz);
Matrix* D3DXMatrixRotationX(Matrix* out, float angle);
Matrix* D3DXMatrixRotationY(Matrix* out, float angle);
Matrix* D3DXMatrixRotationZ(Matrix* out, float angle);
Matrix* D3DXMatrixRotationAxis(Matrix* out, const Vector3* axis, float angle);
Matrix* D3DXMatrixRotationYawPitchRoll(Matrix* out, float yaw, float pitch, float roll);
Matrix* D3DXMatrixLookAtLH(Matrix* out, const Vector3* eye, const Vector3* at, const Vector3* up);
Matrix* D3DXMatrixPerspectiveFovLH(Matrix* out, float fovY, float aspect, float zNear, float zFar);
Vector3* D3DXVec3TransformCoord(Vector3* out, const Vector3* v, const Matrix* m);
// A zero vector normalises to zero.
Vector3* D3DXVec3Normalize(Vector3* out, const Vector3* v);

// Value-returning forms for ordinary code.
Matrix operator*(const Matrix& a, const Matrix& b);
Matrix MatrixTranslation(float x, float y, float z);
Matrix MatrixRotationAxis(Vector3 axis, float angle);
Vector3 TransformCoord(Vector3 v, const Matrix& m);
// Direction only: the upper 3x3 part, no translation, no division.
Vector3 TransformNormal(Vector3 v, const Matrix& m);
Vector3 Normalize(Vector3 v);

// The inverse of a rotation followed by a translation (no scale or shear).
Matrix RigidInverse(const Matrix& m);
// The inverse of any invertible matrix whose fourth column is (0, 0, 0, 1); identity for a singular one.
Matrix AffineInverse(const Matrix& m);

// A unit quaternion in the matrices' convention: (x, y, z) = axis × sin(angle ÷ 2), w = cos(angle ÷ 2)
// for MatrixRotationAxis(axis, angle).
struct Quaternion {
  float x = 0, y = 0, z = 0, w = 1;
};
// The rotation of the upper 3×3 (rows taken as they are; a nearly orthonormal one gives the nearest
// rotation's quaternion, normalised).
Quaternion QuaternionFromMatrix(const Matrix& m);
// The rotation as a matrix with no translation.
Matrix MatrixFromQuaternion(Quaternion q);
// Spherical interpolation along the shorter arc: constant turning speed, unit length throughout.
Quaternion QuaternionSlerp(Quaternion a, Quaternion b, float t);

}  // namespace dravo

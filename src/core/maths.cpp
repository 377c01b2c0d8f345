#include "core/maths.h"

namespace dravo {

Vector3 Vec3(float x, float y, float z) {
  return {x, y, z};
}

Vector3 Vec3Cross(Vector3 a, Vector3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Vec3Dot(Vector3 a, Vector3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

float Vec3Length(Vector3 v) {
  return std::sqrt(Vec3Dot(v, v));
}

Vector3 Vec3Lerp(Vector3 a, Vector3 b, float t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

Matrix IdentityMatrix() {
  Matrix m;
  D3DXMatrixIdentity(&m);
  return m;
}

Vector3 RightAxis(Vector3 forward, Vector3 up) {
  return Normalize(Vec3Cross(Normalize(up), Normalize(forward)));
}

Matrix OrientationMatrix(Vector3 forward, Vector3 up) {
  Matrix m = IdentityMatrix();
  const Vector3 rows[3] = {RightAxis(forward, up), Normalize(up), Normalize(forward)};
  for (int r = 0; r < 3; ++r) {
    m[r][0] = rows[r].x;
    m[r][1] = rows[r].y;
    m[r][2] = rows[r].z;
  }
  return m;
}

Matrix* D3DXMatrixIdentity(Matrix* out) {
  *out = Matrix{};
  for (int i = 0; i < 4; ++i)
    out->m[i][i] = 1.0f;
  return out;
}

Matrix* D3DXMatrixMultiply(Matrix* out, const Matrix* a, const Matrix* b) {
  Matrix r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] +
                  a->m[i][3] * b->m[3][j];
  *out = r;
  return out;
}

Matrix* D3DXMatrixTranslation(Matrix* out, float x, float y, float z) {
  D3DXMatrixIdentity(out);
  out->m[3][0] = x;
  out->m[3][1] = y;
  out->m[3][2] = z;
  return out;
}

Matrix* D3DXMatrixScaling(Matrix* out, float sx, float sy, float sz) {
  D3DXMatrixIdentity(out);
  out->m[0][0] = sx;
  out->m[1][1] = sy;
  out->m[2][2] = sz;
  return out;
}

Matrix* D3DXMatrixRotationX(Matrix* out, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  D3DXMatrixIdentity(out);
  out->m[1][1] = c;
  out->m[1][2] = s;
  out->m[2][1] = -s;
  out->m[2][2] = c;
  return out;
}

Matrix* D3DXMatrixRotationY(Matrix* out, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  D3DXMatrixIdentity(out);
  out->m[0][0] = c;
  out->m[0][2] = -s;
  out->m[2][0] = s;
  out->m[2][2] = c;
  return out;
}

Matrix* D3DXMatrixRotationZ(Matrix* out, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  D3DXMatrixIdentity(out);
  out->m[0][0] = c;
  out->m[0][1] = s;
  out->m[1][0] = -s;
  out->m[1][1] = c;
  return out;
}

Matrix* D3DXMatrixRotationAxis(Matrix* out, const Vector3* axis, float angle) {
  const Vector3 n = Normalize(*axis);
  const float c = std::cos(angle), s = std::sin(angle), v = 1.0f - c;
  D3DXMatrixIdentity(out);
  out->m[0][0] = v * n.x * n.x + c;
  out->m[0][1] = v * n.x * n.y + n.z * s;
  out->m[0][2] = v * n.x * n.z - n.y * s;
  out->m[1][0] = v * n.x * n.y - n.z * s;
  out->m[1][1] = v * n.y * n.y + c;
  out->m[1][2] = v * n.y * n.z + n.x * s;
  out->m[2][0] = v * n.x * n.z + n.y * s;
  out->m[2][1] = v * n.y * n.z - n.x * s;
  out->m[2][2] = v * n.z * n.z + c;
  return out;
}

Matrix* D3DXMatrixRotationYawPitchRoll(Matrix* out, float yaw, float pitch, float roll) {
  Matrix z, x, y, zx;
  D3DXMatrixRotationZ(&z, roll);
  D3DXMatrixRotationX(&x, pitch);
  D3DXMatrixRotationY(&y, yaw);
  D3DXMatrixMultiply(&zx, &z, &x);
  return D3DXMatrixMultiply(out, &zx, &y);
}

Matrix* D3DXMatrixLookAtLH(Matrix* out, const Vector3* eye, const Vector3* at, const Vector3* up) {
  const Vector3 zaxis = Normalize(*at - *eye);
  const Vector3 xaxis = Normalize(Vec3Cross(*up, zaxis));
  const Vector3 yaxis = Vec3Cross(zaxis, xaxis);
  D3DXMatrixIdentity(out);
  out->m[0][0] = xaxis.x;
  out->m[0][1] = yaxis.x;
  out->m[0][2] = zaxis.x;
  out->m[1][0] = xaxis.y;
  out->m[1][1] = yaxis.y;
  out->m[1][2] = zaxis.y;
  out->m[2][0] = xaxis.z;
  out->m[2][1] = yaxis.z;
  out->m[2][2] = zaxis.z;
  out->m[3][0] = -Vec3Dot(xaxis, *eye);
  out->m[3][1] = -Vec3Dot(yaxis, *eye);
  out->m[3][2] = -Vec3Dot(zaxis, *eye);
  return out;
}

Matrix* D3DXMatrixPerspectiveFovLH(Matrix* out, float fovY, float aspect, float zNear, float zFar) {
  const float h = 1.0f / std::tan(fovY / 2.0f);
  const float w = h / aspect;
  *out = Matrix{};
  out->m[0][0] = w;
  out->m[1][1] = h;
  out->m[2][2] = zFar / (zFar - zNear);
  out->m[2][3] = 1.0f;
  out->m[3][2] = -zNear * zFar / (zFar - zNear);
  return out;
}

Vector3* D3DXVec3TransformCoord(Vector3* out, const Vector3* v, const Matrix* m) {
  const float x = v->x * m->m[0][0] + v->y * m->m[1][0] + v->z * m->m[2][0] + m->m[3][0];
  const float y = v->x * m->m[0][1] + v->y * m->m[1][1] + v->z * m->m[2][1] + m->m[3][1];
  const float z = v->x * m->m[0][2] + v->y * m->m[1][2] + v->z * m->m[2][2] + m->m[3][2];
  const float w = v->x * m->m[0][3] + v->y * m->m[1][3] + v->z * m->m[2][3] + m->m[3][3];
  *out = {x / w, y / w, z / w};
  return out;
}

Vector3* D3DXVec3Normalize(Vector3* out, const Vector3* v) {
  const float length = Vec3Length(*v);
  if (length == 0.0f) {
    *out = {};
  } else {
    *out = {v->x / length, v->y / length, v->z / length};
  }
  return out;
}

Matrix operator*(const Matrix& a, const Matrix& b) {
  Matrix r;
  D3DXMatrixMultiply(&r, &a, &b);
  return r;
}

Matrix MatrixTranslation(float x, float y, float z) {
  Matrix r;
  D3DXMatrixTranslation(&r, x, y, z);
  return r;
}

Matrix MatrixRotationAxis(Vector3 axis, float angle) {
  Matrix r;
  D3DXMatrixRotationAxis(&r, &axis, angle);
  return r;
}

Vector3 TransformCoord(Vector3 v, const Matrix& m) {
  Vector3 r;
  D3DXVec3TransformCoord(&r, &v, &m);
  return r;
}

Vector3 TransformNormal(Vector3 v, const Matrix& m) {
  return {v.x * m[0][0] + v.y * m[1][0] + v.z * m[2][0], v.x * m[0][1] + v.y * m[1][1] + v.z * m[2][1],
          v.x * m[0][2] + v.y * m[1][2] + v.z * m[2][2]};
}

Vector3 Normalize(Vector3 v) {
  Vector3 r;
  D3DXVec3Normalize(&r, &v);
  return r;
}

Matrix RigidInverse(const Matrix& m) {
  Matrix r = IdentityMatrix();
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      r[i][j] = m[j][i];
  const Vector3 back = TransformNormal({m[3][0], m[3][1], m[3][2]}, r);
  r[3][0] = -back.x;
  r[3][1] = -back.y;
  r[3][2] = -back.z;
  return r;
}

Matrix AffineInverse(const Matrix& m) {
  // The upper 3×3 by cofactors, in double so a small determinant keeps its digits.
  double c[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
      c[i][j] = double(m[i1][j1]) * m[i2][j2] - double(m[i1][j2]) * m[i2][j1];
    }
  const double det = m[0][0] * c[0][0] + m[0][1] * c[0][1] + m[0][2] * c[0][2];
  if (!(std::abs(det) > 1e-30)) return IdentityMatrix();
  Matrix r = IdentityMatrix();
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      r[i][j] = static_cast<float>(c[j][i] / det);
  for (int j = 0; j < 3; ++j)
    r[3][j] = -(m[3][0] * r[0][j] + m[3][1] * r[1][j] + m[3][2] * r[2][j]);
  return r;
}

namespace {

Quaternion Normalised(Quaternion q) {
  const float n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
  if (!(n > 0)) return {};
  return {q.x / n, q.y / n, q.z / n, q.w / n};
}

}  // namespace

Quaternion QuaternionFromMatrix(const Matrix& m) {
  // Shepperd's method: divide by the largest of the four candidates, never by a small one.
  const float trace = m[0][0] + m[1][1] + m[2][2];
  Quaternion q;
  if (trace > m[0][0] && trace > m[1][1] && trace > m[2][2]) {
    const float s = std::sqrt(trace + 1.0f) * 2.0f;
    q = {(m[1][2] - m[2][1]) / s, (m[2][0] - m[0][2]) / s, (m[0][1] - m[1][0]) / s, 0.25f * s};
  } else if (m[0][0] >= m[1][1] && m[0][0] >= m[2][2]) {
    const float s = std::sqrt(1.0f + m[0][0] - m[1][1] - m[2][2]) * 2.0f;
    q = {0.25f * s, (m[0][1] + m[1][0]) / s, (m[2][0] + m[0][2]) / s, (m[1][2] - m[2][1]) / s};
  } else if (m[1][1] >= m[2][2]) {
    const float s = std::sqrt(1.0f + m[1][1] - m[0][0] - m[2][2]) * 2.0f;
    q = {(m[0][1] + m[1][0]) / s, 0.25f * s, (m[1][2] + m[2][1]) / s, (m[2][0] - m[0][2]) / s};
  } else {
    const float s = std::sqrt(1.0f + m[2][2] - m[0][0] - m[1][1]) * 2.0f;
    q = {(m[2][0] + m[0][2]) / s, (m[1][2] + m[2][1]) / s, 0.25f * s, (m[0][1] - m[1][0]) / s};
  }
  return Normalised(q);
}

Matrix MatrixFromQuaternion(Quaternion q) {
  const float x = q.x, y = q.y, z = q.z, w = q.w;
  Matrix m = IdentityMatrix();
  m[0][0] = 1 - 2 * (y * y + z * z);
  m[0][1] = 2 * (x * y + z * w);
  m[0][2] = 2 * (x * z - y * w);
  m[1][0] = 2 * (x * y - z * w);
  m[1][1] = 1 - 2 * (x * x + z * z);
  m[1][2] = 2 * (y * z + x * w);
  m[2][0] = 2 * (x * z + y * w);
  m[2][1] = 2 * (y * z - x * w);
  m[2][2] = 1 - 2 * (x * x + y * y);
  return m;
}

Quaternion QuaternionSlerp(Quaternion a, Quaternion b, float t) {
  double dot = double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z + double(a.w) * b.w;
  if (dot < 0) {
    b = {-b.x, -b.y, -b.z, -b.w};
    dot = -dot;
  }
  double wa = 1.0 - t, wb = t;
  // Nearly the same rotation: the straight blend is as good and has no 0 ÷ 0.
  if (dot < 0.9995) {
    const double angle = std::acos(dot);
    const double s = std::sin(angle);
    wa = std::sin((1.0 - t) * angle) / s;
    wb = std::sin(t * angle) / s;
  }
  return Normalised({static_cast<float>(wa * a.x + wb * b.x), static_cast<float>(wa * a.y + wb * b.y),
                     static_cast<float>(wa * a.z + wb * b.z), static_cast<float>(wa * a.w + wb * b.w)});
}

}  // namespace dravo

#include "render/camera.h"

namespace dravo {

void TDXCamera::Rotate(Vector3 angles) {
  Matrix r;
  D3DXMatrixRotationY(&r, angles.y);
  Direction = TransformCoord(Direction, r);
  Up = TransformCoord(Up, r);
  const Vector3 axis = RightAxis(Direction, Up);
  D3DXMatrixRotationAxis(&r, &axis, angles.x);
  Direction = TransformCoord(Direction, r);
  Up = TransformCoord(Up, r);
}

void TDXCamera::Move(Vector3 delta, bool relative) {
  if (relative) {
    const Vector3 right = RightAxis(Direction, Up);
    delta = right * delta.x + Up * delta.y + Direction * delta.z;
  }
  Position = Position + delta;
}

}  // namespace dravo

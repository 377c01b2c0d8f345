#pragma once

// A free camera with position, direction and up (TDXCamera), moved and turned relative to itself.

#include "core/maths.h"

namespace dravo {

// The camera object the 3D panel keeps in step with its eye.
class TDXCamera {
 public:
  Vector3 Up{0, 1, 0};
  Vector3 Direction{0, 0, 1};
  Vector3 Position{0, 0, 0};

  Vector3 GetPosition() const { return Position; }
  void SetPosition(Vector3 p) { Position = p; }
  // Turns about the world y axis by angles.y, then about the camera's right axis by angles.x.
  void Rotate(Vector3 angles);
  // Relative moves are along the camera's right, up and direction axes.
  void Move(Vector3 delta, bool relative);
};

}  // namespace dravo

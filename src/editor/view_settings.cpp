#include "editor/view_settings.h"

#include <algorithm>

namespace dravo {

namespace {

// 40π: the joystick turns by offset ÷ 40π radians per tick.
constexpr double kJoystickTurn = 125.66370614359172;

}  // namespace

void ViewSettings::SetZoom(int position) {
  zoom = std::clamp(position, kZoomMin, kZoomMax);
}

void ViewSettings::TurnByJoystick() {
  Matrix turn;
  const auto yaw = static_cast<float>(-joyX / kJoystickTurn);
  if (relative) {
    D3DXMatrixRotationYawPitchRoll(&turn, yaw, static_cast<float>(joyY / kJoystickTurn), 0);
    sceneMatrix = sceneMatrix * turn;
  } else {
    D3DXMatrixRotationYawPitchRoll(&turn, yaw, static_cast<float>(-joyY / kJoystickTurn), 0);
    sceneMatrix = turn * sceneMatrix;
  }
}

}  // namespace dravo

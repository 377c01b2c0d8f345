#pragma once

// How the view shows the scene: the scene's turn, the zoom, the preset, the colours and switches
// of the view and set-up rollouts, and the joystick pads' state.

#include <cstdint>

#include "core/colour.h"
#include "core/maths.h"
#include "editor/view_rules.h"
#include "formats/gif_export.h"
#include "platform/options_store.h"

namespace dravo {

struct ViewSettings {
  D3DXMATRIX sceneMatrix = IdentityMatrix();
  int zoom = kDefaultZoom;
  int viewIndex = kFrontView;
  bool showBike = true;
  bool relative = false;  // the joystick turns about the view's axes, not the scene's
  TColor backgroundColor = options::DefaultColor;
  TColor mudColor = options::DefaultMudColor;
  int mudScale = options::DefaultMudScale;
  bool wireMode = false;
  bool lighting = true;
  bool transparent = true;
  bool gifOptimize = false;  // smaller GIFs: cropped frames, a shared palette where it serves
  int gifSize = options::DefaultSize;
  // Ghosts of the frames around the current one, behind it; never in GIF frames.
  bool onionSkin = false;
  int onionBefore = kOnionDefaultFrames;
  int onionAfter = kOnionDefaultFrames;
  // The joystick pads: which is held (the rotation pad turns, the position pad pans), the
  // pointer's offsets from the pad's middle, and whether the pad's timer runs.
  bool joystickTurns = false;
  std::int32_t joyX = 0;
  std::int32_t joyY = 0;
  bool joystickTimerEnabled = false;

  // Clamps the zoom bar's position; the eye's distance is a tenth of it.
  void SetZoom(int position);
  float EyeDistance() const { return static_cast<float>(zoom) / 10; }
  // One tick of the rotation pad: the scene turns by the pointer's offsets.
  void TurnByJoystick();
};

}  // namespace dravo

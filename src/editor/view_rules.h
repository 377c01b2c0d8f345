#pragma once

// The small rules of the view controls and the set-up rollout: the joystick pads' dead zone,
// the view presets, the playback timer's interval and the resolution list's texts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/maths.h"

namespace dravo {

// The offset a pointer coordinate inside a 43-pixel pad gives: 14 … 0 over the first 15 pixels,
// 0 … -14 over the last 15, 0 in the dead zone between and outside.
std::int32_t JoystickOffset(std::int32_t v);

// The zoom bar's range: the eye's distance from the scene in tenths.
inline constexpr int kZoomMin = 30;
inline constexpr int kZoomMax = 150;
inline constexpr int kDefaultZoom = 90;

// The items of the view list, in order.
inline constexpr const char* kViewNames[6] = {"Back", "Left", "Front", "Right", "Top", "Bottom"};
inline constexpr int kFrontView = 2;
// The scene's turn for a preset (0 … 5); for "Top" and "Bottom" with a machine of depth
// `machineDepth` (its bounding box's z extent) the scene is also lifted by (3 + depth) / 2.
Matrix ViewPresetMatrix(int index, std::optional<float> machineDepth);

// The onion skin: how many frames before and after the current one show as ghosts.
inline constexpr int kOnionMinFrames = 1;
inline constexpr int kOnionMaxFrames = 5;
inline constexpr int kOnionDefaultFrames = 1;

// One ghost of the onion skin: a frame (0-based), whether it comes after the current frame, and how far
// it lies from it.
struct OnionGhost {
  std::int32_t frame = 0;
  bool later = false;
  int distance = 1;
};
// The ghosts around frame `current` of a trick of `frameCount` frames, `before` frames back and `after`
// ahead (clamped to 1 … 5), only frames the trick has: in drawing order, the nearest first and at one
// distance the earlier frame first. Each is drawn behind those before it, so where ghosts overlap the
// nearest one shows.
std::vector<OnionGhost> OnionGhosts(std::int32_t current, std::int32_t frameCount, int before, int after);
// A ghost's opacity (0 … 255): the nearest most opaque, fading with each frame further away.
std::uint8_t OnionAlpha(int distance);
// A ghost's tint as a device colour (0xRRGGBB): blue for earlier frames, orange for later ones.
std::uint32_t OnionTint(bool later);

// Where the view looks from, kept between runs: the scene's turn and the eye's sideways and upward
// shift (its distance is the zoom's).
struct Camera {
  Matrix scene = IdentityMatrix();
  float eyeX = 0;
  float eyeY = 3;
};
// Twenty-two numbers as text, enough digits to come back exactly; nothing when the text does not
// hold exactly that many finite numbers.
std::string CameraText(const Camera& camera);
std::optional<Camera> ParseCamera(std::string_view text);

// The eye that shows a sphere whole, looking along +z with the vertical field of view `fovY` at the
// view's width ÷ height `aspect`: in line with its centre, back by the distance at which the sphere
// fits the narrower angle, and the zoom bar's position for that (in its range).
struct Framing {
  float eyeX = 0;
  float eyeY = 0;
  int zoom = kDefaultZoom;
};
Framing FrameSphere(Vector3 centre, float radius, float fovY, float aspect);

// The playback timer's interval for a frame rate: 1000 ÷ rate, rounded (halves to even).
int FrameTimerInterval(int framesPerSecond);

// "640x480": the numbers before and after the first "x".
struct Resolution {
  std::int32_t width = 0;
  std::int32_t height = 0;
};
std::optional<Resolution> ParseResolution(std::string_view text);

}  // namespace dravo

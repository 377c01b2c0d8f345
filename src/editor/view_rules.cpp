#include "editor/view_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "core/text.h"

namespace dravo {

std::int32_t JoystickOffset(std::int32_t v) {
  if (v >= 0 && v <= 14) return 14 - v;
  if (v >= 27 && v <= 41) return 27 - v;
  return 0;
}

std::vector<OnionGhost> OnionGhosts(std::int32_t current, std::int32_t frameCount, int before, int after) {
  before = std::clamp(before, kOnionMinFrames, kOnionMaxFrames);
  after = std::clamp(after, kOnionMinFrames, kOnionMaxFrames);
  std::vector<OnionGhost> ghosts;
  if (current < 0 || current >= frameCount) return ghosts;
  for (int d = 1; d <= std::max(before, after); ++d) {
    if (d <= before && current - d >= 0) ghosts.push_back({current - d, false, d});
    if (d <= after && current + d < frameCount) ghosts.push_back({current + d, true, d});
  }
  return ghosts;
}

std::uint8_t OnionAlpha(int distance) {
  // Half opaque next to the frame, then seven tenths of that per frame further: 128, 90, 63, 44, 31.
  double alpha = 128;
  for (int d = 1; d < distance; ++d)
    alpha *= 0.7;
  return static_cast<std::uint8_t>(std::clamp(std::lround(alpha), 1L, 255L));
}

std::uint32_t OnionTint(bool later) {
  return later ? 0xFF9A30u : 0x4C8CFFu;
}

Matrix ViewPresetMatrix(int index, std::optional<float> machineDepth) {
  Matrix m = IdentityMatrix();
  if (index >= 0 && index <= 3) {
    D3DXMatrixRotationY(&m, static_cast<float>(index) * kPi / 2);
  } else if (index == 4 || index == 5) {
    D3DXMatrixRotationX(&m, (static_cast<float>(index - 3) + 0.5f) * kPi);
    if (machineDepth) m = m * MatrixTranslation(0, (3 + *machineDepth) / 2, 0);
  }
  return m;
}

std::string CameraText(const Camera& camera) {
  std::string text;
  char number[32];
  const auto add = [&](float v) {
    // Nine significant digits bring a float back bit for bit.
    std::snprintf(number, sizeof number, "%.9g", static_cast<double>(v));
    if (!text.empty()) text += ' ';
    text += number;
  };
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      add(camera.scene[r][c]);
  add(camera.eyeX);
  add(camera.eyeY);
  return text;
}

std::optional<Camera> ParseCamera(std::string_view text) {
  float values[18];
  std::size_t count = 0;
  const char* p = text.data();
  const char* end = p + text.size();
  while (p != end) {
    if (*p == ' ') {
      ++p;
      continue;
    }
    if (count == 18) return std::nullopt;
    float v = 0;
    const auto [next, error] = std::from_chars(p, end, v);
    if (error != std::errc() || !std::isfinite(v)) return std::nullopt;
    values[count++] = v;
    p = next;
  }
  if (count != 18) return std::nullopt;
  Camera camera;
  for (int i = 0; i < 16; ++i)
    camera.scene[i / 4][i % 4] = values[i];
  camera.eyeX = values[16];
  camera.eyeY = values[17];
  return camera;
}

Framing FrameSphere(Vector3 centre, float radius, float fovY, float aspect) {
  // The narrower of the two angles decides: a tall view shows less across than up.
  float half = fovY / 2;
  if (aspect > 0 && aspect < 1) half = std::atan(std::tan(half) * aspect);
  const float distance = radius / std::sin(half);
  Framing f;
  f.eyeX = centre.x;
  f.eyeY = centre.y;
  const float eyeZ = centre.z - distance;
  f.zoom = std::clamp(static_cast<int>(std::lround(-eyeZ * 10)), kZoomMin, kZoomMax);
  return f;
}

int FrameTimerInterval(int framesPerSecond) {
  if (framesPerSecond < 1) framesPerSecond = 1;
  if (framesPerSecond > 100) framesPerSecond = 100;
  return static_cast<int>(std::nearbyint(1000.0 / framesPerSecond));
}

std::optional<Resolution> ParseResolution(std::string_view text) {
  const std::size_t x = text.find('x');
  if (x == std::string_view::npos) return std::nullopt;
  const auto digits = [](std::string_view s) {
    if (s.empty() || s.size() > 9) return false;
    for (char c : s)
      if (c < '0' || c > '9') return false;
    return true;
  };
  const std::string_view w = text.substr(0, x);
  const std::string_view h = text.substr(x + 1);
  if (!digits(w) || !digits(h)) return std::nullopt;
  return Resolution{std::stoi(std::string(w)), std::stoi(std::string(h))};
}

}  // namespace dravo

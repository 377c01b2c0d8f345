#include "editor/view_rules.h"

#include <cmath>
#include <string>

#include "core/text.h"

namespace dravo {

std::int32_t JoystickOffset(std::int32_t v) {
  if (v >= 0 && v <= 14) return 14 - v;
  if (v >= 27 && v <= 41) return 27 - v;
  return 0;
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

#pragma once

// How a motion file's keys are encoded: rotation layouts and the packed key values.

#include <cstdint>

#include "core/maths.h"

namespace dravo {

// Where the values of one rotation key sit. A key starts with 4 bytes we never touch,
// then the angle and the three axis values, 8-bit or 16-bit each; axis-order keys keep
// z before y and carry 4 more bytes after the values.
struct RotationKeyLayout {
  int size = 8;        // bytes of one key
  int valueBytes = 1;  // 1 (narrow) or 2 (wide)
  int angleAt = 4;
  int xAt = 5;
  int yAt = 6;
  int zAt = 7;
};

constexpr RotationKeyLayout RotationLayout(bool wide, bool axisOrder) {
  const int w = wide ? 2 : 1;
  RotationKeyLayout l;
  l.size = (wide ? 12 : 8) + (axisOrder ? 4 : 0);
  l.valueBytes = w;
  l.angleAt = 4;
  l.xAt = 4 + w;
  l.yAt = axisOrder ? 4 + 3 * w : 4 + 2 * w;
  l.zAt = axisOrder ? 4 + 2 * w : 4 + 3 * w;
  return l;
}

constexpr int kPositionKeySize = 16;

// What a rotation key says: an axis (as stored, not necessarily of unit length) and an
// angle in radians.
struct AxisAngle {
  Vector3 axis;
  float angle = 0;
};

// Rounds value × scale to the nearest integer, halves to even, clamped to ±limit. NaN
// encodes as 0 so a broken pose can never make the conversion undefined.
std::int32_t EncodeKeyValue(double value, double scale, std::int32_t limit);

// Reads the angle and axis of the key starting at `key` (layout.size bytes).
AxisAngle DecodeRotationKey(const std::uint8_t* key, const RotationKeyLayout& layout);
// Writes the angle and axis values of the key starting at `key`. The leading 4 bytes keep
// their content. The 4 bytes after the values of an axis-order key are cleared when its values
// are 8-bit, as the game writes them; after 16-bit values they are kept as they were.
void EncodeRotationKey(std::uint8_t* key, const RotationKeyLayout& layout, const AxisAngle& value);

}  // namespace dravo

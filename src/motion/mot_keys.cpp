#include "motion/mot_keys.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "core/byte_io.h"

namespace dravo {

namespace {

constexpr double kWideAngle = 2047.0;
constexpr double kNarrowAngle = 127.0;
constexpr double kWideAxis = 32767.0;
constexpr double kNarrowAxis = 127.0;

std::int32_t LoadValue(const std::uint8_t* p, int valueBytes) {
  return valueBytes == 2 ? LoadI16(p) : static_cast<std::int8_t>(p[0]);
}

void StoreValue(std::uint8_t* p, int valueBytes, std::int32_t v) {
  if (valueBytes == 2) {
    StoreI16(p, static_cast<std::int16_t>(v));
  } else {
    p[0] = static_cast<std::uint8_t>(static_cast<std::int8_t>(v));
  }
}

}  // namespace

std::int32_t EncodeKeyValue(double value, double scale, std::int32_t limit) {
  double v = value * scale;
  if (std::isnan(v)) return 0;
  // Clamping first keeps infinities and huge values out of the conversion.
  if (v > limit) v = limit;
  if (v < -limit) v = -limit;
  auto r = static_cast<std::int32_t>(std::floor(v));
  const double fraction = v - r;
  if (fraction > 0.5 || (fraction == 0.5 && r % 2 != 0)) ++r;
  return r;
}

AxisAngle DecodeRotationKey(const std::uint8_t* key, const RotationKeyLayout& layout) {
  const bool wide = layout.valueBytes == 2;
  const double angleScale = wide ? kWideAngle : kNarrowAngle;
  const double axisScale = wide ? kWideAxis : kNarrowAxis;
  const int w = layout.valueBytes;
  AxisAngle r;
  r.angle = static_cast<float>(LoadValue(key + layout.angleAt, w) * std::numbers::pi / angleScale);
  r.axis.x = static_cast<float>(LoadValue(key + layout.xAt, w) / axisScale);
  r.axis.y = static_cast<float>(LoadValue(key + layout.yAt, w) / axisScale);
  r.axis.z = static_cast<float>(LoadValue(key + layout.zAt, w) / axisScale);
  return r;
}

void EncodeRotationKey(std::uint8_t* key, const RotationKeyLayout& layout, const AxisAngle& value) {
  const bool wide = layout.valueBytes == 2;
  const double angleScale = (wide ? kWideAngle : kNarrowAngle) / std::numbers::pi;
  const double axisScale = wide ? kWideAxis : kNarrowAxis;
  const std::int32_t angleLimit = wide ? 2047 : 127;
  const std::int32_t axisLimit = wide ? 32767 : 127;
  const int w = layout.valueBytes;
  StoreValue(key + layout.angleAt, w, EncodeKeyValue(value.angle, angleScale, angleLimit));
  StoreValue(key + layout.xAt, w, EncodeKeyValue(value.axis.x, axisScale, axisLimit));
  StoreValue(key + layout.yAt, w, EncodeKeyValue(value.axis.y, axisScale, axisLimit));
  StoreValue(key + layout.zAt, w, EncodeKeyValue(value.axis.z, axisScale, axisLimit));
  const int valuesEnd = layout.angleAt + 4 * w;
  if (!wide && layout.size > valuesEnd)
    std::memset(key + valuesEnd, 0, static_cast<std::size_t>(layout.size - valuesEnd));
}

}  // namespace dravo

#include "formats/bitmap.h"

#include <bit>
#include <stdexcept>
#include <string>

namespace dravo {

MaskChannel MaskChannel::of(std::uint32_t mask) {
  if (mask == 0) return {};
  const int shift = std::countr_zero(mask);
  const std::uint32_t run = mask >> shift;
  if ((run & (run + 1)) != 0) return {};  // not one run of bits
  return {shift, std::popcount(run)};
}

std::uint8_t MaskChannel::extract(std::uint32_t value) const {
  if (bits == 0) return 0;
  const std::uint32_t v = (value >> shift) & ((std::uint64_t(1) << bits) - 1);
  if (bits >= 8) return static_cast<std::uint8_t>(v >> (bits - 8));
  // Repeat the bits so that the channel's full level becomes 255 and zero stays zero.
  std::uint32_t wide = 0;
  int filled = 0;
  while (filled < 8) {
    wide = (wide << bits) | v;
    filled += bits;
  }
  return static_cast<std::uint8_t>(wide >> (filled - 8));
}

std::uint32_t MaskChannel::pack(std::uint8_t level) const {
  if (bits == 0) return 0;
  const std::uint32_t v = bits >= 8 ? std::uint32_t(level) << (bits - 8) : std::uint32_t(level) >> (8 - bits);
  return v << shift;
}

bool MasksFit(const ColourMasks& m, int bitsPerPixel) {
  const std::uint64_t limit = (std::uint64_t(1) << bitsPerPixel) - 1;
  std::uint32_t seen = 0;
  for (std::uint32_t mask : {m.red, m.green, m.blue, m.alpha}) {
    if (mask > limit || (mask & seen) != 0) return false;
    seen |= mask;
  }
  for (std::uint32_t mask : {m.red, m.green, m.blue})
    if (MaskChannel::of(mask).bits == 0) return false;
  return m.alpha == 0 || MaskChannel::of(m.alpha).bits != 0;
}

Bitmap::Bitmap(int width, int height, int bitsPerPixel)
    : Bitmap(width, height, bitsPerPixel, ColourMasks{}) {}

Bitmap::Bitmap(int width, int height, int bitsPerPixel, const ColourMasks& masks) {
  if (bitsPerPixel != 15 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32)
    throw std::invalid_argument("a bitmap has 15, 16, 24 or 32 bits per pixel, not " +
                                std::to_string(bitsPerPixel));
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
    throw std::invalid_argument("bitmap size " + std::to_string(width) + " x " + std::to_string(height) +
                                " is out of range");
  const bool hasMasks = masks != ColourMasks{};
  if (hasMasks && (bitsPerPixel == 15 || bitsPerPixel == 24 || !MasksFit(masks, bitsPerPixel)))
    throw std::invalid_argument("colour masks do not fit a " + std::to_string(bitsPerPixel) + "-bit bitmap");
  m_width = width;
  m_height = height;
  m_bitsPerPixel = bitsPerPixel;
  m_bytesPerLine = (width * bytesPerPixel() + 3) & ~3;
  m_hasMasks = hasMasks;
  m_masks = masks;
  m_bits.assign(std::size_t(m_bytesPerLine) * std::size_t(height), 0);
}

Bitmap Bitmap::fromRgba(int width, int height, std::span<const std::uint8_t> rgba) {
  Bitmap bitmap(width, height, 32);
  if (rgba.size() != std::size_t(width) * std::size_t(height) * 4)
    throw std::invalid_argument("RGBA data does not match the bitmap size");
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = rgba.data() + std::size_t(y) * std::size_t(width) * 4;
    std::uint8_t* out = bitmap.scanLine(y);
    for (int x = 0; x < width; ++x, in += 4, out += 4) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
      out[3] = in[3];
    }
  }
  return bitmap;
}

ColourMasks Bitmap::effectiveMasks() const {
  if (m_hasMasks) return m_masks;
  switch (m_bitsPerPixel) {
    case 15:
    case 16:
      return kMasks555;
    case 24:
      return {0xFF0000, 0x00FF00, 0x0000FF, 0};
    case 32:
      return kMasks8888;
    default:
      return {};
  }
}

namespace {
void CheckInside(const Bitmap& b, int x, int y) {
  if (x < 0 || y < 0 || x >= b.width() || y >= b.height())
    throw std::out_of_range("pixel " + std::to_string(x) + "," + std::to_string(y) +
                            " is outside the bitmap");
}
}  // namespace

std::uint32_t Bitmap::pixel(int x, int y) const {
  CheckInside(*this, x, y);
  const std::uint8_t* p = scanLine(y) + std::size_t(x) * bytesPerPixel();
  std::uint32_t v = 0;
  for (int i = bytesPerPixel() - 1; i >= 0; --i)
    v = (v << 8) | p[i];
  return v;
}

void Bitmap::setPixel(int x, int y, std::uint32_t value) {
  CheckInside(*this, x, y);
  std::uint8_t* p = scanLine(y) + std::size_t(x) * bytesPerPixel();
  for (int i = 0; i < bytesPerPixel(); ++i, value >>= 8)
    p[i] = static_cast<std::uint8_t>(value);
}

Rgba8 Bitmap::colour(int x, int y) const {
  const ColourMasks m = effectiveMasks();
  const std::uint32_t v = pixel(x, y);
  Rgba8 c{MaskChannel::of(m.red).extract(v), MaskChannel::of(m.green).extract(v),
          MaskChannel::of(m.blue).extract(v), 255};
  if (m.alpha != 0) c.a = MaskChannel::of(m.alpha).extract(v);
  return c;
}

void Bitmap::setColour(int x, int y, Rgba8 c) {
  const ColourMasks m = effectiveMasks();
  setPixel(x, y,
           MaskChannel::of(m.red).pack(c.r) | MaskChannel::of(m.green).pack(c.g) |
               MaskChannel::of(m.blue).pack(c.b) | MaskChannel::of(m.alpha).pack(c.a));
}

void Bitmap::changeDepthTo32() {
  if (empty() || (m_bitsPerPixel == 32 && (!m_hasMasks || m_masks == kMasks8888))) return;
  const ColourMasks m = effectiveMasks();
  const MaskChannel r = MaskChannel::of(m.red), g = MaskChannel::of(m.green), b = MaskChannel::of(m.blue),
                    a = MaskChannel::of(m.alpha);
  Bitmap wide(m_width, m_height, 32);
  const int step = bytesPerPixel();
  for (int y = 0; y < m_height; ++y) {
    const std::uint8_t* in = scanLine(y);
    std::uint8_t* out = wide.scanLine(y);
    for (int x = 0; x < m_width; ++x, in += step, out += 4) {
      std::uint32_t v = 0;
      for (int i = step - 1; i >= 0; --i)
        v = (v << 8) | in[i];
      out[0] = b.extract(v);
      out[1] = g.extract(v);
      out[2] = r.extract(v);
      out[3] = a.extract(v);  // 0 without an alpha channel
    }
  }
  *this = std::move(wide);
}

DibSection Bitmap::dibSection() const {
  DibSection d;
  d.width = m_width;
  d.height = m_height;
  d.bitsPerPixel = m_bitsPerPixel;
  d.bytesPerLine = m_bytesPerLine;
  d.hasMasks = m_hasMasks;
  d.masks = m_masks;
  return d;
}

std::vector<std::uint8_t> Bitmap::toRgba() const {
  const ColourMasks m = effectiveMasks();
  const MaskChannel r = MaskChannel::of(m.red), g = MaskChannel::of(m.green), b = MaskChannel::of(m.blue),
                    a = MaskChannel::of(m.alpha);
  std::vector<std::uint8_t> rgba(std::size_t(m_width) * std::size_t(m_height) * 4);
  std::uint8_t* out = rgba.data();
  const int step = bytesPerPixel();
  for (int y = 0; y < m_height; ++y) {
    const std::uint8_t* in = scanLine(y);
    for (int x = 0; x < m_width; ++x, in += step, out += 4) {
      std::uint32_t v = 0;
      for (int i = step - 1; i >= 0; --i)
        v = (v << 8) | in[i];
      out[0] = r.extract(v);
      out[1] = g.extract(v);
      out[2] = b.extract(v);
      out[3] = m.alpha != 0 ? a.extract(v) : 255;
    }
  }
  return rgba;
}

}  // namespace dravo

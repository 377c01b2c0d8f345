#pragma once

// An in-memory picture with its pixel format, the common ground of every image file format.

#include <cstdint>
#include <span>
#include <vector>

namespace dravo {

// Channel masks of a BI_BITFIELDS bitmap. A zero alpha mask means the layout has no alpha.
struct ColourMasks {
  std::uint32_t red = 0;
  std::uint32_t green = 0;
  std::uint32_t blue = 0;
  std::uint32_t alpha = 0;
  friend bool operator==(const ColourMasks&, const ColourMasks&) = default;
};

// The 16-bit layouts the texture code knows by their masks.
inline constexpr ColourMasks kMasks555{0x7C00, 0x03E0, 0x001F, 0};
inline constexpr ColourMasks kMasks1555{0x7C00, 0x03E0, 0x001F, 0x8000};
inline constexpr ColourMasks kMasks565{0xF800, 0x07E0, 0x001F, 0};
inline constexpr ColourMasks kMasks4444{0x0F00, 0x00F0, 0x000F, 0xF000};
// The 32-bit layout every 32-bit bitmap ends up in: blue, green, red, alpha bytes.
inline constexpr ColourMasks kMasks8888{0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};

// True when the masks can describe a 16- or 32-bit pixel: each is one run of bits inside the pixel,
// none overlaps another, and only alpha may be empty.
bool MasksFit(const ColourMasks& masks, int bitsPerPixel);

struct Rgba8 {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  std::uint8_t a = 255;
  friend bool operator==(const Rgba8&, const Rgba8&) = default;
};

// A picture's width and height as its file's header states them, before any pixel is read:
// whatever the header says, however absurd.
struct ImageSize {
  std::int64_t width = 0;
  std::int64_t height = 0;
};

// What the platform hands out for a bitmap's DIBSECTION: the numbers the texture code reads.
struct DibSection {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  int bytesPerLine = 0;
  bool hasMasks = false;  // BI_BITFIELDS
  ColourMasks masks;      // all zero without masks
};

// A device-independent bitmap: top-down rows, 15, 16, 24 or 32 bits per pixel, each row padded
// to a multiple of 4 bytes as DIB scan lines are. Pixels are little-endian values of 2, 3 or 4
// bytes. Without masks a 15/16-bit pixel is X1R5G5B5, a 24-bit one blue, green, red bytes and a
// 32-bit one blue, green, red, alpha bytes; with masks the masks say where each channel lives.
class Bitmap {
 public:
  // Largest width and height the constructor allows and the readers accept when asked to;
  // image files read for the program are held to far less (kMaxImageSide).
  static constexpr int kMaxSide = 16384;

  Bitmap() = default;
  // A zero-filled bitmap. Throws std::invalid_argument for a depth other than 15, 16, 24 or 32,
  // a side below 1 or above kMaxSide, or masks on a 15- or 24-bit bitmap.
  Bitmap(int width, int height, int bitsPerPixel);
  Bitmap(int width, int height, int bitsPerPixel, const ColourMasks& masks);

  // A 32-bit bitmap from rows of red, green, blue, alpha bytes (width × 4 per row, no padding).
  static Bitmap fromRgba(int width, int height, std::span<const std::uint8_t> rgba);

  bool empty() const { return m_width == 0 || m_height == 0; }
  int width() const { return m_width; }
  int height() const { return m_height; }
  int bitsPerPixel() const { return m_bitsPerPixel; }
  int bytesPerPixel() const { return (m_bitsPerPixel + 7) / 8; }
  int bytesPerLine() const { return m_bytesPerLine; }
  bool hasMasks() const { return m_hasMasks; }
  const ColourMasks& masks() const { return m_masks; }
  // The masks that describe the pixels, also when the bitmap carries none (the defaults above).
  ColourMasks effectiveMasks() const;
  bool hasAlpha() const { return effectiveMasks().alpha != 0; }

  std::uint8_t* scanLine(int y) { return m_bits.data() + std::size_t(y) * std::size_t(m_bytesPerLine); }
  const std::uint8_t* scanLine(int y) const {
    return m_bits.data() + std::size_t(y) * std::size_t(m_bytesPerLine);
  }
  std::span<std::uint8_t> bits() { return m_bits; }
  std::span<const std::uint8_t> bits() const { return m_bits; }

  // Raw pixel values; x and y are checked (std::out_of_range).
  std::uint32_t pixel(int x, int y) const;
  void setPixel(int x, int y, std::uint32_t value);
  // The pixel as 8-bit channels (narrow channels widened by repeating their bits); alpha is 255
  // when the layout has none.
  Rgba8 colour(int x, int y) const;
  void setColour(int x, int y, Rgba8 colour);

  // What setting the pixel format to 32 bits does on the platform: the pixels are redrawn into a
  // plain 32-bit layout. Layouts without alpha get a top byte of 0 (the caller fills in opacity);
  // layouts with alpha keep it, widened to 8 bits. A plain 32-bit bitmap is left as it is.
  void changeDepthTo32();

  DibSection dibSection() const;

  // Every pixel as red, green, blue, alpha bytes, rows top-down without padding.
  std::vector<std::uint8_t> toRgba() const;

 private:
  int m_width = 0;
  int m_height = 0;
  int m_bitsPerPixel = 0;
  int m_bytesPerLine = 0;
  bool m_hasMasks = false;
  ColourMasks m_masks;
  std::vector<std::uint8_t> m_bits;
};

// One channel of a mask: where it starts and how many bits it has. A mask that is zero or not
// one run of bits has no channel (bits 0).
struct MaskChannel {
  int shift = 0;
  int bits = 0;
  static MaskChannel of(std::uint32_t mask);
  // The channel of `value` widened (or narrowed) to 8 bits; 0 when the channel is empty.
  std::uint8_t extract(std::uint32_t value) const;
  // An 8-bit level packed into the channel.
  std::uint32_t pack(std::uint8_t level) const;
};

}  // namespace dravo

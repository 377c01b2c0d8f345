#include "formats/bmp_file.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "core/byte_io.h"
#include "core/file_io.h"
#include "formats/image_common.h"

namespace dravo {

namespace {

using image_detail::CheckSides;

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiJpeg = 4;
constexpr std::uint32_t kBiPng = 5;
constexpr std::uint32_t kBiAlphaBitfields = 6;

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kV4HeaderSize = 108;
constexpr std::uint32_t kV5HeaderSize = 124;
constexpr std::uint32_t kFileHeaderSize = 14;

struct Header {
  std::int64_t width = 0;
  std::int64_t height = 0;  // positive; topDown says the order
  bool topDown = false;
  int bitCount = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t colourCount = 0;
  std::uint32_t offset = 0;  // of the pixels, from the start of the file
  ColourMasks masks;
  int paletteEntryBytes = 4;
};

std::string CompressionName(std::uint32_t c) {
  switch (c) {
    case kBiRle8:
      return "RLE8";
    case kBiRle4:
      return "RLE4";
    case kBiJpeg:
      return "JPEG";
    case kBiPng:
      return "PNG";
    default:
      return "type " + std::to_string(c);
  }
}

Header ReadHeader(ByteReader& r, const std::string& name) {
  if (r.size() < 2 || r.u8() != 'B' || r.u8() != 'M') throw ImageFileError(name, "not a BMP file");
  r.skip(4 + 4);  // file size (often wrong in the wild) and reserved words
  Header h;
  h.offset = r.u32();
  const std::uint32_t headerSize = r.u32();
  if (headerSize == kCoreHeaderSize) {
    h.width = r.u16();
    h.height = r.u16();
    r.skip(2);  // planes
    h.bitCount = r.u16();
    h.paletteEntryBytes = 3;
    if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 24)
      throw ImageFileError(name, "a BMP picture of " + std::to_string(h.bitCount) + " bits is not supported");
    return h;
  }
  // Info header and its later versions (V2/V3 as written by some tools, V4, V5).
  if (headerSize != kInfoHeaderSize && headerSize != 52 && headerSize != 56 && headerSize != kV4HeaderSize &&
      headerSize != kV5HeaderSize)
    throw ImageFileError(name, "a BMP header of " + std::to_string(headerSize) + " bytes is not supported");
  const std::size_t headerStart = r.position() - 4;
  h.width = r.i32();
  const std::int32_t height = r.i32();
  h.topDown = height < 0;
  h.height = height < 0 ? -std::int64_t(height) : std::int64_t(height);
  r.skip(2);  // planes
  h.bitCount = r.u16();
  h.compression = r.u32();
  r.skip(4 + 4 + 4);  // image size, resolution
  h.colourCount = r.u32();
  r.skip(4);  // important colours
  const bool bitfields = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
  if (bitfields) {
    // The masks sit inside the larger headers and right after the plain info header.
    h.masks.red = r.u32();
    h.masks.green = r.u32();
    h.masks.blue = r.u32();
    if (h.compression == kBiAlphaBitfields || headerSize >= 56) h.masks.alpha = r.u32();
  }
  if (headerSize > kInfoHeaderSize) r.seek(headerStart + headerSize);

  if (h.compression != kBiRgb && !bitfields)
    throw ImageFileError(
        name, "compressed BMP pictures (" + CompressionName(h.compression) + ") are not supported");
  if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 16 && h.bitCount != 24 &&
      h.bitCount != 32)
    throw ImageFileError(name, "a BMP picture of " + std::to_string(h.bitCount) + " bits is not supported");
  if (bitfields && h.bitCount != 16 && h.bitCount != 32)
    throw ImageFileError(name, "colour masks on a " + std::to_string(h.bitCount) + "-bit BMP picture");
  if (bitfields && !MasksFit(h.masks, h.bitCount))
    throw ImageFileError(name, "the BMP colour masks are not usable");
  return h;
}

// Draws pixels of any mask layout onto a plain 24- or 32-bit bitmap.
void Redraw(const Header& h, const std::uint8_t* rows, std::int64_t stride, Bitmap& out) {
  const MaskChannel r = MaskChannel::of(h.masks.red), g = MaskChannel::of(h.masks.green),
                    b = MaskChannel::of(h.masks.blue), a = MaskChannel::of(h.masks.alpha);
  const int inBytes = h.bitCount / 8;
  for (int y = 0; y < out.height(); ++y) {
    const std::uint8_t* in = rows + y * stride;
    std::uint8_t* o = out.scanLine(y);
    for (int x = 0; x < out.width(); ++x, in += inBytes, o += out.bytesPerPixel()) {
      const std::uint32_t v = inBytes == 2 ? LoadU16(in) : LoadU32(in);
      o[0] = b.extract(v);
      o[1] = g.extract(v);
      o[2] = r.extract(v);
      if (out.bytesPerPixel() == 4) o[3] = h.masks.alpha != 0 ? a.extract(v) : 255;
    }
  }
}

Bitmap DecodeBmp(std::span<const std::uint8_t> bytes, const std::string& name, int maxSide) {
  ByteReader r(bytes);
  const Header h = ReadHeader(r, name);
  CheckSides(h.width, h.height, maxSide, name);
  const int width = static_cast<int>(h.width);
  const int height = static_cast<int>(h.height);

  std::vector<Rgba8> palette;
  if (h.bitCount <= 8) {
    const std::uint32_t most = 1u << h.bitCount;
    std::uint32_t count = h.colourCount == 0 || h.colourCount > most ? most : h.colourCount;
    // The core header has no colour count; its palette fills the room before the pixels.
    if (h.paletteEntryBytes == 3 && h.offset > r.position())
      count = std::min<std::uint32_t>(most, std::uint32_t((h.offset - r.position()) / 3));
    if (!r.fits(count, h.paletteEntryBytes)) throw ImageFileError(name, "the BMP palette is truncated");
    for (std::uint32_t i = 0; i < count; ++i) {
      const auto e = r.bytes(h.paletteEntryBytes);
      palette.push_back({e[2], e[1], e[0], 255});
    }
  }

  const std::uint32_t offset = h.offset;
  const std::int64_t stride = ((h.width * h.bitCount + 31) / 32) * 4;
  // The last row's padding may be missing; its pixels may not.
  const std::int64_t needed = stride * (h.height - 1) + (h.width * h.bitCount + 7) / 8;
  if (offset < r.position() || offset > bytes.size() || std::int64_t(bytes.size() - offset) < needed)
    throw ImageFileError(name, offset < r.position() || offset > bytes.size()
                                   ? "the BMP pixel data offset " + std::to_string(offset) + " is wrong"
                                   : std::string("the BMP pixel data is truncated"));

  // Rows in top-down order, whatever the file's order.
  const std::uint8_t* first = bytes.data() + offset;
  auto row = [&](int y) { return first + (h.topDown ? y : height - 1 - y) * stride; };

  const bool bitfields = h.compression != kBiRgb;
  if (h.bitCount <= 8) {
    Bitmap bitmap(width, height, 24);
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* in = row(y);
      std::uint8_t* out = bitmap.scanLine(y);
      for (int x = 0; x < width; ++x, out += 3) {
        const int bit = x * h.bitCount;
        const int index = (in[bit / 8] >> (8 - h.bitCount - bit % 8)) & ((1 << h.bitCount) - 1);
        if (index >= int(palette.size()))
          throw ImageFileError(name, "a pixel refers to colour " + std::to_string(index) +
                                         ", which is not in the BMP palette");
        out[0] = palette[index].b;
        out[1] = palette[index].g;
        out[2] = palette[index].r;
      }
    }
    return bitmap;
  }

  ColourMasks keep;  // the 16-bit layout kept as it stands, if any
  bool keepLayout = !bitfields;
  if (h.bitCount == 16 && bitfields) {
    for (const ColourMasks& known : {kMasks555, kMasks1555, kMasks565, kMasks4444})
      if (h.masks == known) {
        keep = known;
        keepLayout = true;
      }
  } else if (h.bitCount == 32 && bitfields) {
    keepLayout = h.masks.red == kMasks8888.red && h.masks.green == kMasks8888.green &&
                 h.masks.blue == kMasks8888.blue && (h.masks.alpha == 0 || h.masks.alpha == kMasks8888.alpha);
  } else if (h.bitCount == 24) {
    keepLayout = true;
  }

  if (!keepLayout) {
    Bitmap bitmap(width, height, h.bitCount == 32 || h.masks.alpha != 0 ? 32 : 24);
    Redraw(h, row(0), h.topDown ? stride : -stride, bitmap);
    return bitmap;
  }
  Bitmap bitmap(width, height, h.bitCount, keep);
  const std::size_t rowBytes = std::size_t(width) * bitmap.bytesPerPixel();
  for (int y = 0; y < height; ++y)
    std::copy(row(y), row(y) + rowBytes, bitmap.scanLine(y));
  if (h.bitCount == 16 && (keep == ColourMasks{} || keep == kMasks555)) {
    // The spare top bit of 5-5-5 pixels means nothing; keep it clear as the platform's bitmaps have it.
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        bitmap.scanLine(y)[x * 2 + 1] &= 0x7F;
  }
  if (h.bitCount == 32) {
    if (!bitfields)
      image_detail::OpaqueIfAlphaAllZero(bitmap);
    else if (h.masks.alpha == 0)
      image_detail::SetOpaque(bitmap);
  }
  return bitmap;
}

void WriteV4Tail(ByteWriter& w, const ColourMasks& m) {
  w.u32(m.red);
  w.u32(m.green);
  w.u32(m.blue);
  w.u32(m.alpha);
  w.u32(0x73524742);  // 'sRGB' colour space
  w.zeros(36 + 12);   // end points and gamma, unused with sRGB
}

}  // namespace

Bitmap ReadBmp(std::span<const std::uint8_t> bytes, const std::string& name, int maxSide) {
  try {
    return DecodeBmp(bytes, name, maxSide);
  } catch (const FormatError& e) {
    throw ImageFileError(name, std::string("the BMP file is truncated (") + e.what() + ")");
  }
}

ImageSize ReadBmpSize(std::span<const std::uint8_t> bytes, const std::string& name) {
  try {
    ByteReader r(bytes);
    const Header h = ReadHeader(r, name);
    return {h.width, h.height};
  } catch (const FormatError& e) {
    throw ImageFileError(name, std::string("the BMP file is truncated (") + e.what() + ")");
  }
}

std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap, const BmpWriteOptions& options) {
  if (bitmap.empty()) throw std::invalid_argument("cannot write an empty bitmap");
  BmpHeader header = options.header;
  ColourMasks masks = bitmap.masks();
  bool bitfields = bitmap.hasMasks();
  if (bitmap.bitsPerPixel() == 32 && header != BmpHeader::Info) {
    bitfields = true;
    if (!bitmap.hasMasks()) masks = kMasks8888;
  }
  if (masks.alpha != 0 && header == BmpHeader::Info) header = BmpHeader::V5;

  const std::uint32_t headerSize = header == BmpHeader::Info ? kInfoHeaderSize
                                   : header == BmpHeader::V4 ? kV4HeaderSize
                                                             : kV5HeaderSize;
  const std::uint32_t maskBytes = bitfields && header == BmpHeader::Info ? 12 : 0;
  const std::uint32_t offset = kFileHeaderSize + headerSize + maskBytes;
  const int bitCount = bitmap.bitsPerPixel() == 15 ? 16 : bitmap.bitsPerPixel();
  const std::uint32_t imageSize = std::uint32_t(bitmap.bytesPerLine()) * std::uint32_t(bitmap.height());

  ByteWriter w;
  w.u8('B');
  w.u8('M');
  w.u32(offset + imageSize);
  w.u32(0);
  w.u32(offset);
  w.u32(headerSize);
  w.i32(bitmap.width());
  w.i32(options.topDown ? -bitmap.height() : bitmap.height());
  w.u16(1);
  w.u16(static_cast<std::uint16_t>(bitCount));
  w.u32(bitfields ? kBiBitfields : kBiRgb);
  w.u32(imageSize);
  w.i32(2835);  // 72 dots per inch
  w.i32(2835);
  w.u32(0);
  w.u32(0);
  if (header == BmpHeader::Info) {
    if (bitfields) {
      w.u32(masks.red);
      w.u32(masks.green);
      w.u32(masks.blue);
    }
  } else {
    WriteV4Tail(w, masks);
    if (header == BmpHeader::V5) {
      w.u32(4);  // picture rendering intent
      w.u32(0);  // no profile
      w.u32(0);
      w.u32(0);
    }
  }
  for (int row = 0; row < bitmap.height(); ++row) {
    const int y = options.topDown ? row : bitmap.height() - 1 - row;
    w.bytes({bitmap.scanLine(y), std::size_t(bitmap.bytesPerLine())});
  }
  return w.release();
}

void WriteBmp(const std::filesystem::path& path, const Bitmap& bitmap, const BmpWriteOptions& options) {
  WriteFileAtomic(path, EncodeBmp(bitmap, options));
}

}  // namespace dravo

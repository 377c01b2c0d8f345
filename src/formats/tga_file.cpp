#include "formats/tga_file.h"

#include <array>
#include <stdexcept>

#include "core/byte_io.h"
#include "core/file_io.h"
#include "formats/image_common.h"

namespace dravo {

namespace {

using image_detail::CheckSides;

enum TgaType : std::uint8_t {
  kColourMapped = 1,
  kTrueColour = 2,
  kGrey = 3,
  kColourMappedRle = 9,
  kTrueColourRle = 10,
  kGreyRle = 11,
};

constexpr std::uint8_t kTopLeftOrigin = 0x20;
constexpr std::uint8_t kRightToLeft = 0x10;

Rgba8 ColourOf(const std::uint8_t* p, int depth) {
  switch (depth) {
    case 15:
    case 16: {
      const std::uint16_t v = LoadU16(p);
      const MaskChannel r = MaskChannel::of(0x7C00), g = MaskChannel::of(0x03E0), b = MaskChannel::of(0x001F);
      return {r.extract(v), g.extract(v), b.extract(v), std::uint8_t((v & 0x8000) ? 255 : 0)};
    }
    case 24:
      return {p[2], p[1], p[0], 255};
    default:
      return {p[2], p[1], p[0], p[3]};
  }
}

// The pixels in file order (rows as stored, each pixel `pixelBytes` wide).
std::vector<std::uint8_t> ReadPixels(ByteReader& r, bool rle, std::size_t count, int pixelBytes,
                                     const std::string& name) {
  std::vector<std::uint8_t> out;
  if (!rle) {
    if (!r.fits(count, pixelBytes)) throw ImageFileError(name, "the pixel data is truncated");
    const auto data = r.bytes(count * pixelBytes);
    out.assign(data.begin(), data.end());
    return out;
  }
  // Every packet takes at least a header and one pixel and gives at most 128 pixels, so a file
  // too short for the picture is known before the pixels are allocated.
  const std::uint64_t packets = (count + 127) / 128;
  if (!r.fits(packets, std::uint64_t(pixelBytes) + 1))
    throw ImageFileError(name, "the pixel data is truncated");
  out.resize(count * pixelBytes);
  std::size_t done = 0;
  while (done < count) {
    const std::uint8_t header = r.u8();
    const std::size_t n = (header & 0x7F) + 1u;
    if (n > count - done) throw ImageFileError(name, "a run-length packet runs past the end of the image");
    std::uint8_t* dst = out.data() + done * pixelBytes;
    if (header & 0x80) {
      const auto px = r.bytes(pixelBytes);
      for (std::size_t i = 0; i < n; ++i)
        std::copy(px.begin(), px.end(), dst + i * pixelBytes);
    } else {
      const auto run = r.bytes(n * pixelBytes);
      std::copy(run.begin(), run.end(), dst);
    }
    done += n;
  }
  return out;
}

struct TgaHeader {
  std::uint8_t idLength = 0;
  std::uint8_t mapType = 0;
  std::uint8_t type = 0;
  std::uint16_t mapFirst = 0;
  std::uint16_t mapLength = 0;
  std::uint8_t mapDepth = 0;
  int width = 0;
  int height = 0;
  int depth = 0;
  std::uint8_t descriptor = 0;
  bool rle = false;
  int kind = 0;  // the type without run-length coding
};

// The 18 bytes before the image identification, checked for a picture this reader can decode.
TgaHeader ReadHeader(ByteReader& r, const std::string& name) {
  TgaHeader h;
  h.idLength = r.u8();
  h.mapType = r.u8();
  h.type = r.u8();
  h.mapFirst = r.u16();
  h.mapLength = r.u16();
  h.mapDepth = r.u8();
  r.skip(4);  // x and y origin: where to place the picture on a screen, not its row order
  h.width = r.u16();
  h.height = r.u16();
  h.depth = r.u8();
  h.descriptor = r.u8();

  h.rle = h.type == kColourMappedRle || h.type == kTrueColourRle || h.type == kGreyRle;
  h.kind = h.rle ? h.type - 8 : h.type;
  if (h.type == 0) throw ImageFileError(name, "the Targa file holds no picture");
  if (h.kind != kColourMapped && h.kind != kTrueColour && h.kind != kGrey)
    throw ImageFileError(name, "Targa image type " + std::to_string(h.type) + " is not supported");
  if (h.mapType > 1) throw ImageFileError(name, "unknown Targa colour map type " + std::to_string(h.mapType));
  if (h.kind == kColourMapped && h.mapType != 1)
    throw ImageFileError(name, "the colour-mapped picture has no colour map");
  return h;
}

Bitmap DecodeTga(std::span<const std::uint8_t> bytes, const std::string& name, int maxSide) {
  ByteReader r(bytes);
  const TgaHeader h = ReadHeader(r, name);
  const std::uint8_t idLength = h.idLength;
  const std::uint8_t mapType = h.mapType;
  const std::uint16_t mapFirst = h.mapFirst;
  const std::uint16_t mapLength = h.mapLength;
  const std::uint8_t mapDepth = h.mapDepth;
  const int width = h.width;
  const int height = h.height;
  const int depth = h.depth;
  const std::uint8_t descriptor = h.descriptor;
  const bool rle = h.rle;
  const int kind = h.kind;
  CheckSides(width, height, maxSide, name);

  if (kind == kTrueColour && depth != 15 && depth != 16 && depth != 24 && depth != 32)
    throw ImageFileError(
        name, "a true-colour Targa picture of " + std::to_string(depth) + " bits is not supported");
  if ((kind == kGrey || kind == kColourMapped) && depth != 8)
    throw ImageFileError(name, "a " + std::string(kind == kGrey ? "grey" : "colour-mapped") +
                                   " Targa picture of " + std::to_string(depth) + " bits is not supported");

  if (!r.fits(idLength)) throw ImageFileError(name, "the file is truncated in its image identification");
  r.skip(idLength);

  std::vector<Rgba8> map;
  if (mapType == 1) {
    if (mapDepth != 15 && mapDepth != 16 && mapDepth != 24 && mapDepth != 32)
      throw ImageFileError(name,
                           "a colour map of " + std::to_string(mapDepth) + "-bit entries is not supported");
    const int entryBytes = (mapDepth + 7) / 8;
    if (!r.fits(mapLength, entryBytes)) throw ImageFileError(name, "the colour map is truncated");
    const auto entries = r.bytes(std::size_t(mapLength) * entryBytes);
    if (kind == kColourMapped) {
      map.reserve(mapLength);
      for (std::size_t i = 0; i < mapLength; ++i)
        map.push_back(ColourOf(entries.data() + i * entryBytes, mapDepth));
    }
  }

  const int pixelBytes = (depth + 7) / 8;
  const std::size_t count = std::size_t(width) * std::size_t(height);
  const std::vector<std::uint8_t> pixels = ReadPixels(r, rle, count, pixelBytes, name);

  const int alphaBits = descriptor & 0x0F;
  const bool mapHasAlpha = mapDepth == 32 && alphaBits > 0;
  int outDepth = 24;
  ColourMasks masks;
  if (kind == kTrueColour) {
    outDepth = depth;
    if (depth == 16 && alphaBits > 0) masks = kMasks1555;
  } else if (kind == kColourMapped && mapHasAlpha) {
    outDepth = 32;
  }
  Bitmap bitmap(width, height, outDepth, masks);
  const int outBytes = bitmap.bytesPerPixel();

  for (int row = 0; row < height; ++row) {
    const int y = (descriptor & kTopLeftOrigin) ? row : height - 1 - row;
    const std::uint8_t* in = pixels.data() + std::size_t(row) * width * pixelBytes;
    std::uint8_t* line = bitmap.scanLine(y);
    for (int col = 0; col < width; ++col, in += pixelBytes) {
      const int x = (descriptor & kRightToLeft) ? width - 1 - col : col;
      std::uint8_t* out = line + std::size_t(x) * outBytes;
      if (kind == kTrueColour) {
        std::copy(in, in + pixelBytes, out);
        // Without an alpha bit the top bit means nothing; keep it clear as a 5-5-5 bitmap has it.
        if (pixelBytes == 2 && masks.alpha == 0) out[1] &= 0x7F;
      } else {
        Rgba8 c{in[0], in[0], in[0], 255};
        if (kind == kColourMapped) {
          const int index = in[0] - int(mapFirst);
          if (index < 0 || index >= int(map.size()))
            throw ImageFileError(name, "a pixel refers to colour " + std::to_string(in[0]) +
                                           ", which is not in the colour map");
          c = map[index];
        }
        out[0] = c.b;
        out[1] = c.g;
        out[2] = c.r;
        if (outBytes == 4) out[3] = c.a;
      }
    }
  }
  if (kind == kTrueColour && depth == 32 && alphaBits == 0) image_detail::OpaqueIfAlphaAllZero(bitmap);
  return bitmap;
}

void AppendRow(ByteWriter& w, const std::uint8_t* row, int width, int pixelBytes, bool rle) {
  if (!rle) {
    w.bytes({row, std::size_t(width) * pixelBytes});
    return;
  }
  auto same = [&](int a, int b) {
    return std::equal(row + a * pixelBytes, row + (a + 1) * pixelBytes, row + b * pixelBytes);
  };
  int x = 0;
  while (x < width) {
    int run = 1;
    while (x + run < width && run < 128 && same(x, x + run))
      ++run;
    if (run > 1) {
      w.u8(static_cast<std::uint8_t>(0x80 | (run - 1)));
      w.bytes({row + x * pixelBytes, std::size_t(pixelBytes)});
      x += run;
      continue;
    }
    // A raw packet up to the next pair of equal pixels.
    int raw = 1;
    while (x + raw < width && raw < 128 && !(x + raw + 1 < width && same(x + raw, x + raw + 1)))
      ++raw;
    w.u8(static_cast<std::uint8_t>(raw - 1));
    w.bytes({row + x * pixelBytes, std::size_t(raw) * pixelBytes});
    x += raw;
  }
}

}  // namespace

Bitmap ReadTga(std::span<const std::uint8_t> bytes, const std::string& name, int maxSide) {
  try {
    return DecodeTga(bytes, name, maxSide);
  } catch (const FormatError& e) {
    throw ImageFileError(name, std::string("the Targa file is truncated (") + e.what() + ")");
  }
}

ImageSize ReadTgaSize(std::span<const std::uint8_t> bytes, const std::string& name) {
  try {
    ByteReader r(bytes);
    const TgaHeader h = ReadHeader(r, name);
    return {h.width, h.height};
  } catch (const FormatError& e) {
    throw ImageFileError(name, std::string("the Targa file is truncated (") + e.what() + ")");
  }
}

std::vector<std::uint8_t> EncodeTga(const Bitmap& source, const TgaWriteOptions& options) {
  if (source.empty()) throw std::invalid_argument("cannot write an empty bitmap");
  const Bitmap* bitmap = &source;
  Bitmap plain;
  int depth = source.bitsPerPixel();
  int alphaBits = 0;
  if (depth == 16 && source.hasMasks()) {
    if (source.masks() == kMasks1555)
      alphaBits = 1;
    else if (source.masks() != kMasks555)
      throw std::invalid_argument("Targa files hold 16-bit pixels only as 1-5-5-5");
  } else if (depth == 32) {
    alphaBits = 8;
    if (source.hasMasks() && source.masks() != kMasks8888) {
      plain = source;
      plain.changeDepthTo32();
      bitmap = &plain;
    }
  }

  ByteWriter w;
  w.u8(0);  // no image identification
  w.u8(0);  // no colour map
  w.u8(options.rle ? kTrueColourRle : kTrueColour);
  w.zeros(5);  // no colour map: first entry, length, entry size
  w.u16(0);    // x origin
  w.u16(0);    // y origin
  w.u16(static_cast<std::uint16_t>(bitmap->width()));
  w.u16(static_cast<std::uint16_t>(bitmap->height()));
  w.u8(static_cast<std::uint8_t>(depth));
  w.u8(static_cast<std::uint8_t>(alphaBits | (options.topDown ? kTopLeftOrigin : 0)));
  for (int row = 0; row < bitmap->height(); ++row) {
    const int y = options.topDown ? row : bitmap->height() - 1 - row;
    AppendRow(w, bitmap->scanLine(y), bitmap->width(), bitmap->bytesPerPixel(), options.rle);
  }
  return w.release();
}

void WriteTga(const std::filesystem::path& path, const Bitmap& bitmap, const TgaWriteOptions& options) {
  WriteFileAtomic(path, EncodeTga(bitmap, options));
}

}  // namespace dravo

#include "formats/dxt_file.h"

#include <algorithm>
#include <limits>

#include "core/byte_io.h"
#include "render/d3dx_surface.h"

namespace dravo {

bool IsPalettisedDxtCode(std::uint32_t code) {
  return code == kDxtCodePalette || code == kDxtCodePaletteAlt;
}

D3DFORMAT DxtCodeTextureFormat(std::uint32_t code) {
  switch (code) {
    case kDxtCodeDxt1:
    case kDxtCodeDxt1Alt:
      return D3DFMT_DXT1;
    case kDxtCodeDxt3:
      return D3DFMT_DXT3;
    case kDxtCodeDxt5Alt:
    case kDxtCodeDxt5:
      return D3DFMT_DXT5;
    case kDxtCodePalette:
    case kDxtCodePaletteAlt:
      return D3DFMT_A8R8G8B8;
    default:
      return D3DFMT_UNKNOWN;
  }
}

D3DFORMAT DxtCodeDataFormat(std::uint32_t code) {
  return IsPalettisedDxtCode(code) ? D3DFMT_P8 : DxtCodeTextureFormat(code);
}

std::uint32_t DxtCodeForFormat(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_DXT1:
      return kDxtCodeDxt1;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
      return kDxtCodeDxt5Alt;
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
      return kDxtCodeDxt5;
    default:
      return 0;
  }
}

std::uint64_t DxtLevelBytes(std::uint32_t code, std::uint32_t width, std::uint32_t height) {
  if (IsPalettisedDxtCode(code)) return std::uint64_t(width) * height;
  const std::uint64_t blocks = ((std::uint64_t(width) + 3) / 4) * ((std::uint64_t(height) + 3) / 4);
  return blocks * (DxtCodeTextureFormat(code) == D3DFMT_DXT1 ? 8 : 16);
}

namespace {

std::string Size(std::uint32_t w, std::uint32_t h) {
  return std::to_string(w) + "x" + std::to_string(h);
}

}  // namespace

DxtScan ScanDxtFile(std::span<const std::uint8_t> bytes) {
  DxtScan scan;
  DxtFileInfo& info = scan.info;
  ByteReader r(bytes);
  const auto stop = [&](DxtScan::Stop why) {
    scan.stop = why;
    scan.end = r.position();
    return scan;
  };
  if (!r.fits(kDxtHeaderBytes)) return stop(DxtScan::Stop::HeaderA);
  const std::uint32_t word0 = r.u32();
  info.code = r.u32();
  r.u32();
  if (word0 == 1) {
    info.prefix = true;
    if (!r.fits(kDxtHeaderBytes)) return stop(DxtScan::Stop::HeaderA);
    r.u32();
    info.code = r.u32();
    r.u32();
  }
  scan.headerAEnd = r.position();
  const bool palettised = IsPalettisedDxtCode(info.code);
  if (palettised) {
    if (!r.fits(kDxtPaletteBytes)) return stop(DxtScan::Stop::Palette);
    for (PALETTEENTRY& e : info.palette) {
      // The file holds blue, green, red, alpha; the device takes red, green, blue, flags.
      e.peBlue = r.u8();
      e.peGreen = r.u8();
      e.peRed = r.u8();
      e.peFlags = r.u8();
    }
  }
  if (!r.fits(kDxtHeaderBytes)) return stop(DxtScan::Stop::ImageHeader);
  info.storedLevelCount = r.u32();
  info.width = r.u32();
  info.height = r.u32();
  scan.imageHeaderEnd = r.position();
  if (!palettised && DxtCodeTextureFormat(info.code) == D3DFMT_UNKNOWN)
    return stop(DxtScan::Stop::UnknownCode);
  scan.levelCount = info.storedLevelCount;
  if (scan.levelCount == 0 && info.code == kDxtCodeDxt5Alt) scan.levelCount = 1;
  for (std::uint32_t i = 0; i < scan.levelCount; ++i) {
    if (!r.fits(kDxtHeaderBytes)) return stop(DxtScan::Stop::LevelHeaders);
    DxtLevelInfo level;
    level.width = r.u32();
    level.height = r.u32();
    level.size = r.u32();
    level.offset = r.position();
    info.levels.push_back(level);
    if (!r.fits(level.size)) {
      r.seek(r.size());
      return stop(DxtScan::Stop::LevelBytes);
    }
    r.skip(level.size);
    if (level.width == info.width && level.height == info.height) info.fullLevel = static_cast<int>(i);
  }
  return stop(DxtScan::Stop::None);
}

DxtFileInfo ParseDxtFile(std::span<const std::uint8_t> bytes) {
  DxtScan scan = ScanDxtFile(bytes);
  DxtFileInfo& info = scan.info;
  using Stop = DxtScan::Stop;
  if (scan.stop == Stop::HeaderA)
    throw DxtFileError(info.prefix ? "too short for a texture header after the prefix"
                                   : "too short for a texture header");
  if (DxtCodeTextureFormat(info.code) == D3DFMT_UNKNOWN)
    throw DxtFileError("unknown texture format code " + std::to_string(info.code));
  switch (scan.stop) {
    case Stop::Palette:
      throw DxtFileError("the palette is cut short");
    case Stop::ImageHeader:
      throw DxtFileError("the image header is cut short");
    case Stop::LevelHeaders:
      throw DxtFileError("the file is too short for its " + std::to_string(scan.levelCount) + " levels");
    case Stop::LevelBytes: {
      const DxtLevelInfo& level = info.levels.back();
      throw DxtFileError("level " + std::to_string(info.levels.size() - 1) + " (" +
                         Size(level.width, level.height) + ") runs past the end of the file");
    }
    default:
      break;
  }
  if (info.fullLevel < 0) throw DxtFileError("no level of the full size " + Size(info.width, info.height));
  return info;
}

std::vector<std::uint8_t> DecodeDxtRgba(std::span<const std::uint8_t> bytes, const DxtFileInfo& info) {
  if (info.fullLevel < 0 || static_cast<std::size_t>(info.fullLevel) >= info.levels.size())
    throw DxtFileError("no level of the full size");
  const DxtLevelInfo& level = info.levels[static_cast<std::size_t>(info.fullLevel)];
  if (level.width == 0 || level.height == 0 || level.width > 16384 || level.height > 16384)
    throw DxtFileError("the image size " + Size(level.width, level.height) + " is out of range");
  const std::uint64_t need = DxtLevelBytes(info.code, level.width, level.height);
  if (level.size < need || level.offset + level.size > bytes.size())
    throw DxtFileError("the full-size level holds " + std::to_string(level.size) + " bytes, " +
                       std::to_string(need) + " needed");
  const D3DFORMAT format = DxtCodeDataFormat(info.code);
  const UINT pitch = format == D3DFMT_P8
                         ? level.width
                         : static_cast<UINT>(((level.width + 3) / 4) * (format == D3DFMT_DXT1 ? 8u : 16u));
  std::vector<D3DCOLOR> pixels(std::size_t(level.width) * level.height);
  if (!DecodePixels(bytes.data() + level.offset, pitch, format, level.width, level.height,
                    info.palette.data(), pixels.data()))
    throw DxtFileError("the image could not be decoded");
  std::vector<std::uint8_t> rgba(pixels.size() * 4);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const D3DCOLOR c = pixels[i];
    rgba[4 * i] = static_cast<std::uint8_t>(c >> 16);
    rgba[4 * i + 1] = static_cast<std::uint8_t>(c >> 8);
    rgba[4 * i + 2] = static_cast<std::uint8_t>(c);
    rgba[4 * i + 3] = static_cast<std::uint8_t>(c >> 24);
  }
  return rgba;
}

std::vector<std::uint8_t> WriteDxtFile(const DxtFileLayout& layout) {
  ByteWriter w;
  if (layout.prefix) {
    w.u32(1);
    w.u32(0);
    w.u32(0);
  }
  w.u32(layout.word0);
  w.u32(layout.code);
  w.u32(layout.word2);
  if (IsPalettisedDxtCode(layout.code)) {
    for (const PALETTEENTRY& e : layout.palette) {
      w.u8(e.peBlue);
      w.u8(e.peGreen);
      w.u8(e.peRed);
      w.u8(e.peFlags);
    }
  }
  w.u32(layout.levelCount < 0 ? static_cast<std::uint32_t>(layout.levels.size())
                              : static_cast<std::uint32_t>(layout.levelCount));
  w.u32(layout.width);
  w.u32(layout.height);
  for (const DxtLevelData& level : layout.levels) {
    w.u32(level.width);
    w.u32(level.height);
    w.u32(static_cast<std::uint32_t>(level.bytes.size()));
    w.bytes(level.bytes);
  }
  return w.release();
}

void Dxt3AlphaToDxt5(std::uint8_t* block) {
  int alpha[16];
  for (int i = 0; i < 16; ++i) {
    const int nibble = (block[i / 2] >> (4 * (i % 2))) & 0xF;
    alpha[i] = nibble * 17;
  }
  // Two candidate palettes: eight steps between the extremes, or six steps between the extremes that are
  // not 0 or 255 with exact 0 and 255 beside them. The one with the smaller error wins.
  struct Choice {
    int a0 = 0, a1 = 0;
    int codes[16] = {};
    long error = 0;
  };
  auto fit = [&](int a0, int a1) {
    int palette[8];
    palette[0] = a0;
    palette[1] = a1;
    if (a0 > a1) {
      for (int k = 1; k <= 6; ++k)
        palette[k + 1] = ((7 - k) * a0 + k * a1) / 7;
    } else {
      for (int k = 1; k <= 4; ++k)
        palette[k + 1] = ((5 - k) * a0 + k * a1) / 5;
      palette[6] = 0;
      palette[7] = 255;
    }
    Choice c;
    c.a0 = a0;
    c.a1 = a1;
    for (int i = 0; i < 16; ++i) {
      int best = 0;
      int bestError = std::numeric_limits<int>::max();
      for (int k = 0; k < 8; ++k) {
        const int d = (palette[k] - alpha[i]) * (palette[k] - alpha[i]);
        if (d < bestError) {
          bestError = d;
          best = k;
        }
      }
      c.codes[i] = best;
      c.error += bestError;
    }
    return c;
  };
  const int lo = *std::min_element(alpha, alpha + 16);
  const int hi = *std::max_element(alpha, alpha + 16);
  Choice best = fit(hi, lo);
  int innerLo = 255, innerHi = 0;
  for (int a : alpha) {
    if (a == 0 || a == 255) continue;
    innerLo = std::min(innerLo, a);
    innerHi = std::max(innerHi, a);
  }
  if (innerLo > innerHi) innerLo = innerHi = 0;
  const Choice six = fit(innerLo, innerHi);
  if (six.error < best.error) best = six;

  block[0] = static_cast<std::uint8_t>(best.a0);
  block[1] = static_cast<std::uint8_t>(best.a1);
  std::uint64_t bits = 0;
  for (int i = 0; i < 16; ++i)
    bits |= std::uint64_t(best.codes[i]) << (3 * i);
  for (int b = 0; b < 6; ++b)
    block[2 + b] = static_cast<std::uint8_t>(bits >> (8 * b));
}

}  // namespace dravo

#pragma once

// Windows BMP files: reading (checked) and writing.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "formats/bitmap.h"

namespace dravo {

// Reads a Windows bitmap file (core, info, V4 and V5 headers; bottom-up or top-down rows).
// 16-bit pictures keep their layout: plain ones are 5-5-5, BI_BITFIELDS ones keep 5-5-5, 1-5-5-5,
// 5-6-5 or 4-4-4-4 masks. 24-bit pictures stay 24-bit. 32-bit pictures become blue, green, red,
// alpha bytes; without an alpha mask they are opaque (a plain 32-bit file whose spare bytes are
// not all zero keeps them as alpha). Palette pictures and 16-bit layouts of other masks are
// redrawn as 24-bit (32-bit when they have an alpha mask). Run-length and embedded JPEG/PNG
// pictures are refused. Throws ImageFileError for anything damaged, unsupported or larger than
// `maxSide`.
Bitmap ReadBmp(std::span<const std::uint8_t> bytes, const std::string& name, int maxSide = Bitmap::kMaxSide);

// The picture's size from the headers alone, no pixel read (the height without its sign); throws
// ImageFileError when the headers are cut short or describe a picture ReadBmp does not read.
ImageSize ReadBmpSize(std::span<const std::uint8_t> bytes, const std::string& name);

enum class BmpHeader { Info, V4, V5 };

struct BmpWriteOptions {
  BmpHeader header = BmpHeader::Info;
  bool topDown = false;  // negative height; the default is the classic bottom-up order
};

// 15/16-bit bitmaps without masks are written as plain 16-bit, those with masks as BI_BITFIELDS;
// 24-bit as they are; 32-bit plain with an info header, with 8-8-8-8 BI_BITFIELDS masks otherwise.
// A layout with an alpha mask needs a V4 or V5 header and gets a V5 one when Info was asked for.
std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap, const BmpWriteOptions& options = {});
void WriteBmp(const std::filesystem::path& path, const Bitmap& bitmap, const BmpWriteOptions& options = {});

}  // namespace dravo

#pragma once

// Targa files: reading (checked) and writing.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "formats/bitmap.h"

namespace dravo {

// Reads a Targa image: true-colour (types 2 and 10), grey (3 and 11) and colour-mapped (1 and 9),
// uncompressed or run-length encoded, either origin. True-colour pixels keep their depth: 15-bit
// and 16-bit ones stay 5-5-5 (16-bit with an alpha bit get 1-5-5-5 masks), 24 and 32 stay as they
// are; grey and colour-mapped pictures become 24-bit (32-bit when the map has alpha). A 32-bit
// picture that declares no alpha and has only zero alpha bytes is made opaque. `name` goes into
// the error. Throws ImageFileError for anything damaged, unsupported or larger than `maxSide`.
Bitmap ReadTga(std::span<const std::uint8_t> bytes, const std::string& name, int maxSide = Bitmap::kMaxSide);

// The picture's size from the header alone, no pixel read; throws ImageFileError when the header
// is cut short or describes a picture ReadTga does not read.
ImageSize ReadTgaSize(std::span<const std::uint8_t> bytes, const std::string& name);

struct TgaWriteOptions {
  bool rle = false;      // type 10 with run-length packets (never crossing a row)
  bool topDown = false;  // top-left origin; the default is the classic bottom-left
};

// Writes 15-bit, 16-bit (5-5-5, or 1-5-5-5 masks as alpha), 24-bit and 32-bit bitmaps. Other
// 16-bit layouts throw std::invalid_argument; 32-bit ones with other masks are written as 8-8-8-8.
std::vector<std::uint8_t> EncodeTga(const Bitmap& bitmap, const TgaWriteOptions& options = {});
void WriteTga(const std::filesystem::path& path, const Bitmap& bitmap, const TgaWriteOptions& options = {});

}  // namespace dravo

#pragma once

// PNG files through libpng: reading (checked) and writing.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "formats/bitmap.h"

namespace dravo {

// Reads a PNG file through libpng: pictures with alpha (an alpha channel or a transparent palette
// colour) become 32-bit bitmaps, all others 24-bit. Throws ImageFileError for a damaged file or
// one larger than `maxSide`.
Bitmap ReadPng(std::span<const std::uint8_t> bytes, const std::string& name, int maxSide = Bitmap::kMaxSide);

// The picture's size from the PNG header alone, nothing decoded; throws ImageFileError when the
// file does not start as a PNG file does.
ImageSize ReadPngSize(std::span<const std::uint8_t> bytes, const std::string& name);

// How EncodePng stores the picture: as it is, without alpha, as grey levels (weighted mean of red,
// green and blue) or with a palette of its colours (at most 256, else std::invalid_argument).
enum class PngColour { Rgba, Rgb, Grey, Palette };

// `rgba` holds rows of red, green, blue, alpha bytes, width × 4 per row, top row first.
std::vector<std::uint8_t> EncodePng(int width, int height, std::span<const std::uint8_t> rgba,
                                    PngColour colour = PngColour::Rgba);
inline std::vector<std::uint8_t> EncodePngRgba(int width, int height, std::span<const std::uint8_t> rgba) {
  return EncodePng(width, height, rgba, PngColour::Rgba);
}
// Saves a rendered picture; the file is replaced only once it is complete.
void WritePngRgba(const std::filesystem::path& path, int width, int height,
                  std::span<const std::uint8_t> rgba);

}  // namespace dravo

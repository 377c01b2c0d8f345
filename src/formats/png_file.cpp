#include "formats/png_file.h"

#include <png.h>

#include <algorithm>
#include <map>
#include <stdexcept>

#include "core/byte_io.h"
#include "core/file_io.h"
#include "formats/image_common.h"

namespace dravo {

namespace {

// Frees libpng's state however the read or write ends.
class PngImage {
 public:
  PngImage() { m_image.version = PNG_IMAGE_VERSION; }
  ~PngImage() { png_image_free(&m_image); }
  PngImage(const PngImage&) = delete;
  PngImage& operator=(const PngImage&) = delete;
  png_image* operator->() { return &m_image; }
  png_image* get() { return &m_image; }

 private:
  png_image m_image{};
};

}  // namespace

Bitmap ReadPng(std::span<const std::uint8_t> bytes, const std::string& name, int maxSide) {
  PngImage image;
  if (bytes.empty() || !png_image_begin_read_from_memory(image.get(), bytes.data(), bytes.size()))
    throw ImageFileError(name, std::string("not a readable PNG file (") +
                                   (bytes.empty() ? "it is empty" : image->message) + ")");
  image_detail::CheckSides(image->width, image->height, maxSide, name);
  const bool alpha = (image->format & PNG_FORMAT_FLAG_ALPHA) != 0;
  image->format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
  Bitmap bitmap(static_cast<int>(image->width), static_cast<int>(image->height), alpha ? 32 : 24);
  // One component is one byte here, so the stride in components is the bitmap's padded row.
  if (!png_image_finish_read(image.get(), nullptr, bitmap.bits().data(), bitmap.bytesPerLine(), nullptr))
    throw ImageFileError(name, std::string("the PNG file is damaged (") + image->message + ")");
  return bitmap;
}

ImageSize ReadPngSize(std::span<const std::uint8_t> bytes, const std::string& name) {
  // The signature, then the IHDR chunk: its length (13), its type, width and height, big-endian.
  static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  static constexpr std::uint8_t kHeaderChunk[8] = {0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  const auto bigEndian = [&](std::size_t at) {
    return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 |
           std::uint32_t(bytes[at + 2]) << 8 | std::uint32_t(bytes[at + 3]);
  };
  if (bytes.empty()) throw ImageFileError(name, "not a readable PNG file (it is empty)");
  if (bytes.size() < 8 || !std::equal(kSignature, kSignature + 8, bytes.begin()))
    throw ImageFileError(name, "not a readable PNG file (no PNG signature)");
  if (bytes.size() < 24 || !std::equal(kHeaderChunk, kHeaderChunk + 8, bytes.begin() + 8))
    throw ImageFileError(name, "not a readable PNG file (no image header)");
  return {bigEndian(16), bigEndian(20)};
}

std::vector<std::uint8_t> EncodePng(int width, int height, std::span<const std::uint8_t> rgba,
                                    PngColour colour) {
  if (width < 1 || height < 1 || width > Bitmap::kMaxSide || height > Bitmap::kMaxSide)
    throw std::invalid_argument("PNG size out of range");
  const std::size_t pixels = std::size_t(width) * std::size_t(height);
  if (rgba.size() != pixels * 4) throw std::invalid_argument("RGBA data does not match the PNG size");

  PngImage image;
  image->width = static_cast<png_uint_32>(width);
  image->height = static_cast<png_uint_32>(height);
  std::vector<std::uint8_t> buffer;
  std::vector<std::uint8_t> colormap;
  const void* data = rgba.data();
  switch (colour) {
    case PngColour::Rgba:
      image->format = PNG_FORMAT_RGBA;
      break;
    case PngColour::Rgb:
      image->format = PNG_FORMAT_RGB;
      buffer.reserve(pixels * 3);
      for (std::size_t i = 0; i < pixels; ++i)
        buffer.insert(buffer.end(), &rgba[i * 4], &rgba[i * 4] + 3);
      data = buffer.data();
      break;
    case PngColour::Grey:
      image->format = PNG_FORMAT_GRAY;
      buffer.resize(pixels);
      for (std::size_t i = 0; i < pixels; ++i)
        buffer[i] =
            static_cast<std::uint8_t>((77 * rgba[i * 4] + 150 * rgba[i * 4 + 1] + 29 * rgba[i * 4 + 2]) >> 8);
      data = buffer.data();
      break;
    case PngColour::Palette: {
      image->format = PNG_FORMAT_RGBA_COLORMAP;
      std::map<std::uint32_t, std::uint8_t> index;
      buffer.resize(pixels);
      for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint32_t key = LoadU32(&rgba[i * 4]);
        auto [it, added] = index.try_emplace(key, static_cast<std::uint8_t>(index.size()));
        if (added) {
          if (index.size() > 256) throw std::invalid_argument("more than 256 colours for a PNG palette");
          colormap.insert(colormap.end(), &rgba[i * 4], &rgba[i * 4] + 4);
        }
        buffer[i] = it->second;
      }
      image->colormap_entries = static_cast<png_uint_32>(index.size());
      data = buffer.data();
      break;
    }
  }

  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(image.get(), nullptr, &size, 0, data, 0, colormap.data()))
    throw std::runtime_error(std::string("PNG encoding failed: ") + image->message);
  std::vector<std::uint8_t> png(size);
  if (!png_image_write_to_memory(image.get(), png.data(), &size, 0, data, 0, colormap.data()))
    throw std::runtime_error(std::string("PNG encoding failed: ") + image->message);
  png.resize(size);
  return png;
}

void WritePngRgba(const std::filesystem::path& path, int width, int height,
                  std::span<const std::uint8_t> rgba) {
  WriteFileAtomic(path, EncodePng(width, height, rgba, PngColour::Rgba));
}

}  // namespace dravo

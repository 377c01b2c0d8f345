#include "formats/image_file.h"

#include <algorithm>
#include <climits>

#include "core/file_io.h"
#include "core/text.h"

namespace dravo {

const std::vector<ImageFormatInfo>& ImageFormats() {
  static const std::vector<ImageFormatInfo> formats{
      {ImageFormat::Targa, "Targa image", {".tga", ".vda", ".icb", ".vst"}},
      {ImageFormat::Bmp, "Bitmap image", {".bmp", ".dib"}},
      {ImageFormat::Png, "PNG image", {".png"}},
  };
  return formats;
}

std::optional<ImageFormat> ImageFormatForPath(const std::filesystem::path& path) {
  const std::string ext = LowerAZ(ExtractFileExt(path.filename().string()));
  for (const ImageFormatInfo& info : ImageFormats())
    for (const std::string& known : info.extensions)
      if (ext == known) return info.format;
  return std::nullopt;
}

namespace {
std::string Patterns(const std::vector<std::string>& extensions) {
  std::string text;
  for (const std::string& ext : extensions)
    text += (text.empty() ? "*" : " *") + ext;
  return text;
}
}  // namespace

std::vector<std::string> ImageDialogFilters() {
  std::vector<std::string> all;
  std::vector<std::string> filters{""};
  for (const ImageFormatInfo& info : ImageFormats()) {
    all.insert(all.end(), info.extensions.begin(), info.extensions.end());
    filters.push_back(info.description + " (" + Patterns(info.extensions) + ")");
  }
  filters.front() = "All images (" + Patterns(all) + ")";
  return filters;
}

std::string ImageDialogFilter() {
  std::string text;
  for (const std::string& filter : ImageDialogFilters())
    text += (text.empty() ? "" : ";;") + filter;
  return text;
}

ImageSize ReadImageSize(std::span<const std::uint8_t> bytes, ImageFormat format, const std::string& name) {
  switch (format) {
    case ImageFormat::Targa:
      return ReadTgaSize(bytes, name);
    case ImageFormat::Bmp:
      return ReadBmpSize(bytes, name);
    case ImageFormat::Png:
      return ReadPngSize(bytes, name);
  }
  throw ImageFileError(name, "unknown image format");
}

Bitmap ReadImage(std::span<const std::uint8_t> bytes, ImageFormat format, const std::string& name,
                 int maxSide) {
  switch (format) {
    case ImageFormat::Targa:
      return ReadTga(bytes, name, maxSide);
    case ImageFormat::Bmp:
      return ReadBmp(bytes, name, maxSide);
    case ImageFormat::Png:
      return ReadPng(bytes, name, maxSide);
  }
  throw ImageFileError(name, "unknown image format");
}

namespace {
int ClampToInt(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}
}  // namespace

ImageFile::ImageFile(const std::filesystem::path& path) : m_path(path), m_name(path.string()) {
  const std::optional<ImageFormat> format = ImageFormatForPath(path);
  if (!format) {
    std::string known;
    for (const ImageFormatInfo& info : ImageFormats())
      for (const std::string& ext : info.extensions)
        known += (known.empty() ? "" : " ") + ext;
    throw ImageFileError(m_name, "not an image file this program reads (" + known + ")");
  }
  m_format = *format;
  // Every header the readers read lies in the first few hundred bytes; the rest of a file that
  // describes a picture nobody can use is never read.
  constexpr std::uint64_t kHeaderBytes = 4096;
  const ImageSize size = ReadImageSize(ReadFileRange(path, 0, kHeaderBytes), m_format, m_name);
  m_width = ClampToInt(size.width);
  m_height = ClampToInt(size.height);
}

Bitmap ImageFile::decode() const {
  // The readers check the header again, on the bytes they decode, before they allocate.
  return ReadImage(ReadWholeFile(m_path), m_format, m_name, kMaxImageSide);
}

Bitmap LoadImageFile(const std::filesystem::path& path) {
  return ImageFile(path).decode();
}

}  // namespace dravo

#include "formats/image_file.h"

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

Bitmap ReadImage(std::span<const std::uint8_t> bytes, ImageFormat format, const std::string& name) {
  switch (format) {
    case ImageFormat::Targa:
      return ReadTga(bytes, name);
    case ImageFormat::Bmp:
      return ReadBmp(bytes, name);
    case ImageFormat::Png:
      return ReadPng(bytes, name);
  }
  throw ImageFileError(name, "unknown image format");
}

Bitmap LoadImageFile(const std::filesystem::path& path) {
  const std::string name = path.string();
  const std::optional<ImageFormat> format = ImageFormatForPath(path);
  if (!format) {
    std::string known;
    for (const ImageFormatInfo& info : ImageFormats())
      for (const std::string& ext : info.extensions)
        known += (known.empty() ? "" : " ") + ext;
    throw ImageFileError(name, "not an image file this program reads (" + known + ")");
  }
  return ReadImage(ReadWholeFile(path), *format, name);
}

}  // namespace dravo

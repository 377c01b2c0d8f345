#pragma once

// Image files by format (BMP, PNG, TGA, DXT): which exist, reading and writing by file name.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/bitmap.h"
#include "formats/bmp_file.h"
#include "formats/image_error.h"
#include "formats/png_file.h"
#include "formats/tga_file.h"

namespace dravo {

enum class ImageFormat { Targa, Bmp, Png };

struct ImageFormatInfo {
  ImageFormat format;
  std::string description;              // "Targa image"
  std::vector<std::string> extensions;  // lower case, with the dot: ".tga"
};

// Every format the image readers read, in the order the open dialog lists them.
const std::vector<ImageFormatInfo>& ImageFormats();
// The reader for a file name's extension, compared without regard to case.
std::optional<ImageFormat> ImageFormatForPath(const std::filesystem::path& path);

// The open dialog's filters: one entry covering every format, then one per format, each as
// "Description (*.ext1 *.ext2)".
std::vector<std::string> ImageDialogFilters();
// The same joined with ";;", as Qt's file dialogs take them.
std::string ImageDialogFilter();

// The largest picture the program reads from an image file, a side. A skin becomes a texture of
// at most 1024 × 1024 (TextureSizeAllowed), so no larger picture can be used; a header that
// claims more is refused before its pixels cost any time or memory.
inline constexpr int kMaxImageSide = 1024;

// The picture's size from its header alone; throws ImageFileError as the reader would for a
// damaged or unsupported header.
ImageSize ReadImageSize(std::span<const std::uint8_t> bytes, ImageFormat format, const std::string& name);

// Reads an image held in memory with the given reader, at most `maxSide` a side; `name` goes
// into the error.
Bitmap ReadImage(std::span<const std::uint8_t> bytes, ImageFormat format, const std::string& name,
                 int maxSide = kMaxImageSide);

// An image file read in two steps: its header first, the whole file and its pixels only when
// asked for, so a caller can refuse the picture by its size before paying for it.
class ImageFile {
 public:
  // Reads the file's header, choosing the reader by extension. Throws FileError
  // ("Cannot open file ...") when the file cannot be read and ImageFileError when it is not a
  // picture the readers accept (including an unknown extension).
  explicit ImageFile(const std::filesystem::path& path);

  const std::string& name() const { return m_name; }
  // As the header states them, held inside the range of int.
  int width() const { return m_width; }
  int height() const { return m_height; }

  // Reads the whole file and its pixels into a bitmap of the file's own depth; throws FileError
  // when the file cannot be read, ImageFileError for damaged pixels and for a picture of more
  // than kMaxImageSide a side.
  Bitmap decode() const;

 private:
  std::filesystem::path m_path;
  std::string m_name;
  ImageFormat m_format = ImageFormat::Png;
  int m_width = 0;
  int m_height = 0;
};

// ImageFile(path).decode(): a picture of the file's own depth, at most kMaxImageSide a side.
Bitmap LoadImageFile(const std::filesystem::path& path);

}  // namespace dravo

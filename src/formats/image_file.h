#pragma once

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

// Reads an image held in memory with the given reader; `name` goes into the error.
Bitmap ReadImage(std::span<const std::uint8_t> bytes, ImageFormat format, const std::string& name);

// Reads an image file into a bitmap of the file's own depth, choosing the reader by extension.
// Throws FileError ("Cannot open file ...") when the file cannot be read and ImageFileError when
// it is not a picture the readers accept (including an unknown extension).
Bitmap LoadImageFile(const std::filesystem::path& path);

}  // namespace dravo

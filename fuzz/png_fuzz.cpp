#include <cstddef>
#include <cstdint>

#include "formats/image_error.h"
#include "formats/png_file.h"
#include "image_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    dravo::Bitmap bitmap = dravo::ReadPng({data, size}, "fuzz.png", dravo::fuzz::kFuzzMaxSide);
    dravo::fuzz::UsePicture(bitmap);
  } catch (const dravo::ImageFileError&) {
    // refused cleanly
  }
  return 0;
}

#include <cstddef>
#include <cstdint>

#include "formats/image_error.h"
#include "formats/tga_file.h"
#include "image_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    dravo::Bitmap bitmap = dravo::ReadTga({data, size}, "fuzz.tga", dravo::fuzz::kFuzzMaxSide);
    dravo::fuzz::UsePicture(bitmap);
  } catch (const dravo::ImageFileError&) {
    // refused cleanly
  }
  return 0;
}

#include <cstddef>
#include <cstdint>

#include "formats/bmp_file.h"
#include "formats/image_error.h"
#include "image_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    dravo::Bitmap bitmap = dravo::ReadBmp({data, size}, "fuzz.bmp", dravo::fuzz::kFuzzMaxSide);
    dravo::fuzz::UsePicture(bitmap);
  } catch (const dravo::ImageFileError&) {
    // refused cleanly
  }
  return 0;
}

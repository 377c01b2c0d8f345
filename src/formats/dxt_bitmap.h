#pragma once

// Pictures as textures: the size rules, mip level counts and the pixel format a bitmap is in.

#include <cstdint>

#include "formats/bitmap.h"

namespace dravo {

// 1 + how often n can be halved before it is 1 or less: 1 -> 1, 2 -> 2, 255 -> 8, 256 -> 9.
int MipLevelCount(int n);

// Whether a picture may become a texture: width and height each a power of two from 1 to 1024.
bool TextureSizeAllowed(int width, int height);
inline constexpr const char* kTextureSizeMessage =
    "This texture is the wrong size, it must be an even number of pixels in Height and Width and can be no "
    "larger than 2048";
inline constexpr const char* kTextureSizeCaption = "Texture size error";

// Works out the texture format a bitmap's pixels are in (fmtcode numbers), whether it has a
// transparency key (pink pixels in 15/16/24-bit pictures, its own alpha in 32-bit and 4444 ones),
// the mask a 16-bit key pixel matches and the bitmap's bits per pixel. False for a missing or
// empty bitmap or one of a depth that cannot become a texture.
bool AnalyseBitmap(const Bitmap* bitmap, bool& hasKey, std::uint32_t& format, std::uint32_t& keyMask,
                   int& bitsPerPixel);

// Makes pink pixels transparent and all others opaque: 15/16-bit X1R5G5B5 pixels get bit 15 set
// unless they are 0x7C1F; a 24-bit bitmap becomes 32-bit with alpha 255 except on magenta. Other
// depths are left alone. `bitsPerPixel` 0 means "ask AnalyseBitmap". False for a missing or
// empty bitmap, a depth that does not match the bitmap, or a 16-bit layout other than 5-5-5.
bool ApplyColourKey(Bitmap* bitmap, int bitsPerPixel);

}  // namespace dravo

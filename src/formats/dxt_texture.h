#pragma once

// Between bitmaps, device textures and ".dxt" files: how a replacement skin becomes a block-compressed
// texture and how a texture is written back as a file.

#include <cstdint>
#include <memory>

#include "core/memory_stream.h"
#include "formats/bitmap.h"
#include "render/d3d8.h"

namespace dravo {

// Makes a texture of the bitmap's size in `destinationFormat` from a bitmap whose pixels are in
// `sourceFormat` (21 to 26, as AnalyseBitmap reports them): the pixels go into a work surface (made opaque
// for X8R8G8B8 and X1R5G5B5; an X8R8G8B8 source changes the bitmap to 32 bits first), then every level is
// filled from it with point filtering, which scales and compresses. With `mipmaps` the texture has
// MipLevelCount(min(width, height)) levels, else one. Any failure leaves `texture` empty, including a
// bitmap whose depth does not match the source format.
void BitmapToTexture(IDirect3DDevice8* device, Bitmap* bitmap, std::uint32_t sourceFormat,
                     ComPtr<IDirect3DTexture8>& texture, bool mipmaps, D3DFORMAT destinationFormat);

// Writes a DXT1/2/3/4/5 texture as a ".dxt" file at the stream's position (making a stream when the
// caller has none): header A (2, code, 0), header B (level count, or 0 for a one-level code-53 texture;
// full width and height), then every level from the smallest to the full size. False for a missing
// texture, another format or a failed lock; the stream is then left as it was.
//
// Code 53 is read back as DXT5, so the explicit alpha of DXT2/DXT3 levels is written as DXT5 alpha; the
// colours are copied unchanged.
bool TextureToDxt(std::unique_ptr<MemoryStream>& stream, IDirect3DTexture8* texture);

}  // namespace dravo

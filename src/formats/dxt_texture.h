#pragma once

// Between bitmaps, device textures and ".dxt" files: how a replacement skin becomes a block-compressed
// texture and how a texture is written back as a file.

#include <cstdint>
#include <memory>

#include "core/memory_stream.h"
#include "formats/bitmap.h"
#include "render/block_compress.h"
#include "render/d3d8.h"

namespace dravo {

// Makes a texture of the bitmap's size in `destinationFormat` from a bitmap whose pixels are in
// `sourceFormat` (21 to 26, as AnalyseBitmap reports them): every level is filled from the pixels (made
// opaque for X8R8G8B8 and X1R5G5B5; an X8R8G8B8 source changes the bitmap to 32 bits first) with point
// filtering, read a row at a time from the bitmap as they are compressed. With `mipmaps` the texture has
// MipLevelCount(min(width, height)) levels, else one. Any failure leaves `texture` empty, including a
// bitmap whose depth does not match the source format. `quality` chooses the block encoder.
void BitmapToTexture(IDirect3DDevice8* device, Bitmap* bitmap, std::uint32_t sourceFormat,
                     ComPtr<IDirect3DTexture8>& texture, bool mipmaps, D3DFORMAT destinationFormat,
                     BlockQuality quality = BlockQuality::Fast);

// The block format a replacement skin is made in from a picture in `sourceFormat`: DXT1, or DXT5 for a
// picture with its own alpha. A skin file holds DXT5 data for those (code 53), so their alpha is fitted
// once, from the picture's own levels, rather than through DXT3's sixteen first.
D3DFORMAT SkinTextureFormat(std::uint32_t sourceFormat);
// The code a replacement skin of that block format is written with (53 for DXT5, as the skins with alpha
// always were).
std::uint32_t SkinFileCode(D3DFORMAT skinFormat);

// Writes a DXT1/2/3/4/5 texture as a ".dxt" file at the stream's position (making a stream when the
// caller has none): header A (2, code, 0), header B (level count, or 0 for a one-level code-53 texture;
// full width and height), then every level from the smallest to the full size. False for a missing
// texture, another format or a failed lock; the stream is then left as it was.
//
// Code 53 is read back as DXT5, so the explicit alpha of DXT2/DXT3 levels is written as DXT5 alpha; the
// colours are copied unchanged. `code`, when not 0, is written instead of the format's own; it must hold
// the texture's block format (53 or 54 for DXT5), else nothing is written.
bool TextureToDxt(std::unique_ptr<MemoryStream>& stream, IDirect3DTexture8* texture, std::uint32_t code = 0);

}  // namespace dravo

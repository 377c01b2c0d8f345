#pragma once

// Our versions of the utility library's surface loaders, over any lockable surface. They convert between
// the formats 21-26, P8 with a palette (source only) and DXT1-5, scale with the chosen filter, and
// compress blocks (render/block_compress.h) or decompress them with libsquish.

#include "render/block_compress.h"
#include "render/d3d8.h"

namespace dravo {

// Fills pDestRect of pDestSurface (null: all of it) from the pixels of pSrcRect in pSrcMemory, which holds
// rows of SrcPitch bytes in SrcFormat (rows of 4x4 blocks for DXT formats). pSrcRect is required, as in the
// original. A P8 source needs pSrcPalette (256 entries). ColorKey, when not 0, is an opaque A8R8G8B8
// colour whose pixels become transparent black. Filter: D3DX_FILTER_NONE (no scaling: what falls outside
// the source is transparent black), POINT, or LINEAR/TRIANGLE/BOX (bilinear); D3DX_DEFAULT means
// TRIANGLE. pDestPalette is not used (no palettised destinations). `quality` is ours: how hard a
// block-compressed destination is fitted.
HRESULT D3DXLoadSurfaceFromMemory(IDirect3DSurface8* pDestSurface, const PALETTEENTRY* pDestPalette,
                                  const RECT* pDestRect, const void* pSrcMemory, D3DFORMAT SrcFormat,
                                  UINT SrcPitch, const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect,
                                  DWORD Filter, D3DCOLOR ColorKey, BlockQuality quality = BlockQuality::Fast);

// Copies pSrcRect of pSrcSurface (null: all) into pDestRect of pDestSurface (null: all), converting and
// scaling as above.
HRESULT D3DXLoadSurfaceFromSurface(IDirect3DSurface8* pDestSurface, const PALETTEENTRY* pDestPalette,
                                   const RECT* pDestRect, IDirect3DSurface8* pSrcSurface,
                                   const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                                   D3DCOLOR ColorKey, BlockQuality quality = BlockQuality::Fast);

// Pixel conversions the loaders are made of, exposed for the formats code and the tests. Pixels are
// A8R8G8B8 values (0xAARRGGBB).
// Decodes a w x h area whose top-left pixel is at `src` (rows `pitch` bytes apart; for DXT formats the
// area starts on a block boundary and `pitch` is a row of blocks). False for formats it can't read.
bool DecodePixels(const BYTE* src, UINT pitch, D3DFORMAT format, UINT width, UINT height,
                  const PALETTEENTRY* palette, D3DCOLOR* out);
// Encodes w x h pixels into `dst` (for DXT formats: whole blocks, w and h padded by repeating edges).
bool EncodePixels(const D3DCOLOR* pixels, UINT width, UINT height, D3DFORMAT format, BYTE* dst, UINT pitch,
                  BlockQuality quality = BlockQuality::Fast);

}  // namespace dravo

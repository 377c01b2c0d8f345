#pragma once

// Block compression of A8R8G8B8 pixels into DXT1-5. The fast encoder (stb_dxt's high-quality mode) is the
// everyday one: a 1024x1024 skin takes a blink. libsquish's cluster fit is the best and slowest. Both run
// over rows of blocks on every core; the blocks do not depend on how many threads made them.

#include <functional>

#include "render/d3d8.h"

namespace dravo {

enum class BlockQuality { Fast, Best };

// Compresses width x height pixels (0xAARRGGBB, rows `width` apart) into rows of blocks `pitch` bytes
// apart. Blocks that run past the edge repeat the edge pixels, which do not count for the fit. DXT2 and
// DXT4 premultiply the colours by alpha. `threads` 0 means one per core. False for a format that is not
// block-compressed.
bool CompressBlocks(const D3DCOLOR* pixels, UINT width, UINT height, D3DFORMAT format, BYTE* dst, UINT pitch,
                    BlockQuality quality, unsigned threads = 0);

// The same over pixels that are made a row at a time: `row(y, out)` writes the `width` pixels of row y.
// It is called from several threads at once, each row once.
using PixelRowSource = std::function<void(UINT y, D3DCOLOR* out)>;
bool CompressBlocks(const PixelRowSource& row, UINT width, UINT height, D3DFORMAT format, BYTE* dst,
                    UINT pitch, BlockQuality quality, unsigned threads = 0);

// libsquish's flags for a block format: DXT1, DXT3 for DXT2 and DXT3, DXT5 for the others.
int SquishFlags(D3DFORMAT format);

}  // namespace dravo

#include "formats/dxt_texture.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <vector>

#include "core/byte_io.h"
#include "formats/d3d_format_codes.h"
#include "formats/dxt_bitmap.h"
#include "formats/dxt_file.h"
#include "render/d3dx_surface.h"
#include "render/memory_resources.h"

namespace dravo {

void BitmapToTexture(IDirect3DDevice8* device, Bitmap* bitmap, std::uint32_t sourceFormat,
                     ComPtr<IDirect3DTexture8>& texture, bool mipmaps, D3DFORMAT destinationFormat,
                     BlockQuality quality) {
  texture.Reset();
  if (!device || !bitmap || bitmap->empty()) return;
  if (sourceFormat < fmtcode::kA8R8G8B8 || sourceFormat > fmtcode::kA4R4G4B4) return;
  const bool wide = sourceFormat == fmtcode::kA8R8G8B8 || sourceFormat == fmtcode::kX8R8G8B8;

  std::uint32_t fillMask = 0;
  if (sourceFormat == fmtcode::kX8R8G8B8) {
    bitmap->changeDepthTo32();
    fillMask = 0xFF000000u;
  } else if (sourceFormat == fmtcode::kX1R5G5B5) {
    fillMask = 0x8000u;
  }
  // The scan lines are copied as they stand, so their pixels must be as wide as the format's.
  if (bitmap->bytesPerPixel() != (wide ? 4 : 2)) return;

  const UINT width = static_cast<UINT>(bitmap->width());
  const UINT height = static_cast<UINT>(bitmap->height());
  // Pixels of picture row y as A8R8G8B8, straight from the scan line (no copy of the whole picture):
  // `count` of them, at `columns` (null: from the left, one after another).
  const auto sampleRow = [&](UINT y, const UINT* columns, UINT count, D3DCOLOR* out) {
    const std::uint8_t* line = bitmap->scanLine(static_cast<int>(y));
    const auto column = [columns](UINT x) { return columns ? columns[x] : x; };
    if (wide) {
      for (UINT x = 0; x < count; ++x)
        out[x] = LoadU32(line + 4 * std::size_t(column(x))) | fillMask;
      return;
    }
    std::uint8_t narrow[2 * 256];
    for (UINT x0 = 0; x0 < count; x0 += 256) {
      const UINT n = std::min<UINT>(256, count - x0);
      for (UINT x = 0; x < n; ++x)
        StoreU16(narrow + 2 * x,
                 static_cast<std::uint16_t>(LoadU16(line + 2 * std::size_t(column(x0 + x))) | fillMask));
      DecodePixels(narrow, 2 * n, static_cast<D3DFORMAT>(sourceFormat), n, 1, nullptr, out + x0);
    }
  };

  const UINT levels =
      mipmaps ? static_cast<UINT>(MipLevelCount(static_cast<int>(std::min(width, height)))) : 1;
  ComPtr<IDirect3DTexture8> made;
  if (FAILED(device->CreateTexture(width, height, levels, 0, destinationFormat, D3DPOOL_MANAGED, &made)) ||
      !made)
    return;
  for (UINT level = 0; level < made->GetLevelCount(); ++level) {
    D3DSURFACE_DESC desc;
    if (FAILED(made->GetLevelDesc(level, &desc)) || desc.Width == 0 || desc.Height == 0) return;
    const UINT w = desc.Width, h = desc.Height;
    // Point filtering: each pixel of a smaller level is the picture's pixel it falls on.
    std::vector<UINT> columns(w);
    for (UINT x = 0; x < w; ++x)
      columns[x] = static_cast<UINT>(std::uint64_t(x) * width / w);
    const auto levelRow = [&](UINT y, D3DCOLOR* out) {
      sampleRow(static_cast<UINT>(std::uint64_t(y) * height / h), w == width ? nullptr : columns.data(), w,
                out);
    };
    D3DLOCKED_RECT locked;
    if (FAILED(made->LockRect(level, &locked, nullptr, 0)) || !locked.pBits) return;
    auto* bits = static_cast<BYTE*>(locked.pBits);
    const UINT pitch = static_cast<UINT>(locked.Pitch);
    bool encoded = true;
    if (IsBlockCompressed(destinationFormat)) {
      encoded = CompressBlocks(levelRow, w, h, destinationFormat, bits, pitch, quality);
    } else {
      std::vector<D3DCOLOR> row(w);
      for (UINT y = 0; y < h && encoded; ++y) {
        levelRow(y, row.data());
        encoded = EncodePixels(row.data(), w, 1, destinationFormat, bits + std::size_t(y) * pitch, pitch);
      }
    }
    made->UnlockRect(level);
    if (!encoded) return;
  }
  texture = std::move(made);
}

D3DFORMAT SkinTextureFormat(std::uint32_t sourceFormat) {
  return sourceFormat == fmtcode::kA8R8G8B8 || sourceFormat == fmtcode::kA4R4G4B4 ? D3DFMT_DXT5 : D3DFMT_DXT1;
}

std::uint32_t SkinFileCode(D3DFORMAT skinFormat) {
  return skinFormat == D3DFMT_DXT5 ? kDxtCodeDxt5Alt : DxtCodeForFormat(skinFormat);
}

namespace {

// One level's bytes as the file stores them, or false when the level cannot be read.
bool LevelBytes(IDirect3DTexture8* texture, UINT level, const D3DSURFACE_DESC& desc,
                std::vector<std::uint8_t>& bytes) {
  if (desc.Height == 0) return false;
  const std::uint64_t rowBytes = (std::uint64_t(desc.Size) + desc.Height / 2) / desc.Height;
  const std::uint64_t total = rowBytes * desc.Height;
  D3DLOCKED_RECT locked;
  if (FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY)) || !locked.pBits) return false;
  // The rows are taken one after another from the start of the locked memory; never more than it holds.
  const std::uint64_t available =
      std::uint64_t(std::max(locked.Pitch, 0)) * SurfaceRows(desc.Format, desc.Height);
  const bool fits = total <= available;
  if (fits) {
    const auto* from = static_cast<const std::uint8_t*>(locked.pBits);
    bytes.assign(from, from + total);
  }
  texture->UnlockRect(level);
  return fits;
}

}  // namespace

bool TextureToDxt(std::unique_ptr<MemoryStream>& stream, IDirect3DTexture8* texture, std::uint32_t code) {
  if (!texture) return false;
  if (!stream) stream = std::make_unique<MemoryStream>();
  const std::size_t startSize = stream->size();
  const std::size_t startPosition = stream->position();
  try {
    const UINT levels = texture->GetLevelCount();
    D3DSURFACE_DESC top;
    if (levels == 0 || FAILED(texture->GetLevelDesc(0, &top))) return false;
    if (code == 0) code = DxtCodeForFormat(top.Format);
    if (code == 0 || DxtCodeForFormat(top.Format) == 0) return false;
    // Every format but DXT1 is written as DXT5 blocks.
    const D3DFORMAT written = top.Format == D3DFMT_DXT1 ? D3DFMT_DXT1 : D3DFMT_DXT5;
    if (DxtCodeDataFormat(code) != written) return false;
    const bool dxt3Alpha = top.Format == D3DFMT_DXT2 || top.Format == D3DFMT_DXT3;

    ByteWriter w;
    w.u32(2);
    w.u32(code);
    w.u32(0);
    w.u32(code == kDxtCodeDxt5Alt && levels == 1 ? 0 : levels);
    w.u32(top.Width);
    w.u32(top.Height);
    std::vector<std::uint8_t> bytes;
    for (UINT level = levels; level-- > 0;) {
      D3DSURFACE_DESC desc;
      if (FAILED(texture->GetLevelDesc(level, &desc))) return false;
      if (!LevelBytes(texture, level, desc, bytes)) return false;
      // The byte size of the description, unless rounding the rows made it another: the header must say
      // what follows.
      w.u32(desc.Width);
      w.u32(desc.Height);
      w.u32(static_cast<std::uint32_t>(bytes.size()));
      if (dxt3Alpha)
        for (std::size_t at = 0; at + 16 <= bytes.size(); at += 16)
          Dxt3AlphaToDxt5(bytes.data() + at);
      w.bytes(bytes);
    }
    stream->write(w.data().data(), w.size());
    return true;
  } catch (const std::exception&) {
    stream->setSize(startSize);
    stream->setPosition(startPosition);
    return false;
  }
}

}  // namespace dravo

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
                     ComPtr<IDirect3DTexture8>& texture, bool mipmaps, D3DFORMAT destinationFormat) {
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
  ComPtr<IDirect3DSurface8> work;
  if (FAILED(device->CreateImageSurface(width, height, static_cast<D3DFORMAT>(sourceFormat), &work)) || !work)
    return;
  D3DLOCKED_RECT locked;
  if (FAILED(work->LockRect(&locked, nullptr, 0))) return;
  auto* out = static_cast<std::uint8_t*>(locked.pBits);
  for (UINT y = 0; y < height; ++y) {
    const std::uint8_t* line = bitmap->scanLine(static_cast<int>(y));
    std::uint8_t* row = out + std::size_t(y) * static_cast<std::size_t>(locked.Pitch);
    if (wide) {
      for (UINT x = 0; x < width; ++x)
        StoreU32(row + 4 * x, LoadU32(line + 4 * x) | fillMask);
    } else {
      for (UINT x = 0; x < width; ++x)
        StoreU16(row + 2 * x, static_cast<std::uint16_t>(LoadU16(line + 2 * x) | fillMask));
    }
  }
  work->UnlockRect();

  const UINT levels =
      mipmaps ? static_cast<UINT>(MipLevelCount(static_cast<int>(std::min(width, height)))) : 1;
  ComPtr<IDirect3DTexture8> made;
  if (FAILED(device->CreateTexture(width, height, levels, 0, destinationFormat, D3DPOOL_MANAGED, &made)) ||
      !made)
    return;
  for (UINT level = 0; level < made->GetLevelCount(); ++level) {
    ComPtr<IDirect3DSurface8> surface;
    if (FAILED(made->GetSurfaceLevel(level, &surface)) || !surface) return;
    if (FAILED(D3DXLoadSurfaceFromSurface(surface.Get(), nullptr, nullptr, work.Get(), nullptr, nullptr,
                                          D3DX_FILTER_POINT, 0)))
      return;
  }
  texture = std::move(made);
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

bool TextureToDxt(std::unique_ptr<MemoryStream>& stream, IDirect3DTexture8* texture) {
  if (!texture) return false;
  if (!stream) stream = std::make_unique<MemoryStream>();
  const std::size_t startSize = stream->size();
  const std::size_t startPosition = stream->position();
  try {
    const UINT levels = texture->GetLevelCount();
    D3DSURFACE_DESC top;
    if (levels == 0 || FAILED(texture->GetLevelDesc(0, &top))) return false;
    const std::uint32_t code = DxtCodeForFormat(top.Format);
    if (code == 0) return false;
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

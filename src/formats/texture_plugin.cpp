#include "formats/texture_plugin.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/byte_io.h"
#include "formats/dxt_file.h"
#include "render/d3dx_surface.h"
#include "render/memory_resources.h"
#include "render/view_panel.h"

namespace dravo {

std::int32_t TMvAGfxPlugIn::Query(const TPlugInQuery& query) const {
  return query.Value && *query.Value != 0 ? 1 : -1;
}

namespace {

struct LevelHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t size = 0;
};

// A level header, or false when the stream ends first: the levels the file claims beyond its end are not
// there to be read.
bool ReadLevelHeader(ByteReader& r, LevelHeader& h) {
  if (!r.fits(kDxtHeaderBytes)) return false;
  h.width = r.u32();
  h.height = r.u32();
  h.size = r.u32();
  return true;
}

// Skips a level's bytes; false when they run past the end.
bool SkipLevel(ByteReader& r, std::uint32_t size) {
  if (!r.fits(size)) {
    r.seek(r.size());
    return false;
  }
  r.skip(size);
  return true;
}

// Copies a block-compressed level into level 0 of a new texture: 0, -2 or -3.
std::int32_t FillBlockTexture(IDirect3DDevice8* device, ByteReader& r, const LevelHeader& h, D3DFORMAT format,
                              ComPtr<IDirect3DTexture8>& texture) {
  texture.Reset();
  // A level cut short by the end of the file cannot fill a texture; don't make one for it.
  if (!r.fits(h.size)) {
    r.seek(r.size());
    return -2;
  }
  if (FAILED(device->CreateTexture(h.width, h.height, 1, 0, format, D3DPOOL_MANAGED, &texture)) || !texture) {
    texture.Reset();
    SkipLevel(r, h.size);
    return -3;
  }
  D3DLOCKED_RECT locked;
  if (FAILED(texture->LockRect(0, &locked, nullptr, 0)) || !locked.pBits) {
    texture.Reset();
    return -2;
  }
  // The level's bytes go straight into the texture, but never past its memory or past the file.
  const std::uint64_t room = std::uint64_t(std::max(locked.Pitch, 0)) * SurfaceRows(format, h.height);
  const bool fits = h.size <= room && r.fits(h.size);
  if (fits) std::memcpy(locked.pBits, r.bytes(h.size).data(), h.size);
  texture->UnlockRect(0);
  if (!fits) {
    texture.Reset();
    return -2;
  }
  return 0;
}

// Turns palette indices into an A8R8G8B8 texture through a work surface: 0, -3 or -4.
std::int32_t FillPalettisedTexture(IDirect3DDevice8* device, std::span<const std::uint8_t> indices,
                                   const LevelHeader& h, const std::array<PALETTEENTRY, 256>& palette,
                                   ComPtr<IDirect3DTexture8>& texture) {
  texture.Reset();
  // Each row of indices is as wide as the image; fewer bytes than that cannot be converted.
  if (indices.size() < std::uint64_t(h.width) * h.height) return -4;
  ComPtr<IDirect3DSurface8> work;
  if (FAILED(device->CreateImageSurface(h.width, h.height, D3DFMT_A8R8G8B8, &work)) || !work) return -3;
  const RECT source{0, 0, static_cast<LONG>(h.width), static_cast<LONG>(h.height)};
  if (FAILED(D3DXLoadSurfaceFromMemory(work.Get(), nullptr, nullptr, indices.data(), D3DFMT_P8, h.width,
                                       palette.data(), &source, D3DX_FILTER_TRIANGLE, 0)))
    return -4;
  ComPtr<IDirect3DTexture8> made;
  if (FAILED(device->CreateTexture(h.width, h.height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &made)) ||
      !made)
    return -4;
  D3DLOCKED_RECT from, to;
  if (FAILED(work->LockRect(&from, nullptr, D3DLOCK_READONLY))) return -4;
  if (FAILED(made->LockRect(0, &to, nullptr, 0))) {
    work->UnlockRect();
    return -4;
  }
  const std::size_t rowBytes = std::size_t(std::max(std::min(from.Pitch, to.Pitch), 0));
  for (UINT y = 0; y < h.height; ++y)
    std::memcpy(static_cast<std::uint8_t*>(to.pBits) + std::size_t(y) * std::size_t(to.Pitch),
                static_cast<const std::uint8_t*>(from.pBits) + std::size_t(y) * std::size_t(from.Pitch),
                rowBytes);
  made->UnlockRect(0);
  work->UnlockRect();
  texture = std::move(made);
  return 0;
}

}  // namespace

std::int32_t TMvAGfxPlugIn::LoadTexture(std::int32_t& format, MemoryStream* stream,
                                        ComPtr<IDirect3DTexture8>& texture) {
  if (!stream) return -1;
  ByteReader r(stream->bytes(), std::min(stream->position(), stream->size()));
  auto finish = [&](std::int32_t result) {
    stream->setPosition(r.position());
    return result;
  };

  // Header A, after the prefix when there is one.
  if (!r.fits(kDxtHeaderBytes)) return finish(-2);
  const std::uint32_t word0 = r.u32();
  std::uint32_t code = r.u32();
  r.u32();
  if (word0 == 1) {
    if (!r.fits(kDxtHeaderBytes)) return finish(-2);
    r.u32();
    code = r.u32();
    r.u32();
  }
  format = static_cast<std::int32_t>(code);
  const bool palettised = IsPalettisedDxtCode(code);
  // Header B: level count, width, height. The palettised codes keep their palette in front of it.
  LevelHeader image;
  if (!palettised && !ReadLevelHeader(r, image)) return finish(-2);
  const D3DFORMAT textureFormat = DxtCodeTextureFormat(code);
  if (textureFormat == D3DFMT_UNKNOWN) return finish(-2);
  IDirect3DDevice8* device = m_panel ? m_panel->Device() : nullptr;

  if (!palettised) {
    if (!device) return finish(-4);
    texture.Reset();
    std::int32_t result = -1;
    const std::uint32_t count = image.width == 0 && code == kDxtCodeDxt5Alt ? 1 : image.width;
    const std::uint32_t width = image.height;
    const std::uint32_t height = image.size;
    for (std::uint32_t i = 0; i < count; ++i) {
      LevelHeader h;
      if (!ReadLevelHeader(r, h)) break;
      if (h.width != width || h.height != height) {
        if (!SkipLevel(r, h.size)) break;
        continue;
      }
      result = FillBlockTexture(device, r, h, textureFormat, texture);
      if (result == -2) break;
    }
    return finish(result);
  }

  if (!device) return finish(-1);
  texture.Reset();
  std::array<PALETTEENTRY, 256> palette{};
  if (!r.fits(kDxtPaletteBytes)) return finish(-2);
  for (PALETTEENTRY& e : palette) {
    // The file holds blue, green, red, alpha; the device takes red, green, blue, flags.
    e.peBlue = r.u8();
    e.peGreen = r.u8();
    e.peRed = r.u8();
    e.peFlags = r.u8();
  }
  if (FAILED(device->SetPaletteEntries(0, palette.data())) ||
      FAILED(device->GetPaletteEntries(0, palette.data())) || FAILED(device->SetCurrentTexturePalette(0)))
    return finish(-2);

  if (!ReadLevelHeader(r, image)) return finish(-1);
  const std::uint32_t count = image.width;
  const std::uint32_t width = image.height;
  const std::uint32_t height = image.size;
  std::int32_t result = -1;
  for (std::uint32_t i = 0; i < count; ++i) {
    LevelHeader h;
    if (!ReadLevelHeader(r, h)) break;
    if (h.width != width || h.height != height) {
      if (!SkipLevel(r, h.size)) break;
      continue;
    }
    if (!r.fits(h.size)) {
      // The image is cut short: nothing to convert.
      r.seek(r.size());
      texture.Reset();
      result = -4;
      break;
    }
    result = FillPalettisedTexture(device, r.bytes(h.size), h, palette, texture);
  }
  return finish(result);
}

}  // namespace dravo

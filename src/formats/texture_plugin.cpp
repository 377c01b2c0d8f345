#include "formats/texture_plugin.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "formats/dxt_file.h"
#include "render/d3dx_surface.h"
#include "render/memory_resources.h"
#include "render/view_panel.h"

namespace dravo {

std::int32_t TMvAGfxPlugIn::Query(const TPlugInQuery& query) const {
  return query.Value && *query.Value != 0 ? 1 : -1;
}

namespace {

// Copies a whole block-compressed level into level 0 of a new texture: 0, -2 or -3.
std::int32_t FillBlockTexture(IDirect3DDevice8* device, std::span<const std::uint8_t> bytes,
                              const DxtLevelInfo& level, D3DFORMAT format,
                              ComPtr<IDirect3DTexture8>& texture) {
  texture.Reset();
  if (FAILED(device->CreateTexture(level.width, level.height, 1, 0, format, D3DPOOL_MANAGED, &texture)) ||
      !texture) {
    texture.Reset();
    return -3;
  }
  D3DLOCKED_RECT locked;
  if (FAILED(texture->LockRect(0, &locked, nullptr, 0)) || !locked.pBits) {
    texture.Reset();
    return -2;
  }
  // The level's bytes go straight into the texture, but never past its memory.
  const std::uint64_t room = std::uint64_t(std::max(locked.Pitch, 0)) * SurfaceRows(format, level.height);
  const bool fits = level.size <= room;
  if (fits) std::memcpy(locked.pBits, bytes.data() + level.offset, level.size);
  texture->UnlockRect(0);
  if (!fits) {
    texture.Reset();
    return -2;
  }
  return 0;
}

// Turns palette indices into an A8R8G8B8 texture through a work surface: 0, -3 or -4.
std::int32_t FillPalettisedTexture(IDirect3DDevice8* device, std::span<const std::uint8_t> indices,
                                   const DxtLevelInfo& h, const std::array<PALETTEENTRY, 256>& palette,
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
  const std::size_t start = std::min(stream->position(), stream->size());
  const std::span<const std::uint8_t> bytes = stream->bytes().subspan(start);
  const DxtScan scan = ScanDxtFile(bytes);
  const DxtFileInfo& info = scan.info;
  auto finish = [&](std::size_t position, std::int32_t result) {
    stream->setPosition(start + position);
    return result;
  };
  using Stop = DxtScan::Stop;
  if (scan.stop == Stop::HeaderA) return finish(scan.end, -2);
  format = static_cast<std::int32_t>(info.code);
  IDirect3DDevice8* device = m_panel ? m_panel->Device() : nullptr;

  if (!IsPalettisedDxtCode(info.code)) {
    if (scan.stop == Stop::ImageHeader || scan.stop == Stop::UnknownCode) return finish(scan.end, -2);
    if (!device) return finish(scan.imageHeaderEnd, -4);
    const D3DFORMAT textureFormat = DxtCodeTextureFormat(info.code);
    texture.Reset();
    std::int32_t result = -1;
    // Every level of the full size fills the texture; the last one stays.
    for (const DxtLevelInfo& level : info.levels) {
      const bool whole = level.offset + level.size <= bytes.size();
      if (level.width != info.width || level.height != info.height) continue;
      if (!whole) {
        texture.Reset();
        return finish(bytes.size(), -2);
      }
      result = FillBlockTexture(device, bytes, level, textureFormat, texture);
      if (result == -2) return finish(level.offset, result);
    }
    return finish(scan.end, result);
  }

  if (!device) return finish(scan.headerAEnd, -1);
  texture.Reset();
  if (scan.stop == Stop::Palette) return finish(scan.end, -2);
  std::array<PALETTEENTRY, 256> palette = info.palette;
  const std::size_t paletteEnd = scan.headerAEnd + kDxtPaletteBytes;
  if (FAILED(device->SetPaletteEntries(0, palette.data())) ||
      FAILED(device->GetPaletteEntries(0, palette.data())) || FAILED(device->SetCurrentTexturePalette(0)))
    return finish(paletteEnd, -2);
  if (scan.stop == Stop::ImageHeader) return finish(scan.end, -1);
  std::int32_t result = -1;
  for (const DxtLevelInfo& level : info.levels) {
    if (level.width != info.width || level.height != info.height) continue;
    if (level.offset + level.size > bytes.size()) {
      // The image is cut short: nothing to convert.
      texture.Reset();
      return finish(bytes.size(), -4);
    }
    result = FillPalettisedTexture(device, bytes.subspan(level.offset, level.size), level, palette, texture);
  }
  return finish(scan.end, result);
}

}  // namespace dravo

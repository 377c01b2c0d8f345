// Surface conversions with any source format, size, rectangle and filter: the source memory is exactly as
// large as the rectangle needs, so a read past it is a finding.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

#include "render/d3dx_surface.h"
#include "render/memory_resources.h"

using namespace dravo;

namespace {

constexpr D3DFORMAT kFormats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5,
                                  D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_P8,     D3DFMT_DXT1,
                                  D3DFMT_DXT3,     D3DFMT_DXT5,     D3DFMT_L8,     D3DFMT_R8G8B8};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 12) return 0;
  const D3DFORMAT srcFormat = kFormats[data[0] % std::size(kFormats)];
  const D3DFORMAT dstFormat = kFormats[data[1] % std::size(kFormats)];
  const UINT sw = 1 + data[2] % 40, sh = 1 + data[3] % 40;
  const UINT dw = 1 + data[4] % 40, dh = 1 + data[5] % 40;
  const UINT left = data[6] % sw, top = data[7] % sh;
  const UINT right = left + 1 + data[8] % (sw - left), bottom = top + 1 + data[9] % (sh - top);
  const RECT src{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(right),
                 static_cast<LONG>(bottom)};
  const DWORD filter = data[10] % 7;
  const D3DCOLOR key = (data[11] & 1) ? 0xFFFF00FF : 0;
  data += 12;
  size -= 12;

  std::vector<PALETTEENTRY> palette(256);
  const size_t paletteBytes = std::min<size_t>(size, 1024);
  std::memcpy(palette.data(), data, paletteBytes);
  // Exactly the rows the source rectangle covers, the last one only as long as it must be.
  const bool blocks = IsBlockCompressed(srcFormat);
  const UINT pitch = SurfacePitch(srcFormat, sw);
  const UINT rows = blocks ? (static_cast<UINT>(src.bottom) + 3) / 4 : static_cast<UINT>(src.bottom);
  const UINT unit = FormatBlockBytes(srcFormat);
  const UINT lastRow =
      blocks ? (static_cast<UINT>(src.right) + 3) / 4 * unit : static_cast<UINT>(src.right) * unit;
  std::vector<BYTE> memory(static_cast<size_t>(rows - 1) * pitch + lastRow);
  for (size_t i = 0; i < memory.size(); ++i)
    memory[i] = size > 0 ? data[i % size] : 0;

  auto dest = MakeCom<TMemorySurface>(dw, dh, dstFormat);
  D3DXLoadSurfaceFromMemory(dest.Get(), nullptr, nullptr, memory.data(), srcFormat, pitch, palette.data(),
                            &src, filter, key);
  // And back through a surface, into a part of another.
  auto other = MakeCom<TMemorySurface>(sw, sh, srcFormat == D3DFMT_P8 ? D3DFMT_A8R8G8B8 : srcFormat);
  D3DXLoadSurfaceFromSurface(other.Get(), nullptr, &src, dest.Get(), nullptr, nullptr, filter, key);
  return 0;
}

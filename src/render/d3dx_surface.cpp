#include "render/d3dx_surface.h"

#include <squish.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "render/block_compress.h"
#include "render/memory_resources.h"

namespace dravo {

namespace {

constexpr D3DCOLOR Pack(UINT a, UINT r, UINT g, UINT b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}
constexpr UINT A(D3DCOLOR c) {
  return c >> 24;
}
constexpr UINT R(D3DCOLOR c) {
  return (c >> 16) & 0xFF;
}
constexpr UINT G(D3DCOLOR c) {
  return (c >> 8) & 0xFF;
}
constexpr UINT B(D3DCOLOR c) {
  return c & 0xFF;
}

// n-bit channel to 8 bits and back, rounding to the nearest.
constexpr UINT Expand(UINT v, UINT bits) {
  return (v * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1);
}
constexpr UINT Reduce(UINT v, UINT bits) {
  return (v * ((1u << bits) - 1) + 127) / 255;
}

std::uint16_t Load16(const BYTE* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
void Store16(BYTE* p, UINT v) {
  p[0] = static_cast<BYTE>(v);
  p[1] = static_cast<BYTE>(v >> 8);
}
std::uint32_t Load32(const BYTE* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Store32(BYTE* p, std::uint32_t v) {
  p[0] = static_cast<BYTE>(v);
  p[1] = static_cast<BYTE>(v >> 8);
  p[2] = static_cast<BYTE>(v >> 16);
  p[3] = static_cast<BYTE>(v >> 24);
}

bool IsPremultiplied(D3DFORMAT format) {
  return format == D3DFMT_DXT2 || format == D3DFMT_DXT4;
}

D3DCOLOR DecodeOne(const BYTE* p, D3DFORMAT format, const PALETTEENTRY* palette) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
      return Load32(p);
    case D3DFMT_X8R8G8B8:
      return Load32(p) | 0xFF000000u;
    case D3DFMT_R8G8B8:
      return Pack(255, p[2], p[1], p[0]);
    case D3DFMT_R5G6B5: {
      const UINT v = Load16(p);
      return Pack(255, Expand(v >> 11, 5), Expand((v >> 5) & 63, 6), Expand(v & 31, 5));
    }
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: {
      const UINT v = Load16(p);
      const UINT a = format == D3DFMT_X1R5G5B5 || (v & 0x8000) ? 255 : 0;
      return Pack(a, Expand((v >> 10) & 31, 5), Expand((v >> 5) & 31, 5), Expand(v & 31, 5));
    }
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4: {
      const UINT v = Load16(p);
      const UINT a = format == D3DFMT_X4R4G4B4 ? 255 : (v >> 12) * 17;
      return Pack(a, ((v >> 8) & 15) * 17, ((v >> 4) & 15) * 17, (v & 15) * 17);
    }
    case D3DFMT_A8:
      return Pack(p[0], 0, 0, 0);
    case D3DFMT_L8:
      return Pack(255, p[0], p[0], p[0]);
    case D3DFMT_A8L8:
      return Pack(p[1], p[0], p[0], p[0]);
    case D3DFMT_A4L4: {
      const UINT l = (p[0] & 15) * 17;
      return Pack((p[0] >> 4) * 17, l, l, l);
    }
    // The palette's flags byte is the alpha of a palettised pixel.
    case D3DFMT_P8: {
      const PALETTEENTRY& e = palette[p[0]];
      return Pack(e.peFlags, e.peRed, e.peGreen, e.peBlue);
    }
    case D3DFMT_A8P8: {
      const PALETTEENTRY& e = palette[p[0]];
      return Pack(p[1], e.peRed, e.peGreen, e.peBlue);
    }
    default:
      return 0;
  }
}

void EncodeOne(D3DCOLOR c, D3DFORMAT format, BYTE* p) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
      Store32(p, c);
      break;
    case D3DFMT_X8R8G8B8:
      Store32(p, c | 0xFF000000u);
      break;
    case D3DFMT_R8G8B8:
      p[0] = static_cast<BYTE>(B(c));
      p[1] = static_cast<BYTE>(G(c));
      p[2] = static_cast<BYTE>(R(c));
      break;
    case D3DFMT_R5G6B5:
      Store16(p, (Reduce(R(c), 5) << 11) | (Reduce(G(c), 6) << 5) | Reduce(B(c), 5));
      break;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: {
      const UINT a = format == D3DFMT_X1R5G5B5 || A(c) >= 128 ? 0x8000 : 0;
      Store16(p, a | (Reduce(R(c), 5) << 10) | (Reduce(G(c), 5) << 5) | Reduce(B(c), 5));
      break;
    }
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4: {
      const UINT a = format == D3DFMT_X4R4G4B4 ? 15 : Reduce(A(c), 4);
      Store16(p, (a << 12) | (Reduce(R(c), 4) << 8) | (Reduce(G(c), 4) << 4) | Reduce(B(c), 4));
      break;
    }
    case D3DFMT_A8:
      p[0] = static_cast<BYTE>(A(c));
      break;
    case D3DFMT_L8:
      p[0] = static_cast<BYTE>((R(c) * 77 + G(c) * 150 + B(c) * 29 + 128) >> 8);
      break;
    case D3DFMT_A8L8:
      p[0] = static_cast<BYTE>((R(c) * 77 + G(c) * 150 + B(c) * 29 + 128) >> 8);
      p[1] = static_cast<BYTE>(A(c));
      break;
    default:
      break;
  }
}

bool CanDecode(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8:
    case D3DFMT_L8:
    case D3DFMT_A8L8:
    case D3DFMT_A4L4:
    case D3DFMT_P8:
    case D3DFMT_A8P8:
      return true;
    default:
      return IsBlockCompressed(format);
  }
}

bool CanEncode(D3DFORMAT format) {
  return CanDecode(format) && format != D3DFMT_P8 && format != D3DFMT_A8P8 && format != D3DFMT_A4L4;
}

struct Image {
  UINT width = 0, height = 0;
  std::vector<D3DCOLOR> pixels;
  D3DCOLOR& at(UINT x, UINT y) { return pixels[static_cast<size_t>(y) * width + x]; }
  D3DCOLOR at(UINT x, UINT y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

bool ValidRect(const RECT& r) {
  return r.left >= 0 && r.top >= 0 && r.right > r.left && r.bottom > r.top;
}

RECT WholeSurface(const D3DSURFACE_DESC& desc) {
  return {0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
}

UINT Width(const RECT& r) {
  return static_cast<UINT>(r.right - r.left);
}
UINT Height(const RECT& r) {
  return static_cast<UINT>(r.bottom - r.top);
}

// Reads rect out of memory whose (0,0) is `base`. Compressed formats are read by whole blocks and cropped.
bool ReadRegion(const BYTE* base, UINT pitch, D3DFORMAT format, const RECT& rect, const PALETTEENTRY* palette,
                Image& out) {
  out.width = Width(rect);
  out.height = Height(rect);
  out.pixels.assign(static_cast<size_t>(out.width) * out.height, 0);
  if (IsBlockCompressed(format)) {
    const UINT bx0 = static_cast<UINT>(rect.left) / 4, by0 = static_cast<UINT>(rect.top) / 4;
    const UINT bx1 = (static_cast<UINT>(rect.right) + 3) / 4, by1 = (static_cast<UINT>(rect.bottom) + 3) / 4;
    Image whole;
    whole.width = (bx1 - bx0) * 4;
    whole.height = (by1 - by0) * 4;
    whole.pixels.resize(static_cast<size_t>(whole.width) * whole.height);
    if (!DecodePixels(
            base + static_cast<size_t>(by0) * pitch + static_cast<size_t>(bx0) * FormatBlockBytes(format),
            pitch, format, whole.width, whole.height, palette, whole.pixels.data()))
      return false;
    const UINT dx = static_cast<UINT>(rect.left) - bx0 * 4, dy = static_cast<UINT>(rect.top) - by0 * 4;
    for (UINT y = 0; y < out.height; ++y)
      for (UINT x = 0; x < out.width; ++x)
        out.at(x, y) = whole.at(x + dx, y + dy);
    return true;
  }
  const UINT bpp = FormatBlockBytes(format);
  return DecodePixels(base + static_cast<size_t>(rect.top) * pitch + static_cast<size_t>(rect.left) * bpp,
                      pitch, format, out.width, out.height, palette, out.pixels.data());
}

// Bilinear blend of four pixels, rounded once at the end.
D3DCOLOR Bilinear(D3DCOLOR p00, D3DCOLOR p10, D3DCOLOR p01, D3DCOLOR p11, float tx, float ty) {
  auto channel = [&](int shift) {
    auto c = [shift](D3DCOLOR p) { return static_cast<float>((p >> shift) & 0xFF); };
    const float top = c(p00) + (c(p10) - c(p00)) * tx;
    const float bottom = c(p01) + (c(p11) - c(p01)) * tx;
    return static_cast<UINT>(std::lround(top + (bottom - top) * ty)) << shift;
  };
  return channel(24) | channel(16) | channel(8) | channel(0);
}

// Scales src to width x height with the filter's rule.
HRESULT Resample(const Image& src, UINT width, UINT height, DWORD filter, Image& out) {
  out.width = width;
  out.height = height;
  out.pixels.assign(static_cast<size_t>(width) * height, 0);
  const DWORD kind = filter == D3DX_DEFAULT ? D3DX_FILTER_TRIANGLE : (filter & 0xFFFF);
  if (kind < D3DX_FILTER_NONE || kind > D3DX_FILTER_BOX) return D3DERR_INVALIDCALL;
  if (kind == D3DX_FILTER_NONE) {
    // No scaling: what lies outside the source stays transparent black.
    for (UINT y = 0; y < std::min(height, src.height); ++y)
      for (UINT x = 0; x < std::min(width, src.width); ++x)
        out.at(x, y) = src.at(x, y);
    return D3D_OK;
  }
  if (kind == D3DX_FILTER_POINT || (width == src.width && height == src.height)) {
    std::vector<UINT> columns(width);
    for (UINT x = 0; x < width; ++x)
      columns[x] = static_cast<UINT>(static_cast<std::uint64_t>(x) * src.width / width);
    for (UINT y = 0; y < height; ++y) {
      const UINT sy = static_cast<UINT>(static_cast<std::uint64_t>(y) * src.height / height);
      for (UINT x = 0; x < width; ++x)
        out.at(x, y) = src.at(columns[x], sy);
    }
    return D3D_OK;
  }
  // Bilinear between pixel centres; halving this way averages each 2x2 square.
  auto coordinate = [](UINT i, UINT from, UINT to, UINT& i0, UINT& i1, float& t) {
    float c = (static_cast<float>(i) + 0.5f) * static_cast<float>(from) / static_cast<float>(to) - 0.5f;
    c = std::clamp(c, 0.0f, static_cast<float>(from - 1));
    i0 = static_cast<UINT>(c);
    i1 = std::min(i0 + 1, from - 1);
    t = c - static_cast<float>(i0);
  };
  for (UINT y = 0; y < height; ++y) {
    UINT y0, y1;
    float ty;
    coordinate(y, src.height, height, y0, y1, ty);
    for (UINT x = 0; x < width; ++x) {
      UINT x0, x1;
      float tx;
      coordinate(x, src.width, width, x0, x1, tx);
      out.at(x, y) = Bilinear(src.at(x0, y0), src.at(x1, y0), src.at(x0, y1), src.at(x1, y1), tx, ty);
    }
  }
  return D3D_OK;
}

// Writes the pixels (already of the rectangle's size) into the surface.
HRESULT WriteToSurface(IDirect3DSurface8* dest, const RECT& rect, const Image& pixels, BlockQuality quality) {
  D3DSURFACE_DESC desc{};
  if (FAILED(dest->GetDesc(&desc))) return D3DERR_INVALIDCALL;
  D3DLOCKED_RECT locked{};
  if (FAILED(dest->LockRect(&locked, nullptr, 0))) return D3DERR_INVALIDCALL;
  BYTE* base = static_cast<BYTE*>(locked.pBits);
  const UINT pitch = static_cast<UINT>(locked.Pitch);
  bool ok = true;
  // A rectangle of whole blocks (ending at the surface's edge counts) has no other pixels to keep.
  const auto blockEdge = [](LONG v, UINT size) { return v % 4 == 0 || static_cast<UINT>(v) == size; };
  const bool wholeBlocks = rect.left % 4 == 0 && rect.top % 4 == 0 && blockEdge(rect.right, desc.Width) &&
                           blockEdge(rect.bottom, desc.Height);
  if (IsBlockCompressed(desc.Format) && !wholeBlocks) {
    // Partly covered blocks keep their other pixels: decode the blocks, paint, encode them again.
    const RECT blocks{
        rect.left / 4 * 4, rect.top / 4 * 4,
        std::min<LONG>((rect.right + 3) / 4 * 4, static_cast<LONG>((desc.Width + 3) / 4 * 4)),
        std::min<LONG>((rect.bottom + 3) / 4 * 4, static_cast<LONG>((desc.Height + 3) / 4 * 4))};
    Image area;
    ok = ReadRegion(base, pitch, desc.Format, blocks, nullptr, area);
    if (ok) {
      const UINT dx = static_cast<UINT>(rect.left - blocks.left),
                 dy = static_cast<UINT>(rect.top - blocks.top);
      for (UINT y = 0; y < pixels.height; ++y)
        for (UINT x = 0; x < pixels.width; ++x)
          area.at(x + dx, y + dy) = pixels.at(x, y);
      BYTE* at = base + static_cast<size_t>(blocks.top / 4) * pitch +
                 static_cast<size_t>(blocks.left / 4) * FormatBlockBytes(desc.Format);
      // Only the part inside the surface counts when the blocks are compressed.
      const UINT w = std::min<UINT>(area.width, desc.Width - static_cast<UINT>(blocks.left));
      const UINT h = std::min<UINT>(area.height, desc.Height - static_cast<UINT>(blocks.top));
      Image inside;
      inside.width = w;
      inside.height = h;
      inside.pixels.resize(static_cast<size_t>(w) * h);
      for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x)
          inside.at(x, y) = area.at(x, y);
      ok = EncodePixels(inside.pixels.data(), w, h, desc.Format, at, pitch, quality);
    }
  } else {
    // Rows and columns of blocks for a block format, of pixels for the others.
    const UINT unit = IsBlockCompressed(desc.Format) ? 4 : 1;
    BYTE* at = base + static_cast<size_t>(rect.top) / unit * pitch +
               static_cast<size_t>(rect.left) / unit * FormatBlockBytes(desc.Format);
    ok = EncodePixels(pixels.pixels.data(), pixels.width, pixels.height, desc.Format, at, pitch, quality);
  }
  dest->UnlockRect();
  return ok ? D3D_OK : D3DERR_INVALIDCALL;
}

// The part shared by both loaders once the source pixels are in hand.
HRESULT LoadInto(IDirect3DSurface8* dest, const RECT* destRect, Image& source, DWORD filter,
                 D3DCOLOR colorKey, BlockQuality quality) {
  D3DSURFACE_DESC desc{};
  if (FAILED(dest->GetDesc(&desc)) || !CanEncode(desc.Format)) return D3DERR_INVALIDCALL;
  const RECT rect = destRect ? *destRect : WholeSurface(desc);
  if (!RectInside(rect, desc.Width, desc.Height)) return D3DERR_INVALIDCALL;
  if (colorKey != 0)
    for (D3DCOLOR& c : source.pixels)
      if (c == colorKey) c = 0;
  // Every filter keeps a picture of the same size as it is: no copy.
  const DWORD kind = filter == D3DX_DEFAULT ? D3DX_FILTER_TRIANGLE : (filter & 0xFFFF);
  if (Width(rect) == source.width && Height(rect) == source.height && kind >= D3DX_FILTER_NONE &&
      kind <= D3DX_FILTER_BOX)
    return WriteToSurface(dest, rect, source, quality);
  Image scaled;
  if (HRESULT hr = Resample(source, Width(rect), Height(rect), filter, scaled); FAILED(hr)) return hr;
  return WriteToSurface(dest, rect, scaled, quality);
}

}  // namespace

bool DecodePixels(const BYTE* src, UINT pitch, D3DFORMAT format, UINT width, UINT height,
                  const PALETTEENTRY* palette, D3DCOLOR* out) {
  if (!CanDecode(format)) return false;
  if ((format == D3DFMT_P8 || format == D3DFMT_A8P8) && !palette) return false;
  if (IsBlockCompressed(format)) {
    const int flags = SquishFlags(format);
    const UINT blockBytes = FormatBlockBytes(format);
    squish::u8 rgba[64];
    for (UINT by = 0; by < (height + 3) / 4; ++by) {
      for (UINT bx = 0; bx < (width + 3) / 4; ++bx) {
        squish::Decompress(rgba, src + static_cast<size_t>(by) * pitch + static_cast<size_t>(bx) * blockBytes,
                           flags);
        for (UINT i = 0; i < 16; ++i) {
          const UINT x = bx * 4 + i % 4, y = by * 4 + i / 4;
          if (x >= width || y >= height) continue;
          UINT r = rgba[4 * i], g = rgba[4 * i + 1], b = rgba[4 * i + 2];
          const UINT a = rgba[4 * i + 3];
          if (IsPremultiplied(format) && a != 0) {
            r = std::min<UINT>(255, (r * 255 + a / 2) / a);
            g = std::min<UINT>(255, (g * 255 + a / 2) / a);
            b = std::min<UINT>(255, (b * 255 + a / 2) / a);
          }
          out[static_cast<size_t>(y) * width + x] = Pack(a, r, g, b);
        }
      }
    }
    return true;
  }
  const UINT bpp = FormatBlockBytes(format);
  for (UINT y = 0; y < height; ++y) {
    const BYTE* row = src + static_cast<size_t>(y) * pitch;
    D3DCOLOR* to = out + static_cast<size_t>(y) * width;
    if (format == D3DFMT_A8R8G8B8) {  // the work surface of every skin: worth its own loop
      for (UINT x = 0; x < width; ++x)
        to[x] = Load32(row + 4 * static_cast<size_t>(x));
      continue;
    }
    for (UINT x = 0; x < width; ++x)
      to[x] = DecodeOne(row + static_cast<size_t>(x) * bpp, format, palette);
  }
  return true;
}

bool EncodePixels(const D3DCOLOR* pixels, UINT width, UINT height, D3DFORMAT format, BYTE* dst, UINT pitch,
                  BlockQuality quality) {
  if (!CanEncode(format)) return false;
  if (IsBlockCompressed(format)) return CompressBlocks(pixels, width, height, format, dst, pitch, quality);
  const UINT bpp = FormatBlockBytes(format);
  for (UINT y = 0; y < height; ++y) {
    BYTE* row = dst + static_cast<size_t>(y) * pitch;
    for (UINT x = 0; x < width; ++x)
      EncodeOne(pixels[static_cast<size_t>(y) * width + x], format, row + x * bpp);
  }
  return true;
}

HRESULT D3DXLoadSurfaceFromMemory(IDirect3DSurface8* pDestSurface, const PALETTEENTRY* /*pDestPalette*/,
                                  const RECT* pDestRect, const void* pSrcMemory, D3DFORMAT SrcFormat,
                                  UINT SrcPitch, const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect,
                                  DWORD Filter, D3DCOLOR ColorKey, BlockQuality quality) {
  if (!pDestSurface || !pSrcMemory || !pSrcRect || !ValidRect(*pSrcRect) || !CanDecode(SrcFormat))
    return D3DERR_INVALIDCALL;
  if ((SrcFormat == D3DFMT_P8 || SrcFormat == D3DFMT_A8P8) && !pSrcPalette) return D3DERR_INVALIDCALL;
  if (Width(*pSrcRect) > kMaxImageSurfaceSize || Height(*pSrcRect) > kMaxImageSurfaceSize)
    return D3DERR_INVALIDCALL;
  Image source;
  if (!ReadRegion(static_cast<const BYTE*>(pSrcMemory), SrcPitch, SrcFormat, *pSrcRect, pSrcPalette, source))
    return D3DERR_INVALIDCALL;
  return LoadInto(pDestSurface, pDestRect, source, Filter, ColorKey, quality);
}

HRESULT D3DXLoadSurfaceFromSurface(IDirect3DSurface8* pDestSurface, const PALETTEENTRY* /*pDestPalette*/,
                                   const RECT* pDestRect, IDirect3DSurface8* pSrcSurface,
                                   const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                                   D3DCOLOR ColorKey, BlockQuality quality) {
  if (!pDestSurface || !pSrcSurface || pDestSurface == pSrcSurface) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc{};
  if (FAILED(pSrcSurface->GetDesc(&desc)) || !CanDecode(desc.Format)) return D3DERR_INVALIDCALL;
  const RECT rect = pSrcRect ? *pSrcRect : WholeSurface(desc);
  if (!RectInside(rect, desc.Width, desc.Height)) return D3DERR_INVALIDCALL;
  D3DLOCKED_RECT locked{};
  if (FAILED(pSrcSurface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) return D3DERR_INVALIDCALL;
  Image source;
  const bool ok = ReadRegion(static_cast<const BYTE*>(locked.pBits), static_cast<UINT>(locked.Pitch),
                             desc.Format, rect, pSrcPalette, source);
  pSrcSurface->UnlockRect();
  if (!ok) return D3DERR_INVALIDCALL;
  return LoadInto(pDestSurface, pDestRect, source, Filter, ColorKey, quality);
}

}  // namespace dravo

#include "render/memory_resources.h"

#include <algorithm>

namespace dravo {

bool IsBlockCompressed(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_DXT1:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
      return true;
    default:
      return false;
  }
}

UINT FormatBitsPerPixel(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A2B10G10R10:
    case D3DFMT_G16R16:
    case D3DFMT_D32:
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D24X4S4:
      return 32;
    case D3DFMT_R8G8B8:
      return 24;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8P8:
    case D3DFMT_A8L8:
    case D3DFMT_D16:
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_D15S1:
      return 16;
    case D3DFMT_R3G3B2:
    case D3DFMT_A8:
    case D3DFMT_P8:
    case D3DFMT_L8:
    case D3DFMT_A4L4:
      return 8;
    case D3DFMT_DXT1:
      return 4;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
      return 8;
    default:
      return 0;
  }
}

UINT FormatBlockBytes(D3DFORMAT format) {
  if (format == D3DFMT_DXT1) return 8;
  if (IsBlockCompressed(format)) return 16;
  return FormatBitsPerPixel(format) / 8;
}

bool IsSurfaceFormat(D3DFORMAT format) {
  return FormatBlockBytes(format) != 0;
}

UINT SurfacePitch(D3DFORMAT format, UINT width) {
  if (IsBlockCompressed(format)) return std::max<UINT>(1, (width + 3) / 4) * FormatBlockBytes(format);
  return width * FormatBlockBytes(format);
}

UINT SurfaceRows(D3DFORMAT format, UINT height) {
  return IsBlockCompressed(format) ? std::max<UINT>(1, (height + 3) / 4) : height;
}

UINT SurfaceSize(D3DFORMAT format, UINT width, UINT height) {
  return SurfacePitch(format, width) * SurfaceRows(format, height);
}

UINT FullMipChainLevels(UINT width, UINT height) {
  UINT side = std::max(width, height);
  UINT levels = 1;
  while (side > 1) {
    side /= 2;
    ++levels;
  }
  return levels;
}

UINT FvfVertexSize(DWORD fvf) {
  UINT size = 0;
  switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ:
      size += 12;
      break;
    case D3DFVF_XYZRHW:
      size += 16;
      break;
    case D3DFVF_XYZB1:
      size += 16;
      break;
    case D3DFVF_XYZB2:
      size += 20;
      break;
    case D3DFVF_XYZB3:
      size += 24;
      break;
    case D3DFVF_XYZB4:
      size += 28;
      break;
    case D3DFVF_XYZB5:
      size += 32;
      break;
    default:
      break;
  }
  if (fvf & D3DFVF_NORMAL) size += 12;
  if (fvf & D3DFVF_PSIZE) size += 4;
  if (fvf & D3DFVF_DIFFUSE) size += 4;
  if (fvf & D3DFVF_SPECULAR) size += 4;
  const UINT sets = std::min<UINT>(8, (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
  for (UINT i = 0; i < sets; ++i) {
    switch ((fvf >> (16 + 2 * i)) & 3) {
      case D3DFVF_TEXTUREFORMAT1:
        size += 4;
        break;
      case D3DFVF_TEXTUREFORMAT2:
        size += 8;
        break;
      case D3DFVF_TEXTUREFORMAT3:
        size += 12;
        break;
      default:
        size += 16;
        break;
    }
  }
  return size;
}

bool RectInside(const RECT& r, UINT width, UINT height) {
  return r.left >= 0 && r.top >= 0 && r.right > r.left && r.bottom > r.top &&
         static_cast<UINT>(r.right) <= width && static_cast<UINT>(r.bottom) <= height;
}

// ---- SurfaceMemory ------------------------------------------------------------------------------------

void SurfaceMemory::Allocate(D3DFORMAT format, UINT width, UINT height) {
  desc.Format = format;
  desc.Width = width;
  desc.Height = height;
  desc.Size = SurfaceSize(format, width, height);
  pitch = SurfacePitch(format, width);
  bytes.assign(desc.Size, 0);
}

HRESULT SurfaceMemory::Lock(D3DLOCKED_RECT* locked_rect, const RECT* rect) {
  if (!locked_rect || locked) return D3DERR_INVALIDCALL;
  UINT x = 0, y = 0;
  if (rect) {
    if (!RectInside(*rect, desc.Width, desc.Height)) return D3DERR_INVALIDCALL;
    x = static_cast<UINT>(rect->left);
    y = static_cast<UINT>(rect->top);
    if (IsBlockCompressed(desc.Format)) {
      if (x % 4 != 0 || y % 4 != 0) return D3DERR_INVALIDCALL;
      x /= 4;
      y /= 4;
    }
  }
  locked = true;
  locked_rect->Pitch = static_cast<INT>(pitch);
  locked_rect->pBits =
      bytes.data() + static_cast<size_t>(y) * pitch + static_cast<size_t>(x) * FormatBlockBytes(desc.Format);
  return D3D_OK;
}

// ---- TMemorySurface -----------------------------------------------------------------------------------

TMemorySurface::TMemorySurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool) {
  m_memory.Allocate(format, width, height);
  m_memory.desc.Type = D3DRTYPE_SURFACE;
  m_memory.desc.Pool = pool;
}

HRESULT TMemorySurface::GetDesc(D3DSURFACE_DESC* pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  *pDesc = m_memory.desc;
  return D3D_OK;
}

HRESULT TMemorySurface::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
  const HRESULT hr = m_memory.Lock(pLockedRect, pRect);
  if (FAILED(hr)) return hr;
  m_lockFlags = Flags;
  AfterLock(Flags);
  return D3D_OK;
}

HRESULT TMemorySurface::UnlockRect() {
  if (!m_memory.locked) return D3DERR_INVALIDCALL;
  m_memory.locked = false;
  AfterUnlock();
  return D3D_OK;
}

// ---- TMemoryTexture -----------------------------------------------------------------------------------

HRESULT TMemoryTexture::Validate(UINT width, UINT height, UINT levels, D3DFORMAT format) {
  if (width == 0 || height == 0 || width > kMaxTextureSize || height > kMaxTextureSize)
    return D3DERR_INVALIDCALL;
  if (!IsSurfaceFormat(format)) return D3DERR_INVALIDCALL;
  if (levels > FullMipChainLevels(width, height)) return D3DERR_INVALIDCALL;
  return D3D_OK;
}

TMemoryTexture::TMemoryTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                               D3DPOOL pool) {
  if (levels == 0) levels = FullMipChainLevels(width, height);
  m_levels.resize(levels);
  m_lockFlags.resize(levels);
  for (UINT i = 0; i < levels; ++i) {
    SurfaceMemory& level = m_levels[i];
    level.Allocate(format, std::max<UINT>(1, width >> i), std::max<UINT>(1, height >> i));
    level.desc.Type = D3DRTYPE_SURFACE;
    level.desc.Usage = usage;
    level.desc.Pool = pool;
  }
}

DWORD TMemoryTexture::GetLevelCount() {
  return static_cast<DWORD>(m_levels.size());
}

HRESULT TMemoryTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
  if (!pDesc || Level >= m_levels.size()) return D3DERR_INVALIDCALL;
  *pDesc = m_levels[Level].desc;
  return D3D_OK;
}

HRESULT TMemoryTexture::GetSurfaceLevel(UINT Level, ComPtr<IDirect3DSurface8>* ppSurfaceLevel) {
  if (!ppSurfaceLevel || Level >= m_levels.size()) return D3DERR_INVALIDCALL;
  *ppSurfaceLevel = NewLevelSurface(Level);
  return D3D_OK;
}

HRESULT TMemoryTexture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
  if (Level >= m_levels.size()) return D3DERR_INVALIDCALL;
  const HRESULT hr = m_levels[Level].Lock(pLockedRect, pRect);
  if (FAILED(hr)) return hr;
  m_lockFlags[Level] = Flags;
  AfterLock(Level, Flags);
  return D3D_OK;
}

HRESULT TMemoryTexture::UnlockRect(UINT Level) {
  if (Level >= m_levels.size() || !m_levels[Level].locked) return D3DERR_INVALIDCALL;
  m_levels[Level].locked = false;
  if (!(m_lockFlags[Level] & D3DLOCK_READONLY)) dirty = true;
  AfterUnlock(Level);
  return D3D_OK;
}

// ---- Buffers ------------------------------------------------------------------------------------------

HRESULT TMemoryBuffer::LockBytes(UINT offset, UINT size, BYTE** data, DWORD flags) {
  if (!data || m_locked) return D3DERR_INVALIDCALL;
  if (offset > m_bytes.size()) return D3DERR_INVALIDCALL;
  if (size != 0 && size > m_bytes.size() - offset) return D3DERR_INVALIDCALL;
  m_locked = true;
  m_flags = flags;
  *data = m_bytes.data() + offset;
  return D3D_OK;
}

HRESULT TMemoryBuffer::UnlockBytes() {
  if (!m_locked) return D3DERR_INVALIDCALL;
  m_locked = false;
  if (!(m_flags & D3DLOCK_READONLY)) dirty = true;
  return D3D_OK;
}

TMemoryVertexBuffer::TMemoryVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
    : TMemoryBuffer(length) {
  m_desc.Usage = usage;
  m_desc.Pool = pool;
  m_desc.Size = length;
  m_desc.FVF = fvf;
}

HRESULT TMemoryVertexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) {
  return LockBytes(OffsetToLock, SizeToLock, ppbData, Flags);
}
HRESULT TMemoryVertexBuffer::Unlock() {
  return UnlockBytes();
}
HRESULT TMemoryVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  *pDesc = m_desc;
  return D3D_OK;
}

TMemoryIndexBuffer::TMemoryIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : TMemoryBuffer(length) {
  m_desc.Format = format;
  m_desc.Usage = usage;
  m_desc.Pool = pool;
  m_desc.Size = length;
}

HRESULT TMemoryIndexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) {
  return LockBytes(OffsetToLock, SizeToLock, ppbData, Flags);
}
HRESULT TMemoryIndexBuffer::Unlock() {
  return UnlockBytes();
}
HRESULT TMemoryIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  *pDesc = m_desc;
  return D3D_OK;
}

}  // namespace dravo

#pragma once

// Device resources kept in system memory. Every device keeps the bytes of its textures and buffers here
// (a managed-pool copy that LockRect and Lock hand out); GlDevice uploads them to OpenGL when they change.

#include <vector>

#include "render/d3d8.h"

namespace dravo {

// Largest texture side the devices create; bigger requests fail with D3DERR_INVALIDCALL instead of
// allocating whatever a damaged file claims.
inline constexpr UINT kMaxTextureSize = 4096;
inline constexpr UINT kMaxImageSurfaceSize = 8192;
// Largest vertex or index buffer, in bytes.
inline constexpr UINT kMaxBufferBytes = 256u << 20;

// Pixel layout of a format.
bool IsBlockCompressed(D3DFORMAT format);  // DXT1 to DXT5
// Bytes of a 4x4 block (8 for DXT1, 16 for DXT2-5) or of a pixel; 0 for formats the devices don't keep.
UINT FormatBlockBytes(D3DFORMAT format);
UINT FormatBitsPerPixel(D3DFORMAT format);
bool IsSurfaceFormat(D3DFORMAT format);
// Bytes of one row (of blocks, for compressed formats), number of rows, and whole size.
UINT SurfacePitch(D3DFORMAT format, UINT width);
UINT SurfaceRows(D3DFORMAT format, UINT height);
UINT SurfaceSize(D3DFORMAT format, UINT width, UINT height);
// 1 + the number of halvings of the larger side down to 1.
UINT FullMipChainLevels(UINT width, UINT height);
// Size in bytes of one vertex of a flexible vertex format, as the device reads it.
UINT FvfVertexSize(DWORD fvf);
// True when `r` is a rectangle of at least one pixel inside a surface of that size.
bool RectInside(const RECT& r, UINT width, UINT height);

// A block of pixel memory with its description.
struct SurfaceMemory {
  D3DSURFACE_DESC desc;
  UINT pitch = 0;
  std::vector<BYTE> bytes;
  bool locked = false;

  void Allocate(D3DFORMAT format, UINT width, UINT height);
  // Checks the rectangle (whole blocks for compressed formats) and hands out its address.
  HRESULT Lock(D3DLOCKED_RECT* locked_rect, const RECT* rect);
};

// An image surface of its own memory.
class TMemorySurface : public IDirect3DSurface8 {
 public:
  TMemorySurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool = D3DPOOL_SYSTEMMEM);

  HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
  HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
  HRESULT UnlockRect() override;

  const SurfaceMemory& Memory() const { return m_memory; }
  SurfaceMemory& Memory() { return m_memory; }

 protected:
  // Called after the memory was locked (before the caller sees it) and after it was unlocked.
  virtual void AfterLock(DWORD /*flags*/) {}
  virtual void AfterUnlock() {}

 private:
  SurfaceMemory m_memory;
  DWORD m_lockFlags = 0;
};

// A texture level seen as a surface: locks go to the texture, which the surface keeps alive.
class TLevelSurface : public IDirect3DSurface8 {
 public:
  TLevelSurface(IDirect3DTexture8* texture, UINT level) : m_texture(texture), m_level(level) {}
  HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override { return m_texture->GetLevelDesc(m_level, pDesc); }
  HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override {
    return m_texture->LockRect(m_level, pLockedRect, pRect, Flags);
  }
  HRESULT UnlockRect() override { return m_texture->UnlockRect(m_level); }

 private:
  ComPtr<IDirect3DTexture8> m_texture;
  UINT m_level;
};

// A texture whose levels live in memory.
class TMemoryTexture : public IDirect3DTexture8 {
 public:
  // levels 0 makes the full chain. Check the arguments with Validate first.
  TMemoryTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
  static HRESULT Validate(UINT width, UINT height, UINT levels, D3DFORMAT format);

  DWORD GetLevelCount() override;
  HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
  HRESULT GetSurfaceLevel(UINT Level, ComPtr<IDirect3DSurface8>* ppSurfaceLevel) override;
  HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
  HRESULT UnlockRect(UINT Level) override;

  const SurfaceMemory& Level(UINT level) const { return m_levels[level]; }
  D3DFORMAT Format() const { return m_levels[0].desc.Format; }
  // Set by every unlock that may have written; GlDevice clears it when it uploads.
  bool dirty = true;

 protected:
  virtual void AfterLock(UINT /*level*/, DWORD /*flags*/) {}
  virtual void AfterUnlock(UINT /*level*/) {}
  // The surface GetSurfaceLevel hands out for a level that exists.
  virtual ComPtr<IDirect3DSurface8> NewLevelSurface(UINT level) {
    return MakeCom<TLevelSurface>(this, level);
  }

 private:
  std::vector<SurfaceMemory> m_levels;
  std::vector<DWORD> m_lockFlags;
};

// A vertex or index buffer in memory.
class TMemoryBuffer {
 public:
  explicit TMemoryBuffer(UINT length) : m_bytes(length) {}
  HRESULT LockBytes(UINT offset, UINT size, BYTE** data, DWORD flags);
  HRESULT UnlockBytes();
  const std::vector<BYTE>& Bytes() const { return m_bytes; }
  // Set by every unlock that may have written; GlDevice clears it when it uploads.
  bool dirty = true;

 private:
  std::vector<BYTE> m_bytes;
  bool m_locked = false;
  DWORD m_flags = 0;
};

class TMemoryVertexBuffer : public IDirect3DVertexBuffer8, public TMemoryBuffer {
 public:
  TMemoryVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override;
  HRESULT Unlock() override;
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

 private:
  D3DVERTEXBUFFER_DESC m_desc;
};

class TMemoryIndexBuffer : public IDirect3DIndexBuffer8, public TMemoryBuffer {
 public:
  TMemoryIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override;
  HRESULT Unlock() override;
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;

 private:
  D3DINDEXBUFFER_DESC m_desc;
};

}  // namespace dravo

#pragma once

// Everything the 3D panel can draw, and the base of the game model: vertex and index buffers filled through
// callbacks, a copy of every vertex position, and a default draw over a list of texture subsets.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/maths.h"
#include "render/d3d8.h"

namespace dravo {

class MemoryStream;
class TVellDXPanel;

class TRenderableObject {
 public:
  explicit TRenderableObject(TVellDXPanel* panel) : Panel(panel) {}
  virtual ~TRenderableObject() = default;
  TRenderableObject(const TRenderableObject&) = delete;
  TRenderableObject& operator=(const TRenderableObject&) = delete;

  virtual void Render() = 0;
  virtual void RenderAt(const D3DXVECTOR3& position) = 0;

  TVellDXPanel* Panel;  // not owned
};

// One texture subset. Texture is a counted reference; who releases it is the list's rule (FreeAll).
struct TTextureData {
  std::uint32_t StartIndex = 0;
  std::uint32_t PrimitiveCount = 0;
  std::uint8_t SubsetTag = 0;
  std::uint8_t OwnsTexture = 0;
  IDirect3DTexture8* Texture = nullptr;
};

class TTextureList {
 public:
  TTextureList() = default;
  virtual ~TTextureList();
  TTextureList(const TTextureList&) = delete;
  TTextureList& operator=(const TTextureList&) = delete;

  int Count() const { return static_cast<int>(m_items.size()); }
  // Takes the record as it is (its Texture reference goes with it).
  void Add(const TTextureData& record) { m_items.push_back(std::make_unique<TTextureData>(record)); }
  TTextureData& Item(int index) { return *m_items.at(static_cast<size_t>(index)); }
  // A copy of record `index` holding a reference of its own to the texture (the caller releases it), or an
  // all-zero record when index is outside the list.
  void GetTextureData(int index, TTextureData& out) const;
  // Empties the list; releases a record's texture only when the record owns it.
  virtual void FreeAll();

 protected:
  std::vector<std::unique_ptr<TTextureData>> m_items;
};

// The list whose records always give their textures back.
class TKelTextures : public TTextureList {
 public:
  ~TKelTextures() override { FreeAll(); }
  void FreeAll() override;
};

class TDX8Object : public TRenderableObject {
 public:
  // Writes one element (or several, setting count) at destination; false stops the fill.
  using TFillEvent = std::function<bool(TDX8Object& sender, BYTE* destination, std::int32_t& count)>;
  using TUpdateVerticesEvent =
      std::function<void(IDirect3DVertexBuffer8* source, ComPtr<IDirect3DVertexBuffer8>& target)>;

  explicit TDX8Object(TVellDXPanel* panel);
  ~TDX8Object() override;

  // Virtual slots in their order.
  void Render() override;
  void RenderAt(const D3DXVECTOR3& position) override;
  virtual void UpdateVertices(IDirect3DVertexBuffer8* source, ComPtr<IDirect3DVertexBuffer8>& target);
  // Throws std::runtime_error("DirectX Device is not Defined") when the panel has no device.
  virtual void Draw();
  virtual void PrepareSubset(std::uint8_t tag);
  virtual bool LoadFromStream(TVellDXPanel* panel, MemoryStream* stream) = 0;
  virtual bool LoadFromStream(TVellDXPanel* panel, MemoryStream* stream, std::int32_t value) = 0;

  // The vertex size this object's buffers use: 12 for XYZ, 12 for a normal, 4 each for diffuse and
  // specular, 8 per texture-coordinate pair (bits 0x100 and 0x200 of the format).
  UINT VertexSize();
  bool CreateVertices(UINT count);
  bool AddVertices(std::int32_t count);
  bool CreateIndices(UINT count);
  bool AddIndices(UINT count);
  bool DrawSubset(std::int32_t index, bool textured);

  ComPtr<IDirect3DIndexBuffer8> IndexBuffer;
  ComPtr<IDirect3DVertexBuffer8> VertexBuffer;
  std::vector<D3DXVECTOR3> Positions;
  std::unique_ptr<TTextureList> Textures;
  ComPtr<IDirect3DTexture8> DetailTexture;
  DWORD FVF = 0;
  std::int32_t VertexCount = 0;
  std::uint32_t IndexElementCount = 0;
  std::uint16_t IndicesPerElement = 3;
  TFillEvent OnFillVertices;
  TFillEvent OnFillIndices;
  TUpdateVerticesEvent OnUpdateVertices;

 private:
  IDirect3DDevice8* Device() const;
  void ShowMessage(const std::string& text, const std::string& caption) const;
  // Runs the fill callback over elements [first, end) starting at `at`; false when it was stopped.
  bool Fill(const TFillEvent& fill, BYTE* at, std::uint64_t first, std::uint64_t end, UINT elementBytes);
};

}  // namespace dravo

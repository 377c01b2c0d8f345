#pragma once

// The game's skinned model: named bones, level-0 meshes with one material each, all vertices in one
// vertex buffer and all indices in one 16-bit index buffer. Before every draw the bone matrices and the
// skinned positions are recomputed (one bone per vertex, on the processor); the editor poses the model by
// changing bone matrices in OnBoneTransform.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/maths.h"
#include "formats/dxg_file.h"
#include "formats/dxm_material.h"
#include "render/renderable_object.h"

namespace dravo {

struct TDXGBone {
  // The file record.
  std::string Name;  // the name up to its first zero byte
  D3DXMATRIX Local = IdentityMatrix();
  std::array<std::uint8_t, 24> Reserved{};
  float PositionScale = 0.0f;
  std::int32_t Parent = -1;
  // Our own.
  D3DXMATRIX World{};  // recomputed before each draw
  std::uint8_t InPalette = 0;
};

struct TDXGMesh {
  std::unique_ptr<TDXMmaterial> Material;  // none when it could not be loaded
  std::uint32_t FirstVertex = 0;
  std::uint32_t VertexCount = 0;
  std::uint32_t FirstIndex = 0;
  std::uint32_t IndexCount = 0;
};

struct TDXGBoundingBox {
  D3DXVECTOR3 Min{1000000.0f, 1000000.0f, 1000000.0f};
  D3DXVECTOR3 Max{-10000000.0f, -10000000.0f, -10000000.0f};
};

class TDXGmodel : public TDX8Object {
 public:
  // May change a bone's world matrix while the vertices are updated.
  using TBoneTransformEvent = std::function<void(TDXGmodel& sender, D3DXMATRIX& world, std::int32_t bone)>;
  // Supplies the base world matrix at draw time.
  using TWorldMatrixEvent = std::function<void(TDXGmodel& sender, D3DXMATRIX& world)>;
  // May replace a material name before the material is loaded.
  using TMaterialNameEvent = std::function<void(TDXGmodel& sender, std::string& name)>;
  // Supplies the base texture factor at draw time.
  using TTextureFactorEvent = std::function<void(TDXGmodel& sender, D3DCOLOR& colour)>;

  // The size of one vertex: position, normal, diffuse, one coordinate pair.
  static constexpr DWORD kFVF = 0x152;
  static constexpr UINT kVertexBytes = 36;

  TDXGmodel(TVellDXPanel* panel, TMaterialServices services);
  ~TDXGmodel() override;

  // Models are drawn only through RenderAt.
  void Render() override {}
  // Draws the model at a position: world matrix, vertex update, then each mesh with its material's
  // texture stages.
  void RenderAt(const D3DXVECTOR3& position) override;
  // RenderAt without the drawing: the world matrix and the posed vertices only.
  void PoseAt(const D3DXVECTOR3& position);
  // Recomputes the bones' world matrices (raising OnBoneTransform) and the skinned positions.
  void UpdateVertices(IDirect3DVertexBuffer8* source, ComPtr<IDirect3DVertexBuffer8>& target) override;
  // The bones' world matrices alone, as the vertex update makes them (raising OnBoneTransform): how an
  // export reads the pose the view shows without drawing.
  void UpdateBones();
  bool LoadFromStream(TVellDXPanel* panel, MemoryStream* stream) override;
  // Reads a ".dxg" model from the stream's position; the tag is not used. False for a missing stream or
  // panel, a model the parser refuses, or buffers the device cannot make.
  bool LoadFromStream(TVellDXPanel* panel, MemoryStream* stream, std::int32_t tag) override;

  std::int32_t BoneCount() const { return static_cast<std::int32_t>(m_bones.size()); }
  // Copies the bone; an index out of range leaves `out` as it is.
  void GetBone(std::int32_t index, TDXGBone& out) const;
  // The bone itself, or none.
  const TDXGBone* Bone(std::int32_t index) const;
  std::int32_t MeshCount() const { return static_cast<std::int32_t>(m_meshes.size()); }
  TDXGMesh* GetMesh(std::int32_t index);
  // Writes the colour into every vertex (red in the low byte, as the window system keeps colours); nothing
  // happens when it is the colour already set.
  void SetColor(std::uint32_t colour);
  std::uint32_t Color() const { return m_color; }
  const TDXGBoundingBox& BoundingBox() const { return m_box; }
  // Where the last drawing put the model: the box of its posed vertices and the world matrix they were
  // drawn with. Empty before the first drawing.
  const TDXGBoundingBox& PosedBox() const { return m_posedBox; }
  const D3DXMATRIX& LastWorld() const { return m_lastWorld; }
  // The edges of the triangles whose three vertices follow bones marked in `bones` (by bone index), as
  // last posed, in the model's own space: pairs of points for a line list, appended to `out`.
  void CollectEdges(const std::vector<bool>& bones, std::vector<D3DXVECTOR3>& out) const;
  // The palette slot of every vertex; empty when no mesh carries slots.
  const std::vector<std::uint8_t>& VertexBoneSlots() const { return m_slots; }
  const std::array<std::uint8_t, 256>& BonePalette() const { return m_palette; }
  std::uint32_t PaletteLength() const { return m_paletteLength; }

  TBoneTransformEvent OnBoneTransform;
  TWorldMatrixEvent OnWorldMatrix;
  TMaterialNameEvent OnMaterialName;
  TTextureFactorEvent OnTextureFactor;
  // Shaded by the device's lights: the lit vertex colour multiplies what the material's stages give, in the
  // stage after them. Off, the stages are the material's alone (the view's "Lighting" box).
  bool Lit = false;
  // Not 0: drawn as a ghost of another pose (the onion skin), this opaque out of 255. Each mesh takes the
  // lit vertex colour alone (the device's material gives the tint and, in its diffuse alpha, the opacity),
  // keeps its texture's cut-outs, and leaves the blending to the device's states.
  std::uint8_t GhostAlpha = 0;

  // The header values kept as read.
  std::array<char, 4> Magic{};
  std::uint32_t HeaderWord = 0;
  std::uint8_t LevelCount = 0;
  std::uint32_t Level0Word = 0;
  std::uint8_t HeaderByte = 0;
  std::uint32_t TrailerWord = 0;

 private:
  void Clear();
  bool FillIndices(BYTE* destination, std::int32_t& count);
  bool FillVertices(BYTE* destination, std::int32_t& count);
  void DrawMesh(IDirect3DDevice8* device, const TDXGMesh& mesh);
  void DrawGhostMesh(IDirect3DDevice8* device, const TDXGMesh& mesh);
  void DrawMeshes(IDirect3DDevice8* device);

  TMaterialServices m_services;
  std::vector<TDXGBone> m_bones;
  std::vector<TDXGMesh> m_meshes;
  TDXGBoundingBox m_box;
  TDXGBoundingBox m_posedBox;
  D3DXMATRIX m_lastWorld = IdentityMatrix();
  std::vector<std::uint8_t> m_slots;
  std::array<std::uint8_t, 256> m_palette{};
  std::uint32_t m_paletteLength = 0;
  std::uint32_t m_color = 0;
  // The mesh the fill callbacks are reading, and the factor of its quantised positions.
  const DxgMesh* m_pending = nullptr;
  float m_pendingPositionScale = 1.0f;
  std::vector<DxgVertex> m_decoded;
};

}  // namespace dravo

#include "formats/dxg_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/byte_io.h"
#include "core/memory_stream.h"
#include "render/view_panel.h"

namespace dravo {

namespace {

// Round to the nearest (halves to even) and keep the low byte, as a float slot becomes a byte slot.
std::uint8_t SlotByte(float value) {
  if (!std::isfinite(value) || std::fabs(value) > 1.0e9f) return 0;
  return static_cast<std::uint8_t>(static_cast<std::int64_t>(std::nearbyint(value)) & 0xFF);
}

void StorePosition(BYTE* vertex, const D3DXVECTOR3& p) {
  StoreF32(vertex, p.x);
  StoreF32(vertex + 4, p.y);
  StoreF32(vertex + 8, p.z);
}

// The window-system colour's red and blue exchanged, as the device keeps colours.
D3DCOLOR SwapRedBlue(std::uint32_t colour) {
  return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

}  // namespace

TDXGmodel::TDXGmodel(TVellDXPanel* panel, TMaterialServices services)
    : TDX8Object(panel), m_services(services) {}

TDXGmodel::~TDXGmodel() {
  // Materials give their textures back before the buffers go.
  m_meshes.clear();
}

void TDXGmodel::Clear() {
  m_meshes.clear();
  m_bones.clear();
  m_slots.clear();
  m_palette.fill(0);
  m_paletteLength = 0;
  m_box = TDXGBoundingBox{};
  VertexBuffer.Reset();
  IndexBuffer.Reset();
  Positions.clear();
  VertexCount = 0;
  IndexElementCount = 0;
}

bool TDXGmodel::LoadFromStream(TVellDXPanel* panel, MemoryStream* stream) {
  return LoadFromStream(panel, stream, -1);
}

bool TDXGmodel::LoadFromStream(TVellDXPanel* panel, MemoryStream* stream, std::int32_t /*tag*/) {
  if (!stream || !panel) return false;
  Panel = panel;
  Clear();
  OnFillVertices = [this](TDX8Object&, BYTE* destination, std::int32_t& count) {
    return FillVertices(destination, count);
  };
  OnFillIndices = [this](TDX8Object&, BYTE* destination, std::int32_t& count) {
    return FillIndices(destination, count);
  };
  FVF = kFVF;
  IndicesPerElement = 1;

  // The whole model is checked before anything is made of it.
  const std::size_t start = std::min(stream->position(), stream->size());
  DxgFile file;
  std::size_t consumed = 0;
  try {
    file = ParseDxgFile(stream->bytes().subspan(start), &consumed);
  } catch (const DxgFileError&) {
    return false;
  }
  stream->setPosition(start + consumed);

  Magic = file.magic;
  HeaderWord = file.headerWord;
  LevelCount = file.levelCount;
  HeaderByte = file.levelByte;
  Level0Word = file.levels.front().word;
  TrailerWord = file.trailerWord;

  m_bones.resize(file.bones.size());
  for (std::size_t i = 0; i < file.bones.size(); ++i) {
    const DxgBone& from = file.bones[i];
    TDXGBone& to = m_bones[i];
    to.Name = from.name;
    to.Local = from.local;
    to.Reserved = from.reserved;
    to.PositionScale = from.positionScale;
    to.Parent = from.parent;
  }

  const std::vector<DxgMesh>& meshes = file.levels.front().meshes;
  const std::size_t nameCount = file.materialNames.size();
  m_meshes.resize(meshes.size());
  for (std::size_t i = 0; i < meshes.size(); ++i) {
    const DxgMesh& mesh = meshes[i];
    TDXGMesh& record = m_meshes[i];
    // A model without material names leaves its meshes without materials.
    if (nameCount > 0) {
      std::string name = file.materialNames[mesh.materialIndex % nameCount];
      if (OnMaterialName) OnMaterialName(*this, name);
      auto material = std::make_unique<TDXMmaterial>(name, Panel, m_services);
      if (material->LoadByName(name)) record.Material = std::move(material);
    }
    const std::uint32_t vertices = mesh.vertexCount;
    const std::uint32_t indices = static_cast<std::uint32_t>(mesh.indices.size());
    record.FirstVertex = static_cast<std::uint32_t>(VertexCount);
    record.VertexCount = vertices;
    record.FirstIndex = IndexElementCount;
    record.IndexCount = indices;
    if (vertices == 0 || indices == 0) continue;

    m_pending = &mesh;
    m_pendingPositionScale = DxgCompressedPositionScale(file, mesh);
    const std::uint32_t indicesBefore = IndexElementCount;
    const std::int32_t verticesBefore = VertexCount;
    if (IndexElementCount == 0)
      CreateIndices(indices);
    else
      AddIndices(indices);
    if (VertexCount == 0)
      CreateVertices(vertices);
    else
      AddVertices(static_cast<std::int32_t>(vertices));
    m_pending = nullptr;
    // Buffers the device would not make leave the model without its vertices.
    if (IndexElementCount != indicesBefore + indices ||
        VertexCount != verticesBefore + static_cast<std::int32_t>(vertices))
      return false;
  }
  m_decoded.clear();
  m_decoded.shrink_to_fit();

  m_paletteLength = static_cast<std::uint32_t>(file.palette.size());
  std::copy(file.palette.begin(), file.palette.end(), m_palette.begin());
  for (std::uint8_t bone : file.palette)
    if (bone < m_bones.size()) m_bones[bone].InPalette = 1;

  // Vertices of meshes without slots point at slot 0, also those after the last mesh with slots.
  if (!m_slots.empty()) m_slots.resize(static_cast<std::size_t>(VertexCount), 0);

  // The palette completion: a palette naming fewer slots than there are bones is followed by a fixed
  // list, and the vertices of meshes 1 and later are moved past the file's slots.
  const std::uint32_t k = m_paletteLength;
  if (k < m_bones.size()) {
    std::copy(kDxgPaletteCompletion.begin(), kDxgPaletteCompletion.end(), m_palette.begin() + k);
    std::size_t first = 0;
    for (std::size_t i = 0; i < meshes.size(); ++i) {
      const std::size_t end = first + meshes[i].vertexCount;
      if (i > 0) {
        const std::uint8_t shift = static_cast<std::uint8_t>(i == 1 ? k : k + 9);
        for (std::size_t v = first; v < end && v < m_slots.size(); ++v)
          m_slots[v] = static_cast<std::uint8_t>(m_slots[v] + shift);
      }
      first = end;
    }
  }
  return true;
}

bool TDXGmodel::FillIndices(BYTE* destination, std::int32_t& count) {
  if (!m_pending) return false;
  const std::vector<std::uint16_t>& indices = m_pending->indices;
  for (std::size_t i = 0; i < indices.size(); ++i)
    StoreU16(destination + 2 * i, indices[i]);
  count = static_cast<std::int32_t>(indices.size());
  return true;
}

bool TDXGmodel::FillVertices(BYTE* destination, std::int32_t& count) {
  if (!m_pending) return false;
  const DxgMesh& mesh = *m_pending;
  const std::size_t n = mesh.vertexCount;
  m_decoded.resize(n);
  DecodeDxgVertices(mesh, m_pendingPositionScale, m_decoded.data());
  const std::size_t first = static_cast<std::size_t>(std::max(0, VertexCount));
  const bool slots = !mesh.compressed() && (mesh.flags & kDxgBoneSlots);
  if (slots) m_slots.resize(first + n, 0);
  for (std::size_t j = 0; j < n; ++j) {
    const DxgVertex& v = m_decoded[j];
    BYTE* out = destination + j * kVertexBytes;
    StorePosition(out, v.position);
    StoreF32(out + 12, v.normal.x);
    StoreF32(out + 16, v.normal.y);
    StoreF32(out + 20, v.normal.z);
    StoreU32(out + 24, m_color);
    StoreF32(out + 28, v.u);
    StoreF32(out + 32, v.v);
    m_box.Min = {std::min(m_box.Min.x, v.position.x), std::min(m_box.Min.y, v.position.y),
                 std::min(m_box.Min.z, v.position.z)};
    m_box.Max = {std::max(m_box.Max.x, v.position.x), std::max(m_box.Max.y, v.position.y),
                 std::max(m_box.Max.z, v.position.z)};
    if (slots) m_slots[first + j] = SlotByte(v.slot);
  }
  count = static_cast<std::int32_t>(n);
  return true;
}

void TDXGmodel::UpdateBones() {
  const std::size_t boneCount = m_bones.size();
  for (std::size_t i = 0; i < boneCount; ++i) {
    TDXGBone& bone = m_bones[i];
    // A parent index outside the skeleton counts as no parent.
    if (bone.Parent >= 0 && static_cast<std::size_t>(bone.Parent) < boneCount)
      D3DXMatrixMultiply(&bone.World, &bone.Local, &m_bones[static_cast<std::size_t>(bone.Parent)].World);
    else
      bone.World = bone.Local;
    if (OnBoneTransform) OnBoneTransform(*this, bone.World, static_cast<std::int32_t>(i));
  }
}

void TDXGmodel::UpdateVertices(IDirect3DVertexBuffer8* source, ComPtr<IDirect3DVertexBuffer8>& target) {
  if (OnUpdateVertices) {
    OnUpdateVertices(source, target);
    return;
  }
  target = ComPtr<IDirect3DVertexBuffer8>(source);
  if (!source) return;

  UpdateBones();
  const std::size_t boneCount = m_bones.size();

  BYTE* data = nullptr;
  if (FAILED(source->Lock(0, 0, &data, 0)) || !data) return;
  D3DVERTEXBUFFER_DESC desc;
  source->GetDesc(&desc);
  const std::size_t count = std::min({static_cast<std::size_t>(std::max(0, VertexCount)), Positions.size(),
                                      static_cast<std::size_t>(desc.Size / kVertexBytes)});
  TDXGBoundingBox box;
  const auto grow = [&box](const D3DXVECTOR3& p) {
    box.Min = {std::min(box.Min.x, p.x), std::min(box.Min.y, p.y), std::min(box.Min.z, p.z)};
    box.Max = {std::max(box.Max.x, p.x), std::max(box.Max.y, p.y), std::max(box.Max.z, p.z)};
  };
  if (m_slots.empty()) {
    for (std::size_t v = 0; v < count; ++v) {
      StorePosition(data + v * kVertexBytes, Positions[v]);
      grow(Positions[v]);
    }
  } else {
    for (std::size_t v = 0; v < count; ++v) {
      const std::uint8_t slot = v < m_slots.size() ? m_slots[v] : 0;
      const std::uint8_t bone = m_palette[slot];
      D3DXVECTOR3 p = Positions[v];
      // A slot that names no bone leaves the vertex where it was loaded.
      if (bone < boneCount) D3DXVec3TransformCoord(&p, &Positions[v], &m_bones[bone].World);
      StorePosition(data + v * kVertexBytes, p);
      grow(p);
    }
  }
  source->Unlock();
  m_posedBox = box;
}

void TDXGmodel::RenderAt(const D3DXVECTOR3& position) {
  IDirect3DDevice8* device = Panel ? Panel->Device() : nullptr;
  if (!device) return;
  PoseAt(position);
  DrawMeshes(device);
}

void TDXGmodel::PoseAt(const D3DXVECTOR3& position) {
  IDirect3DDevice8* device = Panel ? Panel->Device() : nullptr;
  if (!device) return;
  D3DXMATRIX base = IdentityMatrix();
  if (OnWorldMatrix) OnWorldMatrix(*this, base);
  const D3DXMATRIX orientation = OrientationMatrix(Vec3(0, 0, 1), Vec3(0, 1, 0));
  D3DXMATRIX scaling, translation, world;
  D3DXMatrixScaling(&scaling, 1, 1, 1);
  D3DXMatrixTranslation(&translation, position.x, position.y, position.z);
  D3DXMatrixMultiply(&world, &orientation, &scaling);
  D3DXMatrixMultiply(&world, &world, &translation);
  D3DXMatrixMultiply(&world, &world, &base);
  device->SetTransform(D3DTS_WORLD, &world);
  m_lastWorld = world;

  ComPtr<IDirect3DVertexBuffer8> vertices;
  UpdateVertices(VertexBuffer.Get(), vertices);
}

void TDXGmodel::DrawMeshes(IDirect3DDevice8* device) {
  for (const TDXGMesh& mesh : m_meshes) {
    if (!mesh.Material || mesh.VertexCount == 0 || mesh.IndexCount == 0) continue;
    if (GhostAlpha != 0)
      DrawGhostMesh(device, mesh);
    else
      DrawMesh(device, mesh);
  }
}

void TDXGmodel::DrawGhostMesh(IDirect3DDevice8* device, const TDXGMesh& mesh) {
  const TDXMmaterial& material = *mesh.Material;
  if (material.PassCount < 1 || mesh.IndexCount < 3) return;
  // The first pass's texture carries the cut-outs in both kinds of material.
  const TShaderPass& first = *material.GetPass(0);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
  // Cut where the model itself cuts: at half of the ghost's own opacity.
  device->SetRenderState(D3DRS_ALPHAREF, std::max<DWORD>(1, GhostAlpha / 2u));
  device->SetTexture(0, first.Texture ? first.Texture.Get() : nullptr);
  device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  HRESULT hr = device->SetIndices(IndexBuffer.Get(), mesh.FirstVertex);
  if (SUCCEEDED(hr)) hr = device->SetStreamSource(0, VertexBuffer.Get(), VertexSize());
  if (SUCCEEDED(hr)) hr = device->SetVertexShader(FVF);
  if (SUCCEEDED(hr))
    device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, mesh.VertexCount, mesh.FirstIndex,
                                 mesh.IndexCount - 2);
}

void TDXGmodel::DrawMesh(IDirect3DDevice8* device, const TDXGMesh& mesh) {
  const TDXMmaterial& material = *mesh.Material;
  // A material without passes has no texture stages to set; a strip of fewer than three indices has no
  // triangle to draw.
  if (material.PassCount < 1 || mesh.IndexCount < 3) return;

  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
  device->SetRenderState(D3DRS_ALPHAREF, 128);

  D3DCOLOR factor = 0xFF000000u;
  if (OnTextureFactor) OnTextureFactor(*this, factor);
  factor += SwapRedBlue(m_color);
  HRESULT hr = device->SetRenderState(D3DRS_TEXTUREFACTOR, factor);

  const TShaderPass& first = *material.GetPass(0);
  if (material.PassCount > 1) {
    const TShaderPass& second = *material.GetPass(1);
    if (second.Texture) device->SetTexture(0, second.Texture.Get());
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    if (first.Texture) device->SetTexture(1, first.Texture.Get());
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(1, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_BLENDCURRENTALPHA);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
    device->SetTextureStageState(3, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(3, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  } else {
    if (first.Texture) device->SetTexture(0, first.Texture.Get());
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_NONE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetTexture(1, nullptr);
    device->SetTexture(2, nullptr);
  }

  // Lit: the stage after the material's multiplies its colour by the lit vertex colour; the stage is
  // switched off again after the draw, so an unlit mesh that follows ends where its own stages do.
  const DWORD litStage = material.PassCount > 1 ? 2 : 1;
  if (Lit) {
    device->SetTextureStageState(litStage, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(litStage, D3DTSS_COLORARG1, D3DTA_CURRENT);
    device->SetTextureStageState(litStage, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(litStage, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(litStage, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
  }

  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);

  // Each step only after the one before it worked; a failure ends this mesh without a word.
  if (SUCCEEDED(hr)) hr = device->SetIndices(IndexBuffer.Get(), mesh.FirstVertex);
  if (SUCCEEDED(hr)) hr = device->SetStreamSource(0, VertexBuffer.Get(), VertexSize());
  if (SUCCEEDED(hr)) hr = device->SetVertexShader(FVF);
  if (SUCCEEDED(hr))
    device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, mesh.VertexCount, mesh.FirstIndex,
                                 mesh.IndexCount - 2);
  if (Lit) {
    device->SetTextureStageState(litStage, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(litStage, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  }
}

void TDXGmodel::CollectEdges(const std::vector<bool>& bones, std::vector<D3DXVECTOR3>& out) const {
  if (m_slots.empty() || !IndexBuffer) return;
  const std::size_t vertices = std::min(Positions.size(), m_slots.size());
  // The bone each vertex follows, or none.
  const auto boneOf = [&](std::size_t v) -> int {
    if (v >= vertices) return -1;
    const std::uint8_t bone = m_palette[m_slots[v]];
    return bone < m_bones.size() && bone < bones.size() && bones[bone] ? bone : -1;
  };
  const auto posed = [&](std::size_t v, int bone) {
    D3DXVECTOR3 p = Positions[v];
    D3DXVec3TransformCoord(&p, &Positions[v], &m_bones[static_cast<std::size_t>(bone)].World);
    return p;
  };
  BYTE* data = nullptr;
  if (FAILED(IndexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY)) || !data) return;
  D3DINDEXBUFFER_DESC desc{};
  IndexBuffer->GetDesc(&desc);
  const std::size_t indexCount = desc.Size / 2;
  const auto* indices = reinterpret_cast<const std::uint16_t*>(data);
  for (const TDXGMesh& mesh : m_meshes) {
    if (mesh.IndexCount < 3 || std::size_t(mesh.FirstIndex) + mesh.IndexCount > indexCount) continue;
    for (std::uint32_t i = 0; i + 2 < mesh.IndexCount; ++i) {
      std::size_t v[3];
      int b[3];
      bool all = true;
      for (int k = 0; k < 3; ++k) {
        v[k] = std::size_t(mesh.FirstVertex) + indices[mesh.FirstIndex + i + static_cast<std::uint32_t>(k)];
        b[k] = boneOf(v[k]);
        all = all && b[k] >= 0;
      }
      // Strips join with repeated indices: those triangles have no area.
      if (!all || v[0] == v[1] || v[1] == v[2] || v[0] == v[2]) continue;
      const D3DXVECTOR3 p0 = posed(v[0], b[0]), p1 = posed(v[1], b[1]), p2 = posed(v[2], b[2]);
      out.insert(out.end(), {p0, p1, p1, p2, p2, p0});
    }
  }
  IndexBuffer->Unlock();
}

void TDXGmodel::GetBone(std::int32_t index, TDXGBone& out) const {
  if (const TDXGBone* bone = Bone(index)) out = *bone;
}

const TDXGBone* TDXGmodel::Bone(std::int32_t index) const {
  if (index < 0 || index >= BoneCount()) return nullptr;
  return &m_bones[static_cast<std::size_t>(index)];
}

TDXGMesh* TDXGmodel::GetMesh(std::int32_t index) {
  if (index < 0 || index >= MeshCount()) return nullptr;
  return &m_meshes[static_cast<std::size_t>(index)];
}

void TDXGmodel::SetColor(std::uint32_t colour) {
  if (colour == m_color) return;
  m_color = colour;
  if (VertexCount <= 0 || !VertexBuffer) return;
  BYTE* data = nullptr;
  if (FAILED(VertexBuffer->Lock(0, 0, &data, 0)) || !data) return;
  D3DVERTEXBUFFER_DESC desc;
  VertexBuffer->GetDesc(&desc);
  const std::size_t count =
      std::min(static_cast<std::size_t>(VertexCount), static_cast<std::size_t>(desc.Size / kVertexBytes));
  for (std::size_t v = 0; v < count; ++v)
    StoreU32(data + v * kVertexBytes + 24, colour);
  VertexBuffer->Unlock();
}

}  // namespace dravo

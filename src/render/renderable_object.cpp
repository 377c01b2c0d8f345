#include "render/renderable_object.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "render/view_panel.h"

namespace dravo {

// ---- TTextureList -------------------------------------------------------------------------------------

TTextureList::~TTextureList() {
  TTextureList::FreeAll();
}

void TTextureList::GetTextureData(int index, TTextureData& out) const {
  if (index < 0 || index >= Count()) {
    out = TTextureData{};
    return;
  }
  out = *m_items[static_cast<size_t>(index)];
  if (out.Texture) out.Texture->AddRef();
}

void TTextureList::FreeAll() {
  while (!m_items.empty()) {
    const TTextureData& record = *m_items.front();
    if (record.OwnsTexture && record.Texture) record.Texture->Release();
    m_items.erase(m_items.begin());
  }
}

void TKelTextures::FreeAll() {
  while (!m_items.empty()) {
    const TTextureData& record = *m_items.front();
    if (record.Texture) record.Texture->Release();
    m_items.erase(m_items.begin());
  }
}

// ---- TDX8Object ---------------------------------------------------------------------------------------

TDX8Object::TDX8Object(TVellDXPanel* panel)
    : TRenderableObject(panel), Textures(std::make_unique<TTextureList>()) {}

TDX8Object::~TDX8Object() {
  Textures.reset();
  Positions.clear();
}

IDirect3DDevice8* TDX8Object::Device() const {
  return Panel ? Panel->Device() : nullptr;
}

void TDX8Object::ShowMessage(const std::string& text, const std::string& caption) const {
  if (Panel) Panel->MessageBox(text, caption, TMsgButtons::Ok);
}

void TDX8Object::Render() {
  Draw();
}

void TDX8Object::RenderAt(const D3DXVECTOR3& position) {
  IDirect3DDevice8* device = Device();
  D3DXMATRIX world;
  D3DXMatrixTranslation(&world, position.x, position.y, position.z);
  if (device) device->SetTransform(D3DTS_WORLD, &world);
  Draw();
  D3DXMatrixIdentity(&world);
  if (device) device->SetTransform(D3DTS_WORLD, &world);
}

void TDX8Object::UpdateVertices(IDirect3DVertexBuffer8* /*source*/, ComPtr<IDirect3DVertexBuffer8>& target) {
  target = VertexBuffer;
}

void TDX8Object::PrepareSubset(std::uint8_t /*tag*/) {}

UINT TDX8Object::VertexSize() {
  if (FVF == 0) ShowMessage("FVF is zero", "FVF Error");
  UINT size = 0;
  if (FVF & D3DFVF_XYZ) size += 12;
  if (FVF & D3DFVF_NORMAL) size += 12;
  if (FVF & D3DFVF_DIFFUSE) size += 4;
  if (FVF & D3DFVF_SPECULAR) size += 4;
  if (FVF & 0x100) size += 8;
  if (FVF & 0x200) size += 16;
  return size;
}

bool TDX8Object::Fill(const TFillEvent& fill, BYTE* at, std::uint64_t first, std::uint64_t end,
                      UINT elementBytes) {
  std::int32_t count = 1;
  for (std::uint64_t i = first; i < end;) {
    if (!fill || !fill(*this, at, count)) return false;
    // A callback that claims no element would be called at the same place for ever.
    if (count < 1) return false;
    at += static_cast<size_t>(count) * elementBytes;
    i += static_cast<std::uint64_t>(count);
  }
  return true;
}

namespace {

// Byte size of `count` elements, or 0 when it does not fit a buffer length.
UINT BufferBytes(std::uint64_t count, std::uint64_t elementBytes) {
  const std::uint64_t bytes = count * elementBytes;
  if (elementBytes != 0 && bytes / elementBytes != count) return 0;
  return bytes > std::numeric_limits<UINT>::max() ? 0 : static_cast<UINT>(bytes);
}

// The first 12 bytes of every vertex, where the vertex holds that many.
void CopyPositions(const BYTE* vertices, UINT stride, std::vector<D3DXVECTOR3>& positions, size_t first,
                   size_t count) {
  if (stride < sizeof(D3DXVECTOR3)) return;
  for (size_t i = 0; i < count; ++i)
    std::memcpy(&positions[first + i], vertices + i * stride, sizeof(D3DXVECTOR3));
}

}  // namespace

bool TDX8Object::CreateVertices(UINT count) {
  const UINT stride = VertexSize();
  VertexBuffer.Reset();
  IDirect3DDevice8* device = Device();
  const UINT bytes = BufferBytes(count, stride);
  if (!device || bytes == 0 ||
      FAILED(device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, FVF, D3DPOOL_DEFAULT, &VertexBuffer)))
    return false;
  BYTE* data = nullptr;
  if (FAILED(VertexBuffer->Lock(0, 0, &data, 0))) return false;
  if (Fill(OnFillVertices, data, 1, static_cast<std::uint64_t>(count) + 1, stride))
    VertexCount = static_cast<std::int32_t>(count);
  Positions.assign(count, D3DXVECTOR3{});
  CopyPositions(data, stride, Positions, 0, count);
  return SUCCEEDED(VertexBuffer->Unlock());
}

bool TDX8Object::AddVertices(std::int32_t count) {
  if (count < 0) return false;
  const UINT stride = VertexSize();
  IDirect3DDevice8* device = Device();
  const std::uint64_t oldCount = static_cast<std::uint64_t>(std::max(0, VertexCount));
  const std::uint64_t total = oldCount + static_cast<std::uint64_t>(count);
  if (total > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return false;
  ComPtr<IDirect3DVertexBuffer8> old = std::move(VertexBuffer);
  VertexBuffer.Reset();
  const UINT bytes = BufferBytes(total, stride);
  if (!device || bytes == 0 ||
      FAILED(device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, FVF, D3DPOOL_DEFAULT, &VertexBuffer)))
    return false;
  BYTE* from = nullptr;
  BYTE* to = nullptr;
  const bool oldLocked = old && SUCCEEDED(old->Lock(0, 0, &from, 0));
  if (FAILED(VertexBuffer->Lock(0, 0, &to, 0))) {
    if (oldLocked) old->Unlock();
    return false;
  }
  // Only what the old buffer really holds is copied.
  if (oldLocked) {
    D3DVERTEXBUFFER_DESC desc{};
    old->GetDesc(&desc);
    std::memcpy(to, from, std::min<std::uint64_t>(oldCount * stride, std::min(desc.Size, bytes)));
  }
  Positions.resize(total);
  if (Fill(OnFillVertices, to + oldCount * stride, oldCount, total, stride)) {
    CopyPositions(to + oldCount * stride, stride, Positions, oldCount, static_cast<size_t>(count));
    VertexCount = static_cast<std::int32_t>(total);
  }
  if (oldLocked) old->Unlock();
  old.Reset();
  return SUCCEEDED(VertexBuffer->Unlock());
}

bool TDX8Object::CreateIndices(UINT count) {
  IndexBuffer.Reset();
  IDirect3DDevice8* device = Device();
  const UINT elementBytes = static_cast<UINT>(IndicesPerElement) * 2;
  const UINT bytes = BufferBytes(count, elementBytes);
  if (!device || bytes == 0 ||
      FAILED(device->CreateIndexBuffer(bytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                       &IndexBuffer)))
    return false;
  BYTE* data = nullptr;
  if (FAILED(IndexBuffer->Lock(0, 0, &data, 0))) return false;
  if (Fill(OnFillIndices, data, 0, count, elementBytes)) IndexElementCount = count;
  return SUCCEEDED(IndexBuffer->Unlock());
}

bool TDX8Object::AddIndices(UINT count) {
  IDirect3DDevice8* device = Device();
  const UINT elementBytes = static_cast<UINT>(IndicesPerElement) * 2;
  const std::uint64_t oldCount = IndexElementCount;
  const std::uint64_t total = oldCount + count;
  ComPtr<IDirect3DIndexBuffer8> old = std::move(IndexBuffer);
  IndexBuffer.Reset();
  const UINT bytes = BufferBytes(total, elementBytes);
  if (!device || bytes == 0 ||
      FAILED(device->CreateIndexBuffer(bytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                       &IndexBuffer)))
    return false;
  BYTE* from = nullptr;
  BYTE* to = nullptr;
  const bool oldLocked = old && SUCCEEDED(old->Lock(0, 0, &from, 0));
  if (FAILED(IndexBuffer->Lock(0, 0, &to, 0))) {
    if (oldLocked) old->Unlock();
    return false;
  }
  if (oldLocked) {
    D3DINDEXBUFFER_DESC desc{};
    old->GetDesc(&desc);
    std::memcpy(to, from, std::min<std::uint64_t>(oldCount * elementBytes, std::min(desc.Size, bytes)));
  }
  if (Fill(OnFillIndices, to + oldCount * elementBytes, oldCount, total, elementBytes))
    IndexElementCount = static_cast<std::uint32_t>(total);
  if (oldLocked) old->Unlock();
  old.Reset();
  return SUCCEEDED(IndexBuffer->Unlock());
}

void TDX8Object::Draw() {
  if (!Device()) throw std::runtime_error("DirectX Device is not Defined");
  if (Textures->Count() == 0) {
    if (!DrawSubset(0, false)) ShowMessage("Direct3D Rendering error", "Error.");
    return;
  }
  for (int i = 0; i < Textures->Count(); ++i)
    if (!DrawSubset(i, true)) ShowMessage("Direct3D Rendering error", "Error.");
}

bool TDX8Object::DrawSubset(std::int32_t index, bool textured) {
  IDirect3DDevice8* device = Device();
  if (!device) return false;
  HRESULT hr = D3D_OK;
  // After the first step, each step runs only while everything before it succeeded; a skipped step says so.
  auto guarded = [&](auto&& step) {
    if (hr != D3D_OK) {
      ShowMessage("D3D Result not equal to zero", "D3DX8 Error");
      return;
    }
    hr = step();
  };
  if (!textured) {
    hr = device->SetIndices(IndexBuffer.Get(), 0);
    guarded([&] { return device->SetStreamSource(0, VertexBuffer.Get(), VertexSize()); });
    guarded([&] { return device->SetVertexShader(FVF); });
    guarded([&] {
      return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(VertexCount), 0,
                                          IndexElementCount);
    });
    return hr == D3D_OK;
  }

  TTextureData record;
  Textures->GetTextureData(index, record);
  ComPtr<IDirect3DTexture8> texture;
  texture.Attach(record.Texture);  // the copy's reference, given back when we are done
  PrepareSubset(record.SubsetTag);
  if (OnUpdateVertices) {
    ComPtr<IDirect3DVertexBuffer8> target;
    OnUpdateVertices(VertexBuffer.Get(), target);
  }
  hr = texture ? device->SetTexture(0, texture.Get()) : D3D_OK;
  guarded([&] { return device->SetIndices(IndexBuffer.Get(), 0); });
  guarded([&] { return device->SetStreamSource(0, VertexBuffer.Get(), VertexSize()); });
  guarded([&] { return device->SetVertexShader(FVF); });
  if (DetailTexture) {
    guarded([&] { return device->SetTexture(1, DetailTexture.Get()); });
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(1, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(1, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(1, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_BLENDTEXTUREALPHA);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
  }
  guarded([&] {
    return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(VertexCount),
                                        record.StartIndex, record.PrimitiveCount);
  });
  if (DetailTexture) device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  return hr == D3D_OK;
}

}  // namespace dravo

// Headless frame times and texture uploads on the OpenGL device.
//
//   render_bench --benchmark_format=console
//
// Compare BM_MeshFrame with BM_EmptyFrame (same device, 640x480) and BM_UploadDxt1 with BM_UploadArgb; the
// label of each line names the OpenGL renderer measured on.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "render/gl/gl_device.h"

using namespace dravo;

namespace {

struct Vertex {
  float x, y, z;
  float nx, ny, nz;
  D3DCOLOR diffuse;
  float u, v;
};
static_assert(sizeof(Vertex) == 36);
constexpr DWORD kFvf = 0x152;

struct Bench {
  std::unique_ptr<GlDirect3D> d3d;
  std::unique_ptr<IDirect3DDevice8> device;
  GlDevice* gl = nullptr;

  bool Make(UINT width, UINT height, GlDeviceOptions options = {}) {
    d3d = CreateHeadlessDirect3D();
    d3d->deviceOptions = options;
    D3DPRESENT_PARAMETERS p;
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.Windowed = true;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.EnableAutoDepthStencil = true;
    p.AutoDepthStencilFormat = D3DFMT_D16;
    if (FAILED(
            d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device)))
      return false;
    gl = static_cast<GlDevice*>(device.get());
    return true;
  }
};

void BM_EmptyFrame(benchmark::State& state) {
  Bench b;
  if (!b.Make(640, 480)) return state.SkipWithError("no headless OpenGL device");
  for (auto _ : state) {
    b.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF336699, 1.0f, 0);
    b.device->BeginScene();
    b.device->EndScene();
    b.device->Present(nullptr, nullptr, nullptr, nullptr);
    b.gl->Finish();
  }
  state.SetLabel(b.gl->Renderer());
}

// A skinned-model-sized frame: 20,000 vertices rewritten every frame (as the model's skinning does), drawn as
// 30 textured strips with the model's states, in a 640x480 perspective view.
void BM_MeshFrame(benchmark::State& state) {
  Bench b;
  if (!b.Make(640, 480)) return state.SkipWithError("no headless OpenGL device");
  IDirect3DDevice8* d = b.device.get();
  constexpr UINT kColumns = 200, kRows = 100, kVertices = kColumns * kRows, kDraws = 30;
  ComPtr<IDirect3DVertexBuffer8> vb;
  ComPtr<IDirect3DIndexBuffer8> ib;
  d->CreateVertexBuffer(kVertices * sizeof(Vertex), D3DUSAGE_WRITEONLY, kFvf, D3DPOOL_DEFAULT, &vb);
  // One strip per row pair, with degenerate joins, split into 30 draws.
  std::vector<std::uint16_t> indices;
  std::vector<std::pair<UINT, UINT>> draws;  // first index, primitives
  for (UINT i = 0; i < kDraws; ++i) {
    const UINT first = static_cast<UINT>(indices.size());
    for (UINT r = i * (kRows - 1) / kDraws; r < (i + 1) * (kRows - 1) / kDraws; ++r) {
      if (indices.size() > first) {
        indices.push_back(indices.back());
        indices.push_back(static_cast<std::uint16_t>(r * kColumns));
      }
      for (UINT c = 0; c < kColumns; ++c) {
        indices.push_back(static_cast<std::uint16_t>(r * kColumns + c));
        indices.push_back(static_cast<std::uint16_t>((r + 1) * kColumns + c));
      }
    }
    draws.emplace_back(first, static_cast<UINT>(indices.size()) - first - 2);
  }
  d->CreateIndexBuffer(static_cast<UINT>(indices.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                       D3DPOOL_DEFAULT, &ib);
  BYTE* data = nullptr;
  ib->Lock(0, 0, &data, 0);
  std::memcpy(data, indices.data(), indices.size() * 2);
  ib->Unlock();
  ComPtr<IDirect3DTexture8> texture;
  d->CreateTexture(256, 256, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &texture);

  D3DXMATRIX view, projection;
  const D3DXVECTOR3 eye{0, 0, -3}, at{0, 0, 0}, up{0, 1, 0};
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixPerspectiveFovLH(&projection, kPi / 3, 1.0f, 1.0f, 1000.0f);
  d->SetTransform(D3DTS_VIEW, &view);
  d->SetTransform(D3DTS_PROJECTION, &projection);
  d->SetRenderState(D3DRS_LIGHTING, 0);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
  d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  d->SetRenderState(D3DRS_ALPHAREF, 128);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetTexture(0, texture.Get());
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);

  float phase = 0;
  for (auto _ : state) {
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF336699, 1.0f, 0);
    d->BeginScene();
    vb->Lock(0, 0, &data, 0);
    auto* v = reinterpret_cast<Vertex*>(data);
    for (UINT r = 0; r < kRows; ++r) {
      for (UINT c = 0; c < kColumns; ++c) {
        const float x = static_cast<float>(c) / kColumns * 2 - 1, y = static_cast<float>(r) / kRows * 2 - 1;
        *v++ = {x, y, 0.1f * std::sin(x * 6 + phase), 0, 0, -1, 0xFFFFFFFF, x, y};
      }
    }
    vb->Unlock();
    phase += 0.1f;
    d->SetIndices(ib.Get(), 0);
    d->SetStreamSource(0, vb.Get(), sizeof(Vertex));
    d->SetVertexShader(kFvf);
    for (auto [first, primitives] : draws) {
      d->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
      d->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, kVertices, first, primitives);
    }
    d->EndScene();
    d->Present(nullptr, nullptr, nullptr, nullptr);
    b.gl->Finish();
  }
  state.counters["draws"] = static_cast<double>(draws.size());
  state.counters["vertices"] = kVertices;
  state.SetLabel(b.gl->Renderer());
}

// Writes a 1024x1024 texture through LockRect and makes the device upload it by drawing with it.
void Upload(benchmark::State& state, D3DFORMAT format, GlDeviceOptions options) {
  Bench b;
  if (!b.Make(64, 64, options)) return state.SkipWithError("no headless OpenGL device");
  IDirect3DDevice8* d = b.device.get();
  ComPtr<IDirect3DTexture8> texture;
  d->CreateTexture(1024, 1024, 1, 0, format, D3DPOOL_MANAGED, &texture);
  D3DSURFACE_DESC desc{};
  texture->GetLevelDesc(0, &desc);
  std::vector<BYTE> content(desc.Size);
  for (size_t i = 0; i < content.size(); ++i)
    content[i] = static_cast<BYTE>(i * 2654435761u >> 24);
  struct Screen {
    float x, y, z, rhw;
    float u, v;
  };
  const Screen quad[4] = {
      {0, 0, 0.5f, 1, 0, 0}, {4, 0, 0.5f, 1, 1, 0}, {0, 4, 0.5f, 1, 0, 1}, {4, 4, 0.5f, 1, 1, 1}};
  d->SetRenderState(D3DRS_LIGHTING, 0);
  d->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_TEX1);
  d->SetTexture(0, texture.Get());
  for (auto _ : state) {
    D3DLOCKED_RECT lr{};
    texture->LockRect(0, &lr, nullptr, 0);
    std::memcpy(lr.pBits, content.data(), content.size());
    texture->UnlockRect(0);
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Screen));
    b.gl->Finish();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * desc.Size);
  state.SetLabel(b.gl->Renderer() + (b.gl->UsesS3TC() ? "" : " (decoded with libsquish)"));
}

void BM_UploadDxt1(benchmark::State& state) {
  Upload(state, D3DFMT_DXT1, {});
}
void BM_UploadArgb(benchmark::State& state) {
  Upload(state, D3DFMT_A8R8G8B8, {});
}
void BM_UploadDxt1Decoded(benchmark::State& state) {
  Upload(state, D3DFMT_DXT1, GlDeviceOptions{true});
}

}  // namespace

BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeshFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UploadDxt1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UploadArgb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UploadDxt1Decoded)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

// Block compression of a 1024x1024 picture through BitmapToTexture beside libsquish's range and cluster fits
// and stb_dxt, each with its RGB error; and a skinned model's load and per-frame vertex update beside a
// plain copy of the same vertex bytes. bench/formats/compare.sh prints the ratios.
#include <benchmark/benchmark.h>
#include <squish.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "formats/d3d_format_codes.h"
#include "formats/dxg_file.h"
#include "formats/dxg_model.h"
#include "formats/dxt_texture.h"
#include "render/testing/recording_panel.h"
#include "render/view_panel.h"

#ifdef DRAVO_HAVE_STB_DXT
#include <stb_dxt.h>
#endif

using namespace dravo;

namespace {

constexpr int kSide = 1024;

// A picture with what skins have: smooth shading, hard edges, fine noise and, for DXT5, transparent holes
// and an alpha ramp. DXT1 pictures are opaque, as the skins that become DXT1 are.
std::vector<std::uint8_t> MakePicture(bool alpha) {
  {
    std::vector<std::uint8_t> p(std::size_t(kSide) * kSide * 4);
    std::uint32_t seed = 12345;
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) {
        seed = seed * 1664525u + 1013904223u;
        const int noise = int(seed >> 27) - 16;
        const float fx = float(x) / kSide, fy = float(y) / kSide;
        const bool stripe = ((x / 37) + (y / 53)) % 5 == 0;
        const bool ring = std::fabs(std::hypot(fx - 0.5f, fy - 0.5f) - 0.3f) < 0.02f;
        int r = int(255 * fx), g = int(255 * fy), b = int(128 + 127 * std::sin(fx * 20) * std::cos(fy * 13));
        if (stripe) r = 255 - r;
        if (ring) g = b = 30;
        std::uint8_t* q = &p[(std::size_t(y) * kSide + x) * 4];
        q[0] = std::uint8_t(std::clamp(r + noise, 0, 255));
        q[1] = std::uint8_t(std::clamp(g + noise, 0, 255));
        q[2] = std::uint8_t(std::clamp(b + noise, 0, 255));
        q[3] = !alpha ? 255 : std::uint8_t(((x / 64) + (y / 64)) % 7 == 0 ? 0 : 255 - (x + y) % 200);
      }
    return p;
  }
}

const std::vector<std::uint8_t>& Picture(D3DFORMAT format) {
  static const std::vector<std::uint8_t> opaque = MakePicture(false);
  static const std::vector<std::uint8_t> translucent = MakePicture(true);
  return format == D3DFMT_DXT1 ? opaque : translucent;
}

int SquishFormat(D3DFORMAT format) {
  return format == D3DFMT_DXT1 ? squish::kDxt1 : squish::kDxt5;
}

// Root mean square error of red, green and blue between the picture and the decoded blocks.
double RgbError(const void* blocks, D3DFORMAT format) {
  const std::vector<std::uint8_t>& picture = Picture(format);
  std::vector<squish::u8> decoded(picture.size());
  squish::DecompressImage(decoded.data(), kSide, kSide, blocks, SquishFormat(format));
  double sum = 0;
  for (std::size_t i = 0; i < decoded.size(); i += 4)
    for (int c = 0; c < 3; ++c) {
      const double d = double(decoded[i + c]) - double(picture[i + c]);
      sum += d * d;
    }
  return std::sqrt(sum / (double(decoded.size()) / 4 * 3));
}

void BM_BitmapToTexture(benchmark::State& state, D3DFORMAT format) {
  const Bitmap source = Bitmap::fromRgba(kSide, kSide, Picture(format));
  auto device = MakeRecordingDevice();
  ComPtr<IDirect3DTexture8> texture;
  for (auto _ : state) {
    Bitmap bitmap = source;
    BitmapToTexture(device.get(), &bitmap, fmtcode::kA8R8G8B8, texture, false, format);
    benchmark::DoNotOptimize(texture.Get());
    device->Log().Clear();
  }
  D3DLOCKED_RECT locked;
  texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY);
  state.counters["rgb_rmse"] = RgbError(locked.pBits, format);
  texture->UnlockRect(0);
}

void BM_Squish(benchmark::State& state, D3DFORMAT format, int fit) {
  const int flags = SquishFormat(format) | fit;
  std::vector<std::uint8_t> blocks(std::size_t(squish::GetStorageRequirements(kSide, kSide, flags)));
  for (auto _ : state) {
    squish::CompressImage(Picture(format).data(), kSide, kSide, blocks.data(), flags);
    benchmark::DoNotOptimize(blocks.data());
  }
  state.counters["rgb_rmse"] = RgbError(blocks.data(), format);
}

#ifdef DRAVO_HAVE_STB_DXT
void BM_StbDxt(benchmark::State& state, D3DFORMAT format, int mode) {
  const bool alpha = format != D3DFMT_DXT1;
  const std::size_t blockBytes = alpha ? 16 : 8;
  std::vector<std::uint8_t> blocks(std::size_t(kSide / 4) * (kSide / 4) * blockBytes);
  unsigned char tile[64];
  const std::vector<std::uint8_t>& picture = Picture(format);
  for (auto _ : state) {
    std::uint8_t* out = blocks.data();
    for (int by = 0; by < kSide; by += 4)
      for (int bx = 0; bx < kSide; bx += 4, out += blockBytes) {
        for (int row = 0; row < 4; ++row)
          std::memcpy(tile + row * 16, &picture[(std::size_t(by + row) * kSide + bx) * 4], 16);
        stb_compress_dxt_block(out, tile, alpha ? 1 : 0, mode);
      }
    benchmark::DoNotOptimize(blocks.data());
  }
  state.counters["rgb_rmse"] = RgbError(blocks.data(), format);
}
#endif

// Process CPU time: libsquish's CompressImage spreads over the cores with OpenMP, the others run on one.
BENCHMARK_CAPTURE(BM_BitmapToTexture, dxt1, D3DFMT_DXT1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_Squish, dxt1_range, D3DFMT_DXT1, squish::kColourRangeFit)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_Squish, dxt1_cluster, D3DFMT_DXT1, squish::kColourClusterFit)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_BitmapToTexture, dxt5, D3DFMT_DXT5)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_Squish, dxt5_range, D3DFMT_DXT5, squish::kColourRangeFit)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_Squish, dxt5_cluster, D3DFMT_DXT5, squish::kColourClusterFit)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
#ifdef DRAVO_HAVE_STB_DXT
BENCHMARK_CAPTURE(BM_StbDxt, dxt1_normal, D3DFMT_DXT1, STB_DXT_NORMAL)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_StbDxt, dxt1_highqual, D3DFMT_DXT1, STB_DXT_HIGHQUAL)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_StbDxt, dxt5_normal, D3DFMT_DXT5, STB_DXT_NORMAL)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_StbDxt, dxt5_highqual, D3DFMT_DXT5, STB_DXT_HIGHQUAL)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
#endif

// ---- Skinning -----------------------------------------------------------------------------------------

constexpr int kVertices = 20000;
constexpr int kBones = 40;
constexpr int kMeshes = 10;

// 20,000 vertices in ten meshes, each vertex bound to one of 40 bones in a chain.
const std::vector<std::uint8_t>& ModelBytes() {
  static const std::vector<std::uint8_t> bytes = [] {
    DxgFile file;
    for (int b = 0; b < kBones; ++b) {
      DxgBone bone;
      bone.name = "bone" + std::to_string(b);
      bone.parent = b - 1;
      bone.local = MatrixRotationAxis({0, 0, 1}, 0.05f) * MatrixTranslation(0, 0.1f, 0);
      file.bones.push_back(bone);
      file.palette.push_back(static_cast<std::uint8_t>(b));
    }
    file.materialNames = {"none.dxm"};
    for (int m = 0; m < kMeshes; ++m) {
      std::vector<DxgVertex> vertices(kVertices / kMeshes);
      for (std::size_t i = 0; i < vertices.size(); ++i) {
        const int v = m * kVertices / kMeshes + int(i);
        vertices[i].position = {std::sin(float(v)), 0.001f * v, std::cos(float(v))};
        vertices[i].normal = {0, 1, 0};
        vertices[i].slot = float(v % kBones);
      }
      DxgMesh mesh;
      mesh.flags = kDxgBoneSlots;
      mesh.vertexCount = static_cast<std::uint16_t>(vertices.size());
      for (std::size_t i = 0; i < vertices.size(); ++i)
        mesh.indices.push_back(static_cast<std::uint16_t>(i));
      mesh.vertexBlock = EncodeDxgVertices(vertices, mesh.flags, 1, 1, 1);
      file.levels[0].meshes.push_back(std::move(mesh));
    }
    return WriteDxgFile(file);
  }();
  return bytes;
}

void BM_ModelLoad(benchmark::State& state) {
  TRecordingPanel p(64, 64);
  for (auto _ : state) {
    TDXGmodel model(p.panel(), TMaterialServices{});
    MemoryStream stream(ModelBytes());
    if (!model.LoadFromStream(p.panel(), &stream)) state.SkipWithError("the model did not load");
    p.log().Clear();
  }
}

void BM_ModelSkinFrame(benchmark::State& state) {
  TRecordingPanel p(64, 64);
  TDXGmodel model(p.panel(), TMaterialServices{});
  MemoryStream stream(ModelBytes());
  if (!model.LoadFromStream(p.panel(), &stream)) state.SkipWithError("the model did not load");
  float angle = 0;
  // The editor's posing hook: one matrix product per bone.
  model.OnBoneTransform = [&angle](TDXGmodel&, D3DXMATRIX& world, std::int32_t) {
    world = MatrixRotationAxis({0, 1, 0}, angle) * world;
  };
  ComPtr<IDirect3DVertexBuffer8> target;
  for (auto _ : state) {
    angle += 0.01f;
    model.UpdateVertices(model.VertexBuffer.Get(), target);
    p.log().Clear();
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * kVertices * 36);
}

void BM_CopyVertexBytes(benchmark::State& state) {
  std::vector<std::uint8_t> from(std::size_t(kVertices) * 36, 1), to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * kVertices * 36);
}

BENCHMARK(BM_ModelLoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ModelSkinFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyVertexBytes)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

// Block compression of three 1024x1024 pictures (photo-like, skin-like, with alpha) through BitmapToTexture,
// fast beside stb_dxt's high-quality mode and best beside libsquish's cluster fit on one thread, each with
// its RGB error; and a skinned model's load and per-frame vertex update beside the textbook skinning of
// the same vertices from flat arrays. bench/formats/compare.sh prints the ratios.
#include <benchmark/benchmark.h>
#include <squish.h>
#include <stb_dxt.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "formats/d3d_format_codes.h"
#include "formats/dxg_file.h"
#include "formats/dxg_model.h"
#include "formats/dxt_texture.h"
#include "render/testing/recording_panel.h"
#include "render/view_panel.h"

using namespace dravo;

namespace {

constexpr int kSide = 1024;

enum class Kind { Photo, Skin, Alpha };

std::uint8_t Clamp(int v) {
  return std::uint8_t(std::clamp(v, 0, 255));
}

// Photo-like: smooth shading everywhere and fine noise, no hard edges.
// Skin-like: flat panels in a few paint colours, hard edges, thin lines and a badge, little noise.
// With alpha: shading, stripes and a ring, transparent holes and an alpha ramp (skins with alpha become
// DXT5).
std::vector<std::uint8_t> MakePicture(Kind kind) {
  std::vector<std::uint8_t> p(std::size_t(kSide) * kSide * 4);
  std::uint32_t seed = 12345;
  static const int kPaint[][3] = {{200, 30, 30}, {240, 240, 235}, {20, 20, 25}, {30, 90, 200}, {250, 200, 0}};
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int noise = int(seed >> 27) - 16;
      const float fx = float(x) / kSide, fy = float(y) / kSide;
      std::uint8_t* q = &p[(std::size_t(y) * kSide + x) * 4];
      int r = 0, g = 0, b = 0, a = 255;
      if (kind == Kind::Photo) {
        r = int(128 + 100 * std::sin(fx * 7 + fy * 3));
        g = int(120 + 90 * std::cos(fy * 9 - fx * 2));
        b = int(100 + 80 * std::sin((fx + fy) * 11));
        r += noise / 2;
        g += noise / 2;
        b += noise / 2;
      } else if (kind == Kind::Skin) {
        const int* paint = kPaint[((x / 96) + (y / 160) * 3) % 5];
        r = paint[0], g = paint[1], b = paint[2];
        if ((x + 2 * y) % 180 < 24) r = 250, g = 250, b = 250;  // racing stripe
        if (x % 128 == 0 || y % 128 == 0) r = g = b = 10;       // panel seams
        if (std::hypot(fx - 0.7f, fy - 0.3f) < 0.08f) r = 250, g = 200, b = 0;
        const int shade = noise / 8;
        r += shade, g += shade, b += shade;
      } else {
        const bool stripe = ((x / 37) + (y / 53)) % 5 == 0;
        const bool ring = std::fabs(std::hypot(fx - 0.5f, fy - 0.5f) - 0.3f) < 0.02f;
        r = int(255 * fx), g = int(255 * fy), b = int(128 + 127 * std::sin(fx * 20) * std::cos(fy * 13));
        if (stripe) r = 255 - r;
        if (ring) g = b = 30;
        r += noise, g += noise, b += noise;
        a = ((x / 64) + (y / 64)) % 7 == 0 ? 0 : 255 - (x + y) % 200;
      }
      q[0] = Clamp(r), q[1] = Clamp(g), q[2] = Clamp(b), q[3] = Clamp(a);
    }
  return p;
}

const std::vector<std::uint8_t>& Picture(Kind kind) {
  static const std::vector<std::uint8_t> pictures[] = {MakePicture(Kind::Photo), MakePicture(Kind::Skin),
                                                       MakePicture(Kind::Alpha)};
  return pictures[int(kind)];
}

D3DFORMAT FormatOf(Kind kind) {
  return kind == Kind::Alpha ? D3DFMT_DXT5 : D3DFMT_DXT1;
}

int SquishFormat(Kind kind) {
  return kind == Kind::Alpha ? squish::kDxt5 : squish::kDxt1;
}

std::size_t BlockBytes(Kind kind) {
  return kind == Kind::Alpha ? 16 : 8;
}

// Root mean square error between the picture and the decoded blocks: of red, green and blue, or of alpha.
double Error(const void* blocks, Kind kind, bool alpha) {
  const std::vector<std::uint8_t>& picture = Picture(kind);
  std::vector<squish::u8> decoded(picture.size());
  squish::DecompressImage(decoded.data(), kSide, kSide, blocks, SquishFormat(kind));
  double sum = 0;
  for (std::size_t i = 0; i < decoded.size(); i += 4)
    for (int c = alpha ? 3 : 0; c < (alpha ? 4 : 3); ++c) {
      const double d = double(decoded[i + c]) - double(picture[i + c]);
      sum += d * d;
    }
  return std::sqrt(sum / (double(decoded.size()) / 4 * (alpha ? 1 : 3)));
}

// Every run has both counters: the CSV's header comes from the first run and takes no new ones later.
void CountErrors(benchmark::State& state, const void* blocks, Kind kind) {
  state.counters["rgb_rmse"] = Error(blocks, kind, false);
  state.counters["alpha_rmse"] = Error(blocks, kind, true);
}

void BM_BitmapToTexture(benchmark::State& state, Kind kind, BlockQuality quality) {
  // An A8R8G8B8 source leaves the bitmap as it is: no copy per run.
  Bitmap bitmap = Bitmap::fromRgba(kSide, kSide, Picture(kind));
  auto device = MakeRecordingDevice();
  ComPtr<IDirect3DTexture8> texture;
  for (auto _ : state) {
    BitmapToTexture(device.get(), &bitmap, fmtcode::kA8R8G8B8, texture, false, FormatOf(kind), quality);
    benchmark::DoNotOptimize(texture.Get());
    device->Log().Clear();
  }
  D3DLOCKED_RECT locked;
  texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY);
  CountErrors(state, locked.pBits, kind);
  texture->UnlockRect(0);
}

// The references, each the plainest loop over the blocks on one thread.
template <typename Compress>
void CompressPicture(Kind kind, std::vector<std::uint8_t>& blocks, Compress compress) {
  const std::vector<std::uint8_t>& picture = Picture(kind);
  unsigned char tile[64];
  std::uint8_t* out = blocks.data();
  for (int by = 0; by < kSide; by += 4)
    for (int bx = 0; bx < kSide; bx += 4, out += BlockBytes(kind)) {
      for (int row = 0; row < 4; ++row)
        std::memcpy(tile + row * 16, &picture[(std::size_t(by + row) * kSide + bx) * 4], 16);
      compress(tile, out);
    }
}

void BM_ClusterFit(benchmark::State& state, Kind kind) {
  std::vector<std::uint8_t> blocks(std::size_t(kSide / 4) * (kSide / 4) * BlockBytes(kind));
  for (auto _ : state) {
    CompressPicture(kind, blocks, [&](unsigned char* tile, std::uint8_t* out) {
      squish::Compress(tile, out, SquishFormat(kind) | squish::kColourClusterFit);
    });
    benchmark::DoNotOptimize(blocks.data());
  }
  CountErrors(state, blocks.data(), kind);
}

void BM_StbDxt(benchmark::State& state, Kind kind) {
  std::vector<std::uint8_t> blocks(std::size_t(kSide / 4) * (kSide / 4) * BlockBytes(kind));
  for (auto _ : state) {
    CompressPicture(kind, blocks, [&](unsigned char* tile, std::uint8_t* out) {
      stb_compress_dxt_block(out, tile, kind == Kind::Alpha ? 1 : 0, STB_DXT_HIGHQUAL);
    });
    benchmark::DoNotOptimize(blocks.data());
  }
  CountErrors(state, blocks.data(), kind);
}

// Fast against stb_dxt in process CPU time (ours may use several threads; the CPU they burn all counts).
// Best against one-thread cluster fit in wall time, what a user waits for on this machine's cores, and in
// process CPU time, the work itself.
#define DRAVO_BLOCK_BENCH(name, kind)                                          \
  BENCHMARK_CAPTURE(BM_BitmapToTexture, fast_##name, kind, BlockQuality::Fast) \
      ->Unit(benchmark::kMillisecond)                                          \
      ->MeasureProcessCPUTime();                                               \
  BENCHMARK_CAPTURE(BM_StbDxt, highqual_##name, kind)                          \
      ->Unit(benchmark::kMillisecond)                                          \
      ->MeasureProcessCPUTime();                                               \
  BENCHMARK_CAPTURE(BM_BitmapToTexture, best_##name, kind, BlockQuality::Best) \
      ->Unit(benchmark::kMillisecond)                                          \
      ->MeasureProcessCPUTime()                                                \
      ->UseRealTime();                                                         \
  BENCHMARK_CAPTURE(BM_ClusterFit, one_thread_##name, kind)                    \
      ->Unit(benchmark::kMillisecond)                                          \
      ->MeasureProcessCPUTime()                                                \
      ->UseRealTime();

DRAVO_BLOCK_BENCH(photo, Kind::Photo)
DRAVO_BLOCK_BENCH(skin, Kind::Skin)
DRAVO_BLOCK_BENCH(alpha, Kind::Alpha)

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

// The file's records and vertices read, and nothing built from them: what any loader must do.
void BM_ParseAndDecode(benchmark::State& state) {
  std::vector<DxgVertex> vertices(kVertices);
  for (auto _ : state) {
    const DxgFile file = ParseDxgFile(ModelBytes());
    std::size_t at = 0;
    for (const DxgMesh& mesh : file.levels[0].meshes) {
      DecodeDxgVertices(mesh, DxgCompressedPositionScale(file, mesh), vertices.data() + at);
      at += mesh.vertexCount;
    }
    benchmark::DoNotOptimize(vertices.data());
  }
}

// The same frame the textbook way, from flat arrays: each bone's world matrix down the chain, one turn
// per bone, then each vertex's position through its bone's matrix into a 36-byte vertex, and the box
// around them.
void BM_TextbookSkinning(benchmark::State& state) {
  std::vector<float> positions(std::size_t(kVertices) * 3);
  std::vector<int> bones(kVertices);
  for (int v = 0; v < kVertices; ++v) {
    positions[std::size_t(v) * 3] = std::sin(float(v));
    positions[std::size_t(v) * 3 + 1] = 0.001f * float(v);
    positions[std::size_t(v) * 3 + 2] = std::cos(float(v));
    bones[std::size_t(v)] = v % kBones;
  }
  const Matrix local = MatrixRotationAxis({0, 0, 1}, 0.05f) * MatrixTranslation(0, 0.1f, 0);
  std::vector<Matrix> world(kBones);
  std::vector<std::uint8_t> out(std::size_t(kVertices) * 36);
  float angle = 0;
  for (auto _ : state) {
    angle += 0.01f;
    for (int b = 0; b < kBones; ++b) {
      world[std::size_t(b)] = b == 0 ? local : local * world[std::size_t(b) - 1];
      world[std::size_t(b)] = MatrixRotationAxis({0, 1, 0}, angle) * world[std::size_t(b)];
    }
    float low[3] = {1e30f, 1e30f, 1e30f}, high[3] = {-1e30f, -1e30f, -1e30f};
    for (int v = 0; v < kVertices; ++v) {
      const float* p = &positions[std::size_t(v) * 3];
      const Matrix& m = world[std::size_t(bones[std::size_t(v)])];
      float q[3];
      for (int c = 0; c < 3; ++c) {
        q[c] = p[0] * m[0][c] + p[1] * m[1][c] + p[2] * m[2][c] + m[3][c];
        low[c] = std::min(low[c], q[c]);
        high[c] = std::max(high[c], q[c]);
      }
      std::memcpy(&out[std::size_t(v) * 36], q, sizeof q);
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::DoNotOptimize(low);
    benchmark::DoNotOptimize(high);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * kVertices * 36);
}

BENCHMARK(BM_ModelLoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ModelSkinFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseAndDecode)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TextbookSkinning)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

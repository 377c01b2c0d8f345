// The animated GIF export, stage by stage, beside libimagequant on the same frames.
//
//   GIF_BENCH_GAME=DIR GIF_BENCH_OUT=DIR gif_bench [benchmark flags]
//   gif_bench measure FILE.gif FRAMES.bgra SIZE      (the colour error of any GIF against the frames)
//   gif_bench export OUT SIZE opaque|transparent FRAME.png...   (the export, plain and optimised, on
//                                                    frames of one's own; bench/gif/optimize.sh)
//
// 60 frames of 640x480 are rendered with the headless OpenGL device: a rider and a machine of the game in
// GIF_BENCH_GAME seen from a camera that circles them once, on the view's default background. Without a
// game the frames are drawn in code (a shaded ball and bar); GIF_BENCH_PNGS=DIR takes the PNG files of a
// folder instead, in name order, each scaled to 640x480. Each stage then runs on those frames at
// S = 256: BM_Render (one frame drawn and read back), BM_Scale (area averaging to 256x256), BM_Quantise
// (ours, 256 colours; "/exact" with the transparent background's own entry, as the export does by
// default), BM_QuantiseLiq (libimagequant at speed 4, no dithering), BM_Encode (giflib, one frame).
// The quantisers report their colour error against the scaled 24-bit frames (mean squared error over
// the red, green and blue channels, averaged over the frames, and the worst frame's PSNR) and the size
// of the GIF their frames make through the same writer. GIF_BENCH_OUT receives the scaled frames as
// raw blue-green-red-alpha bytes (for ffmpeg), both GIFs and the first frame as a PNG.

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/text.h"
#include "editor/game_archives.h"
#include "formats/area_scale.h"
#include "formats/colour_quantiser.h"
#include "formats/dxg_model.h"
#include "formats/gif_export.h"
#include "formats/gif_writer.h"
#include "formats/model_manager.h"
#include "formats/model_plugin.h"
#include "formats/png_file.h"
#include "formats/texture_manager.h"
#include "formats/texture_plugin.h"
#include "render/gl/gl_device.h"
#include "render/view_panel.h"

#ifdef DRAVO_HAVE_LIBIMAGEQUANT
#include <libimagequant.h>
#endif

using namespace dravo;

namespace {

constexpr int kFrames = 60;
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kSize = 256;

using Picture = std::vector<std::uint8_t>;

PixelView32 View(const Picture& p, int width, int height) {
  return {p.data(), width, height, std::ptrdiff_t(width) * 4};
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// ---- Frames ----

// The rider and the machine of a game, drawn headless from a camera that circles them.
class Turntable {
 public:
  explicit Turntable(const std::string& game)
      : m_panel([](UINT) { return CreateHeadlessDirect3D(); }, nullptr) {
    std::string folder = game;
    if (!IsPathDelimiter(folder.back())) folder += '/';
    MountGameArchives(m_resources.manager(), folder);
    m_panel.ClientWidth = kWidth;
    m_panel.ClientHeight = kHeight;
    m_panel.OnResolutionCheck = [](TVellDXPanel&, DWORD& w, DWORD& h, DWORD&) {
      w = kWidth;
      h = kHeight;
    };
    m_panel.Initialise();
    if (!m_panel.Initialised() || !m_panel.Device()) return;
    m_textures = std::make_unique<TRmxGfxManager>(&m_resources.manager());
    m_textures->RegisterPlugIn(std::make_unique<TMvAGfxPlugIn>(&m_panel));
    m_models = std::make_unique<TRmxObjectManager>(&m_resources.manager());
    m_models->RegisterPlugIn(std::make_unique<TMvAObjPlugIn>(
        *m_models, &m_panel, TMaterialServices{&m_resources.manager(), m_textures.get()}));
    for (const char* name : {"kx250.dxg", "nofear6.dxg"}) {
      TDXGmodel* model = nullptr;
      if (m_models->LoadModel(name, model) == 0 && model) {
        model->OnTextureFactor = [](TDXGmodel&, D3DCOLOR& colour) { colour = 0; };
        m_loaded.push_back(model);
      }
    }
    if (m_loaded.empty()) return;
    TDXGBoundingBox box;
    for (TDXGmodel* m : m_loaded) {
      const TDXGBoundingBox& b = m->BoundingBox();
      box.Min = {std::min(box.Min.x, b.Min.x), std::min(box.Min.y, b.Min.y), std::min(box.Min.z, b.Min.z)};
      box.Max = {std::max(box.Max.x, b.Max.x), std::max(box.Max.y, b.Max.y), std::max(box.Max.z, b.Max.z)};
    }
    m_centre = (box.Min + box.Max) * 0.5f;
    const float radius = std::max(Vec3Length(box.Max - box.Min) * 0.5f, 0.01f);
    m_distance = radius / std::sin(m_panel.FieldOfView / 2) * 1.05f;
    m_panel.FarCutOff = m_distance + 4 * radius + 10;
    m_panel.Viewport = D3DVIEWPORT8{0, 0, kWidth, kHeight, 0.0f, 1.0f};
    m_panel.SetColor(8421520);  // the view's default background
    m_panel.AddLight(0xFFFFFF, D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {0.4f, -0.6f, 0.7f});
    m_panel.SetAmbientLight(0x404040);
    m_panel.UseLights = true;
    m_panel.OnAfterRender = [this](TVellDXPanel&) {
      for (TDXGmodel* m : m_loaded)
        m->RenderAt({0, 0, 0});
    };
    m_panel.RenderEnabled = true;
    m_ready = true;
    // The box holds the models' vertices before skinning; where they are drawn is found by looking.
    for (int pass = 0; pass < 3; ++pass)
      fit();
  }
  ~Turntable() {
    for (TDXGmodel* m : m_loaded)
      m_models->ReleaseModel(m);
    m_models.reset();
  }

  bool ready() const { return m_ready; }

  // Frame f of n: drawn, then the back buffer read back as blue, green, red, alpha bytes.
  bool render(int f, int n, Picture& out, float height = 0.25f) {
    const float angle = 6.2831853f * float(f) / float(n);
    m_panel.Eye =
        m_centre + Vector3{std::sin(angle) * m_distance, height * m_distance, -std::cos(angle) * m_distance};
    m_panel.LookAt = m_centre;
    m_panel.Up = {0, 1, 0};
    m_panel.Paint();
    ComPtr<IDirect3DSurface8> back;
    D3DLOCKED_RECT locked{};
    if (FAILED(m_panel.Device()->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back)) || !back ||
        FAILED(back->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
      return false;
    out.resize(std::size_t(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y)
      std::memcpy(out.data() + std::size_t(y) * kWidth * 4,
                  static_cast<const std::uint8_t*>(locked.pBits) + std::ptrdiff_t(y) * locked.Pitch,
                  kWidth * 4);
    back->UnlockRect();
    return true;
  }

 private:
  // Moves the centre to the middle of what is drawn, seen level from the front and from the side, and the
  // camera so that the models fill most of the height.
  void fit() {
    Picture p;
    float worstExtent = 0;
    for (const int quarter : {0, 1}) {
      if (!render(quarter, 4, p, 0.0f)) return;
      int x0 = kWidth, x1 = -1, y0 = kHeight, y1 = -1;
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
          const std::uint8_t* q = &p[(std::size_t(y) * kWidth + x) * 4];
          if (q[0] == 0x80 && q[1] == 0x80 && q[2] == 0x90) continue;
          x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
      if (x1 < 0) return;
      const float perPixel = 2 * m_distance * std::tan(m_panel.FieldOfView / 2) / kHeight;
      const float right = ((x0 + x1) / 2.0f - kWidth / 2.0f) * perPixel;
      m_centre.y += (kHeight / 2.0f - (y0 + y1) / 2.0f) * perPixel;
      if (quarter == 0)
        m_centre.x += right;  // seen from -z, right is +x
      else
        m_centre.z += right;  // seen from +x, right is +z
      worstExtent = std::max({worstExtent, float(y1 - y0 + 1), float(x1 - x0 + 1) * kHeight / kWidth});
    }
    // Nearer or farther, so the tallest view fills 70% of the height (the camera circles above, too).
    m_distance *= worstExtent / (0.7f * kHeight);
  }

  GameResources m_resources;
  TVellDXPanel m_panel;
  std::unique_ptr<TRmxGfxManager> m_textures;
  std::unique_ptr<TRmxObjectManager> m_models;
  std::vector<TDXGmodel*> m_loaded;
  Vector3 m_centre{0, 0, 0};
  float m_distance = 5;
  bool m_ready = false;
};

// A frame drawn in code when there is no game: a lit ball travelling past a turning bar with gradients.
Picture DrawnFrame(int f, int n) {
  Picture p(std::size_t(kWidth) * kHeight * 4);
  const double t = double(f) / n, angle = t * 6.2832;
  const double cx = kWidth * (0.25 + 0.5 * t), cy = kHeight * (0.45 + 0.15 * std::sin(angle)),
               radius = kHeight * 0.22;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      double r = 0x90, g = 0x80, b = 0x80;
      const double dx = x - kWidth / 2.0, dy = y - kHeight / 2.0;
      const double along = dx * std::cos(angle) + dy * std::sin(angle),
                   across = -dx * std::sin(angle) + dy * std::cos(angle);
      if (std::abs(along) < kWidth * 0.35 && std::abs(across) < kHeight * 0.05) {
        const double u = (along / (kWidth * 0.35) + 1) / 2;
        r = 40 + 200 * u, g = 200 - 150 * u, b = 60 + 40 * std::abs(across) / (kHeight * 0.05);
      }
      const double ex = (x - cx) / radius, ey = (y - cy) / radius;
      if (ex * ex + ey * ey < 1) {
        const double light = std::max(0.0, -ex * 0.5 - ey * 0.6 + std::sqrt(1 - ex * ex - ey * ey) * 0.62);
        r = 30 + 200 * light, g = 60 + 120 * light, b = 20 + 60 * light * light;
      }
      std::uint8_t* q = &p[(std::size_t(y) * kWidth + x) * 4];
      q[0] = std::uint8_t(std::min(b, 255.0));
      q[1] = std::uint8_t(std::min(g, 255.0));
      q[2] = std::uint8_t(std::min(r, 255.0));
      q[3] = 255;
    }
  return p;
}

std::unique_ptr<Turntable>& SharedTurntable() {
  static std::unique_ptr<Turntable> turntable = [] {
    const std::string game = Env("GIF_BENCH_GAME");
    std::unique_ptr<Turntable> t;
    if (!game.empty()) t = std::make_unique<Turntable>(game);
    if (t && !t->ready()) {
      std::fprintf(stderr, "gif_bench: nothing to draw from %s; drawing frames in code\n", game.c_str());
      t.reset();
    }
    return t;
  }();
  return turntable;
}

// Pictures of one's own choosing, brought to 640x480 by the same scaler.
std::vector<Picture> PngFrames(const std::string& folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (SameTextAZ(entry.path().extension().string(), ".png")) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::vector<Picture> out;
  for (int f = 0; f < kFrames && !files.empty(); ++f) {
    const std::filesystem::path& file = files[std::size_t(f) % files.size()];
    Bitmap b = ReadPng(ReadWholeFile(file), file.string());
    b.changeDepthTo32();
    Picture p(std::size_t(kWidth) * kHeight * 4);
    AreaScale32({b.scanLine(0), b.width(), b.height(), b.bytesPerLine()}, p.data(), kWidth, kHeight,
                kWidth * 4);
    out.push_back(std::move(p));
  }
  return out;
}

const std::vector<Picture>& Frames() {
  static const std::vector<Picture> frames = [] {
    const std::string pngs = Env("GIF_BENCH_PNGS");
    if (!pngs.empty()) {
      std::vector<Picture> out = PngFrames(pngs);
      if (!out.empty()) return out;
      std::fprintf(stderr, "gif_bench: no PNG files in %s\n", pngs.c_str());
    }
    std::vector<Picture> out(kFrames);
    for (int f = 0; f < kFrames; ++f)
      if (!SharedTurntable() || !SharedTurntable()->render(f, kFrames, out[std::size_t(f)]))
        out[std::size_t(f)] = DrawnFrame(f, kFrames);
    return out;
  }();
  return frames;
}

const std::vector<Picture>& Scaled() {
  static const std::vector<Picture> scaled = [] {
    std::vector<Picture> out;
    for (const Picture& frame : Frames()) {
      Picture s(std::size_t(kSize) * kSize * 4);
      AreaScale32(View(frame, kWidth, kHeight), s.data(), kSize, kSize, kSize * 4);
      out.push_back(std::move(s));
    }
    return out;
  }();
  return scaled;
}

// ---- Quantisers ----

QuantiserSettings Settings(bool exact) {
  QuantiserSettings s;
  if (exact) s.exactPixel = std::ptrdiff_t(kSize - 1) * kSize;
  return s;
}

IndexedImage Ours(const Picture& scaled, bool exact) {
  return QuantiseBgra(View(scaled, kSize, kSize), Settings(exact));
}

#ifdef DRAVO_HAVE_LIBIMAGEQUANT
Picture ToRgba(const Picture& bgra) {
  Picture rgba(bgra.size());
  for (std::size_t i = 0; i < bgra.size(); i += 4) {
    rgba[i] = bgra[i + 2];
    rgba[i + 1] = bgra[i + 1];
    rgba[i + 2] = bgra[i];
    rgba[i + 3] = 255;
  }
  return rgba;
}

const std::vector<Picture>& ScaledRgba() {
  static const std::vector<Picture> rgba = [] {
    std::vector<Picture> out;
    for (const Picture& s : Scaled())
      out.push_back(ToRgba(s));
    return out;
  }();
  return rgba;
}

IndexedImage Liq(const Picture& rgba) {
  IndexedImage out;
  out.width = out.height = kSize;
  out.indices.resize(std::size_t(kSize) * kSize);
  liq_attr* attr = liq_attr_create();
  liq_set_speed(attr, 4);
  liq_set_max_colors(attr, 256);
  liq_image* image = liq_image_create_rgba(attr, rgba.data(), kSize, kSize, 0);
  liq_result* result = nullptr;
  if (liq_image_quantize(image, attr, &result) == LIQ_OK) {
    liq_set_dithering_level(result, 0.0f);
    liq_write_remapped_image(result, image, out.indices.data(), out.indices.size());
    const liq_palette* palette = liq_get_palette(result);
    for (unsigned i = 0; i < palette->count; ++i)
      out.palette.push_back({palette->entries[i].r, palette->entries[i].g, palette->entries[i].b});
    liq_result_destroy(result);
  }
  liq_image_destroy(image);
  liq_attr_destroy(attr);
  return out;
}
#endif

// ---- Colour error and file size of one method over all frames ----

struct Quality {
  double meanSquared = 0;  // averaged over the frames
  double worstPsnr = 1e9;
  double gifBytes = 0;
};

std::filesystem::path OutFolder() {
  std::string out = Env("GIF_BENCH_OUT");
  if (out.empty()) out = (std::filesystem::temp_directory_path() / "dravo-gif-bench").string();
  std::filesystem::create_directories(out);
  return out;
}

Quality Judge(const std::string& name, const std::vector<IndexedImage>& images, bool transparent) {
  Quality q;
  const std::filesystem::path file = OutFolder() / (name + ".gif");
  GifWriter writer(file, kSize, kSize);
  for (std::size_t f = 0; f < images.size(); ++f) {
    const ColourError e = MeasureColourError(View(Scaled()[f], kSize, kSize), images[f]);
    q.meanSquared += e.meanSquared / double(images.size());
    q.worstPsnr = std::min(q.worstPsnr, e.psnr);
    writer.addFrame(images[f], GifFrameDelay(15), transparent ? images[f].at(0, kSize - 1) : -1);
  }
  writer.commit();
  q.gifBytes = double(FileSizeOrZero(file));
  return q;
}

void Report(benchmark::State& state, const Quality& q) {
  state.counters["mse"] = q.meanSquared;
  state.counters["psnr"] = 10 * std::log10(255.0 * 255.0 / q.meanSquared);
  state.counters["worst_psnr"] = q.worstPsnr;
  state.counters["gif_bytes"] = q.gifBytes;
}

// ---- Stages ----

void BM_Render(benchmark::State& state) {
  Frames();
  if (!SharedTurntable()) return state.SkipWithError("no game to draw (GIF_BENCH_GAME)");
  Picture out;
  int f = 0;
  for (auto _ : state) {
    SharedTurntable()->render(f++ % kFrames, kFrames, out);
    benchmark::DoNotOptimize(out.data());
  }
}

void BM_Scale(benchmark::State& state) {
  const std::vector<Picture>& frames = Frames();
  Picture out(std::size_t(kSize) * kSize * 4);
  std::size_t f = 0;
  for (auto _ : state) {
    AreaScale32(View(frames[f++ % kFrames], kWidth, kHeight), out.data(), kSize, kSize, kSize * 4);
    benchmark::DoNotOptimize(out.data());
  }
}

void BM_Quantise(benchmark::State& state, bool exact) {
  const std::vector<Picture>& scaled = Scaled();
  std::size_t f = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(Ours(scaled[f++ % kFrames], exact));
  std::vector<IndexedImage> all;
  for (const Picture& s : scaled)
    all.push_back(Ours(s, exact));
  Report(state, Judge(exact ? "ours-exact" : "ours", all, exact));
}

#ifdef DRAVO_HAVE_LIBIMAGEQUANT
void BM_QuantiseLiq(benchmark::State& state) {
  const std::vector<Picture>& rgba = ScaledRgba();
  std::size_t f = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(Liq(rgba[f++ % kFrames]));
  std::vector<IndexedImage> all;
  for (const Picture& s : rgba)
    all.push_back(Liq(s));
  Report(state, Judge("liq", all, false));
}
BENCHMARK(BM_QuantiseLiq)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
#endif

void BM_Encode(benchmark::State& state) {
  std::vector<IndexedImage> images;
  for (const Picture& s : Scaled())
    images.push_back(Ours(s, true));
  const std::filesystem::path file = OutFolder() / "encode.gif";
  auto writer = std::make_unique<GifWriter>(file, kSize, kSize);
  std::size_t f = 0;
  for (auto _ : state) {
    writer->addFrame(images[f % kFrames], 6, images[f % kFrames].at(0, kSize - 1));
    if (++f % kFrames == 0) {
      state.PauseTiming();
      writer = std::make_unique<GifWriter>(file, kSize, kSize);
      state.ResumeTiming();
    }
  }
  writer.reset();
}

// The whole export of the 60 frames, file written and renamed, as the editor runs it after rendering.
void BM_ExportGif(benchmark::State& state) {
  const std::vector<Picture>& frames = Frames();
  const std::filesystem::path file = OutFolder() / "export.gif";
  for (auto _ : state) {
    ExportGif(file, GifOptions{kSize, 15, true}, kFrames,
              [&](int f) { return View(frames[std::size_t(f)], kWidth, kHeight); });
  }
  state.counters["gif_bytes"] = double(FileSizeOrZero(file));
}

BENCHMARK(BM_Render)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_Scale)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_Quantise, ours, false)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_Quantise, exact, true)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_Encode)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ExportGif)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(3);

// The scaled frames for the outside tools, and a look at the first frame.
void WriteFrames() {
  const std::filesystem::path out = OutFolder();
  std::ofstream raw(out / "frames.bgra", std::ios::binary | std::ios::trunc);
  for (Picture s : Scaled()) {
    // Some tools take alpha 0 for see-through; the frames are opaque.
    for (std::size_t i = 3; i < s.size(); i += 4)
      s[i] = 255;
    raw.write(reinterpret_cast<const char*>(s.data()), std::streamsize(s.size()));
  }
  Picture rgba(Frames()[0].size());
  for (std::size_t i = 0; i < rgba.size(); i += 4) {
    rgba[i] = Frames()[0][i + 2];
    rgba[i + 1] = Frames()[0][i + 1];
    rgba[i + 2] = Frames()[0][i];
    rgba[i + 3] = 255;
  }
  WritePngRgba(out / "frame0.png", kWidth, kHeight, rgba);
}

// ---- Any GIF against the raw frames ----

// Every frame as a decoder shows it, blue-green-red-alpha: drawn over the page, then disposed of as its
// control block says. An empty vector when the file does not read.
std::vector<Picture> Compose(const char* gifPath, int& width, int& height) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(gifPath, &error);
  if (!gif || DGifSlurp(gif) != GIF_OK) {
    if (gif) DGifCloseFile(gif, &error);
    return {};
  }
  width = gif->SWidth;
  height = gif->SHeight;
  Picture page(std::size_t(width) * std::size_t(height) * 4, 0);
  std::vector<Picture> out;
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, i, &gcb);
    const GifImageDesc& d = image.ImageDesc;
    const Picture before = page;
    for (int y = 0; y < d.Height; ++y)
      for (int x = 0; x < d.Width; ++x) {
        const int index = image.RasterBits[y * d.Width + x];
        if (index == gcb.TransparentColor || !map || index >= map->ColorCount) continue;
        if (d.Left + x >= width || d.Top + y >= height) continue;
        std::uint8_t* p = &page[(std::size_t(d.Top + y) * std::size_t(width) + std::size_t(d.Left + x)) * 4];
        p[0] = map->Colors[index].Blue;
        p[1] = map->Colors[index].Green;
        p[2] = map->Colors[index].Red;
        p[3] = 255;
      }
    out.push_back(page);
    if (gcb.DisposalMode == DISPOSE_PREVIOUS) page = before;
    if (gcb.DisposalMode == DISPOSE_BACKGROUND)
      for (int y = d.Top; y < std::min(height, d.Top + d.Height); ++y)
        for (int x = d.Left; x < std::min(width, d.Left + d.Width); ++x)
          page[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4 + 3] = 0;
  }
  DGifCloseFile(gif, &error);
  return out;
}

// The mean squared error over red, green and blue of each shown frame against the raw frames, averaged.
// A raw pixel of alpha 0 is see-through, in the background's colour: a see-through GIF pixel counts as
// that colour, so showing the background where the models are (or the reverse) costs what it looks like.
int Measure(const char* gifPath, const char* rawPath, int size) {
  int width = 0, height = 0;
  const std::vector<Picture> shown = Compose(gifPath, width, height);
  if (shown.empty() || width != size || height != size) {
    std::fprintf(stderr, "gif_bench: cannot read %s as a %dx%d GIF\n", gifPath, size, size);
    return 1;
  }
  const std::vector<std::uint8_t> raw = ReadWholeFile(rawPath);
  const std::size_t frameBytes = std::size_t(size) * size * 4;
  const int frames = int(std::min(raw.size() / frameBytes, shown.size()));
  std::uint8_t background[3] = {0, 0, 0};
  for (std::size_t i = 0; i < raw.size(); i += 4)
    if (raw[i + 3] == 0) {
      std::copy(&raw[i], &raw[i] + 3, background);
      break;
    }
  double sum = 0, worst = 1e9;
  long mismatched = 0;
  for (int f = 0; f < frames; ++f) {
    double squares = 0;
    const std::uint8_t* s = raw.data() + std::size_t(f) * frameBytes;
    const std::uint8_t* g = shown[std::size_t(f)].data();
    for (std::size_t p = 0; p < frameBytes; p += 4) {
      const std::uint8_t* a = s[p + 3] ? s + p : background;
      const std::uint8_t* b = g[p + 3] ? g + p : background;
      mismatched += (s[p + 3] == 0) != (g[p + 3] == 0);
      for (int c = 0; c < 3; ++c)
        squares += double(a[c] - b[c]) * double(a[c] - b[c]);
    }
    const double mse = squares / (3.0 * double(size) * size);
    sum += mse;
    worst = std::min(worst, mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99.0);
  }
  if (frames == 0) return 1;
  const double mean = sum / frames;
  std::printf("frames=%d mse=%.4f psnr=%.3f worst_psnr=%.3f bytes=%llu alpha_mismatch=%ld\n", frames, mean,
              mean > 0 ? 10 * std::log10(255.0 * 255.0 / mean) : 99.0, worst,
              (unsigned long long)FileSizeOrZero(gifPath), mismatched);
  return 0;
}

// ---- The export itself on frames of one's own ----

// Exports the PNG frames (the middle square of each, as the editor hands them over) plain and optimised
// into OUT/plain.gif and OUT/optimized.gif, and writes OUT/frames.bgra: each frame as the export scaled
// it, see-through pixels with alpha 0. Prints the CPU milliseconds of each export.
int Export(int argc, char** argv) {
  const std::filesystem::path out = argv[2];
  const int size = std::atoi(argv[3]);
  const bool transparent = std::string(argv[4]) == "transparent";
  std::vector<Bitmap> pictures;
  for (int i = 5; i < argc; ++i) {
    pictures.push_back(ReadPng(ReadWholeFile(argv[i]), argv[i]));
    pictures.back().changeDepthTo32();
  }
  if (pictures.empty()) return 1;
  const auto square = [](const Bitmap& b) {
    const int side = std::min(b.width(), b.height());
    return PixelView32{b.scanLine((b.height() - side) / 2) + (b.width() - side) / 2 * 4, side, side,
                       std::ptrdiff_t(b.bytesPerLine())};
  };
  const auto cpuMs = [] { return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC; };
  std::filesystem::create_directories(out);
  double ms[2] = {0, 0};
  std::ofstream raw(out / "frames.bgra", std::ios::binary | std::ios::trunc);
  for (const bool optimize : {false, true}) {
    const double start = cpuMs();
    GifExport gif(out / (optimize ? "optimized.gif" : "plain.gif"),
                  GifOptions{size, 15, transparent, optimize});
    for (const Bitmap& b : pictures) {
      const PixelView32 view = square(b);
      gif.AddFrame(view);
      if (optimize) continue;
      Picture scaled = gif.ScaledFrame();
      const std::uint8_t* corner = view.pixels + std::ptrdiff_t(view.height - 1) * view.pitch;
      for (std::size_t i = 0; i < scaled.size(); i += 4)
        scaled[i + 3] =
            transparent && scaled[i] == corner[0] && scaled[i + 1] == corner[1] && scaled[i + 2] == corner[2]
                ? 0
                : 255;
      raw.write(reinterpret_cast<const char*>(scaled.data()), std::streamsize(scaled.size()));
    }
    gif.Finish();
    ms[optimize] = cpuMs() - start;
  }
  std::printf("plain_ms=%.1f optimized_ms=%.1f\n", ms[0], ms[1]);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "measure") return Measure(argv[2], argv[3], std::atoi(argv[4]));
  if (argc >= 6 && std::string(argv[1]) == "export") return Export(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  WriteFrames();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  SharedTurntable().reset();
  return 0;
}

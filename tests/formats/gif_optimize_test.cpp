// Optimised GIFs: frames cropped to what changed over what the page already shows, a shared palette
// where it serves; decoded by us, gifsicle and ffmpeg to the same pictures as the plain export's.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "formats/gif_export.h"
#include "gif_fixtures.h"
#include "support/file_helpers.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

using namespace dravo;
using dravo::test::BgraPicture;

namespace {

// Red, green, blue, alpha bytes of every frame as a decoder shows it: each frame drawn over what the
// page holds, then disposed of as its control block says.
using Frames = std::vector<std::vector<std::uint8_t>>;

// `placed` gets each frame's rectangle and whether it brings a colour table of its own.
struct Placed {
  int left, top, width, height;
  bool ownTable;
};
Frames Compose(const std::filesystem::path& path, std::vector<Placed>* placed = nullptr) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (!gif) {
    ADD_FAILURE() << GifErrorString(error);
    return {};
  }
  EXPECT_EQ(DGifSlurp(gif), GIF_OK);
  const int width = gif->SWidth, height = gif->SHeight;
  std::vector<std::uint8_t> page(std::size_t(width) * std::size_t(height) * 4, 0);
  Frames frames;
  for (int f = 0; f < gif->ImageCount; ++f) {
    const SavedImage& image = gif->SavedImages[f];
    GraphicsControlBlock gcb{};
    DGifSavedExtensionToGCB(gif, f, &gcb);
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    const GifImageDesc& d = image.ImageDesc;
    if (placed) placed->push_back({d.Left, d.Top, d.Width, d.Height, image.ImageDesc.ColorMap != nullptr});
    EXPECT_TRUE(map && d.Left + d.Width <= width && d.Top + d.Height <= height) << f;
    const std::vector<std::uint8_t> before = page;
    for (int y = 0; y < d.Height; ++y)
      for (int x = 0; x < d.Width; ++x) {
        const int index = image.RasterBits[y * d.Width + x];
        if (index == gcb.TransparentColor) continue;
        const GifColorType c = map->Colors[index];
        std::uint8_t* p = &page[(std::size_t(d.Top + y) * std::size_t(width) + std::size_t(d.Left + x)) * 4];
        p[0] = c.Red;
        p[1] = c.Green;
        p[2] = c.Blue;
        p[3] = 255;
      }
    frames.push_back(page);
    if (gcb.DisposalMode == DISPOSE_PREVIOUS) page = before;
    if (gcb.DisposalMode == DISPOSE_BACKGROUND)
      for (int y = d.Top; y < d.Top + d.Height; ++y)
        std::memset(&page[(std::size_t(y) * std::size_t(width) + std::size_t(d.Left)) * 4], 0,
                    std::size_t(d.Width) * 4);
  }
  DGifCloseFile(gif, &error);
  return frames;
}

// Mean squared error per channel between two frames, over the pixels both show.
double Difference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  double squares = 0;
  long shown = 0;
  for (std::size_t i = 0; i < a.size(); i += 4) {
    if (a[i + 3] == 0 || b[i + 3] == 0) continue;
    for (int c = 0; c < 3; ++c)
      squares += double(a[i + c] - b[i + c]) * double(a[i + c] - b[i + c]);
    ++shown;
  }
  return shown ? squares / (3.0 * double(shown)) : 0;
}

// The made-up trick, with its middle frame held for three frames (nothing changes between them).
std::vector<BgraPicture> TrickFrames() {
  std::vector<BgraPicture> frames;
  for (int f = 0; f < 24; ++f)
    frames.push_back(test::TrickFrame(f == 13 || f == 14 ? 12 : f, 24));
  return frames;
}

void Export(const std::filesystem::path& path, const std::vector<BgraPicture>& frames, bool transparent,
            bool optimize) {
  GifOptions options;
  options.size = 128;
  options.transparent = transparent;
  options.optimize = optimize;
  ASSERT_TRUE(
      ExportGif(path, options, int(frames.size()), [&](int f) { return frames.at(std::size_t(f)).view(); }));
}

}  // namespace

TEST(GifOptimize, FramesShowWhatThePlainExportShowsInASmallerFile) {
  TempDir dir;
  const std::vector<BgraPicture> frames = TrickFrames();
  for (const bool transparent : {false, true}) {
    SCOPED_TRACE(transparent ? "transparent" : "opaque");
    Export(dir / "plain.gif", frames, transparent, false);
    Export(dir / "small.gif", frames, transparent, true);
    EXPECT_LT(ReadBytes(dir / "small.gif").size(), ReadBytes(dir / "plain.gif").size());
    const Frames plain = Compose(dir / "plain.gif"), small = Compose(dir / "small.gif");
    ASSERT_EQ(small.size(), frames.size());
    ASSERT_EQ(plain.size(), frames.size());
    for (std::size_t f = 0; f < frames.size(); ++f) {
      // The same pixels see-through, the same pixels shown, in colours a reduction apart at most.
      for (std::size_t i = 3; i < plain[f].size(); i += 4)
        ASSERT_EQ(small[f][i], plain[f][i]) << "frame " << f << " pixel " << i / 4;
      EXPECT_LT(Difference(small[f], plain[f]), 4.0) << "frame " << f;
    }
    // Held frames draw nothing new and show the same picture.
    EXPECT_EQ(small[14], small[12]);
  }
}

// The trick in few shades: one palette serves every frame, so no frame needs a table of its own.
std::vector<BgraPicture> FewShadeFrames() {
  std::vector<BgraPicture> frames = TrickFrames();
  for (BgraPicture& frame : frames)
    for (std::size_t i = 0; i < frame.bytes.size(); ++i)
      if (i % 4 != 3) frame.bytes[i] = std::uint8_t(frame.bytes[i] / 32 * 32 + 16);
  return frames;
}

TEST(GifOptimize, OtherDecodersShowTheSameFrames) {
  TempDir dir;
  const std::vector<BgraPicture> trick = TrickFrames(), fewShades = FewShadeFrames();
  for (const bool transparent : {false, true})
    for (const auto* frames : {&trick, &fewShades}) {
      SCOPED_TRACE(std::string(transparent ? "transparent" : "opaque") +
                   (frames == &trick ? "" : ", few shades"));
      Export(dir / "small.gif", *frames, transparent, true);
      std::vector<Placed> placed;
      const Frames ours = Compose(dir / "small.gif", &placed);
      const bool ownTables =
          std::any_of(placed.begin(), placed.end(), [](const Placed& p) { return p.ownTable; });

      // gifsicle, asked to undo the optimisation, writes every frame whole. It can only when every
      // colour fits the screen's table; otherwise it gives up and copies the file as it is.
      if (frames == &fewShades) {
        EXPECT_FALSE(ownTables);
      }
      if (!ownTables) {
        const ProgramResult gifsicle =
            RunProgram("/usr/bin/gifsicle",
                       {"--unoptimize", (dir / "small.gif").string(), "-o", (dir / "whole.gif").string()});
        ASSERT_EQ(gifsicle.code, 0) << gifsicle.err;
        EXPECT_EQ(gifsicle.err, "");
        std::vector<Placed> whole;
        EXPECT_EQ(Compose(dir / "whole.gif", &whole), ours);
        EXPECT_EQ(whole.size(), placed.size());
        EXPECT_TRUE(std::all_of(whole.begin(), whole.end(), [](const Placed& p) {
          return p.left == 0 && p.top == 0 && p.width == 128 && p.height == 128;
        }));
      }

      // ffmpeg decodes every frame to red, green, blue, alpha bytes.
      const ProgramResult ffmpeg =
          RunProgram("/usr/bin/ffmpeg", {"-v", "error", "-i", (dir / "small.gif").string(), "-fps_mode",
                                         "passthrough", "-f", "rawvideo", "-pix_fmt", "rgba", "-"});
      ASSERT_EQ(ffmpeg.code, 0) << ffmpeg.err;
      const std::size_t frameBytes = 128 * 128 * 4;
      ASSERT_EQ(ffmpeg.out.size(), frameBytes * ours.size());
      for (std::size_t f = 0; f < ours.size(); ++f)
        for (std::size_t i = 0; i < frameBytes; i += 4) {
          const auto* theirs = reinterpret_cast<const std::uint8_t*>(ffmpeg.out.data()) + f * frameBytes + i;
          ASSERT_EQ(theirs[3], ours[f][i + 3]) << "frame " << f << " pixel " << i / 4;
          if (theirs[3] == 0) continue;
          ASSERT_EQ(std::memcmp(theirs, &ours[f][i], 3), 0) << "frame " << f << " pixel " << i / 4;
        }
    }
}

// The trick with a patch of flat colours that no two frames share: more colours than one palette holds,
// so some frames need their own table to stay within the bound.
std::vector<BgraPicture> ColourfulFrames() {
  std::vector<BgraPicture> frames = TrickFrames();
  std::mt19937 random(7);
  for (BgraPicture& frame : frames)
    for (int block = 0; block < 16; ++block) {
      const int r = int(random() % 256), g = int(random() % 256), b = int(random() % 256);
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
          frame.set(20 + block % 4 * 40 + x, 20 + block / 4 * 40 + y, r, g, b, 0);
    }
  return frames;
}

TEST(GifOptimize, EveryFrameStaysWithinTheErrorBoundOverWhatItDraws) {
  TempDir dir;
  struct Case {
    const char* name;
    std::vector<BgraPicture> frames;
    bool transparent;
  };
  const Case cases[] = {{"trick, opaque", TrickFrames(), false},
                        {"trick, transparent", TrickFrames(), true},
                        {"colourful, opaque", ColourfulFrames(), false},
                        {"colourful, transparent", ColourfulFrames(), true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GifOptions options;
    options.size = 128;
    options.transparent = c.transparent;
    options.optimize = true;
    GifExport gif(dir / "small.gif", options);
    Frames truth;  // red, green, blue, alpha as the frames are to show
    for (const BgraPicture& frame : c.frames) {
      gif.AddFrame(frame.view());
      const std::vector<std::uint8_t>& scaled = gif.ScaledFrame();
      const std::uint8_t* key = frame.at(0, frame.height - 1);
      std::vector<std::uint8_t> rgba(scaled.size());
      for (std::size_t i = 0; i < scaled.size(); i += 4) {
        const bool see = c.transparent && std::memcmp(&scaled[i], key, 3) == 0;
        rgba[i] = scaled[i + 2];
        rgba[i + 1] = scaled[i + 1];
        rgba[i + 2] = scaled[i];
        rgba[i + 3] = see ? 0 : 255;
      }
      truth.push_back(std::move(rgba));
    }
    gif.Finish();
    std::vector<Placed> placed;
    const Frames shown = Compose(dir / "small.gif", &placed);
    ASSERT_EQ(shown.size(), truth.size());
    int ownTables = 0;
    for (std::size_t f = 0; f < shown.size(); ++f) {
      const Placed& p = placed[f];
      ownTables += p.ownTable;
      double squares = 0;
      for (int y = p.top; y < p.top + p.height; ++y)
        for (int x = p.left; x < p.left + p.width; ++x) {
          const std::size_t i = (std::size_t(y) * 128 + std::size_t(x)) * 4;
          ASSERT_EQ(shown[f][i + 3], truth[f][i + 3]) << "frame " << f << " pixel " << x << "," << y;
          if (truth[f][i + 3] == 0) continue;
          for (int k = 0; k < 3; ++k)
            squares += double(shown[f][i + k] - truth[f][i + k]) * double(shown[f][i + k] - truth[f][i + k]);
        }
      EXPECT_LE(squares / (3.0 * p.width * p.height), kGifOptimizedErrorBound) << "frame " << f;
      // Outside it the page is what the previous frame left, which met the bound over its own rectangle.
    }
    if (std::string(c.name).starts_with("colourful")) {
      EXPECT_GT(ownTables, 0);
    }
  }
}

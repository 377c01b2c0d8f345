// The animated GIF export, read back through giflib.
#include "formats/gif_export.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "core/error.h"
#include "gif_fixtures.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

using namespace dravo;
using dravo::test::BgraPicture;

namespace {

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

GifPtr Slurp(const std::filesystem::path& path) {
  int error = 0;
  GifPtr gif(DGifOpenFileName(path.c_str(), &error));
  if (!gif) {
    ADD_FAILURE() << "cannot open " << path << ": " << GifErrorString(error);
    return nullptr;
  }
  EXPECT_EQ(DGifSlurp(gif.get()), GIF_OK) << GifErrorString(gif->Error);
  return gif;
}

GraphicsControlBlock Control(GifFileType* gif, int frame) {
  GraphicsControlBlock gcb{};
  EXPECT_EQ(DGifSavedExtensionToGCB(gif, frame, &gcb), GIF_OK);
  return gcb;
}

// Renders the made-up trick's frames, as the editor's frame source would.
struct TrickSource {
  int frames;
  std::vector<BgraPicture> rendered;
  explicit TrickSource(int n) : frames(n) {
    for (int f = 0; f < n; ++f)
      rendered.push_back(test::TrickFrame(f, n));
  }
  GifFrameSource source() {
    return [this](int f) { return rendered.at(std::size_t(f)).view(); };
  }
};

BgraPicture ScaledFrame(const BgraPicture& frame, int size) {
  BgraPicture out(size, size);
  AreaScale32(frame.view(), out.bytes.data(), size, size, out.pitch);
  return out;
}

// What a transparent GIF pixel should show: the scaled share of the non-background pixels in alpha,
// and the mean of their colours alone.
BgraPicture CoveredFrame(const BgraPicture& frame, int size, int r, int g, int b) {
  BgraPicture covered(frame.width, frame.height);
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x) {
      const std::uint8_t* in = frame.at(x, y);
      std::uint8_t* out = covered.bytes.data() + y * covered.pitch + x * 4;
      const bool background = in[2] == r && in[1] == g && in[0] == b;
      for (int c = 0; c < 3; ++c)
        out[c] = background ? 0 : in[c];
      out[3] = background ? 0 : 255;
    }
  BgraPicture out = ScaledFrame(covered, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      std::uint8_t* p = out.bytes.data() + y * out.pitch + x * 4;
      if (p[3] == 0) continue;
      for (int c = 0; c < 3; ++c)
        p[c] = static_cast<std::uint8_t>(std::min(255, (p[c] * 255 + p[3] / 2) / p[3]));
    }
  return out;
}

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(GifExport, ThirtyFramesAt15FpsReadBackAsALoopingAnimation) {
  TempDir dir;
  TrickSource trick(30);
  for (const bool transparent : {true, false}) {
    SCOPED_TRACE(transparent ? "transparent" : "opaque");
    const GifOptions options{128, 15, transparent};
    ASSERT_TRUE(ExportGif(dir / "trick", options, 30, trick.source()));
    const std::filesystem::path file = dir / "trick.gif";
    const std::vector<std::uint8_t> bytes = ReadBytes(file);
    ASSERT_GT(bytes.size(), 6u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    GifPtr gif = Slurp(file);
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->SWidth, 128);
    EXPECT_EQ(gif->SHeight, 128);
    EXPECT_EQ(gif->SColorMap, nullptr);
    ASSERT_EQ(gif->ImageCount, 30);

    // The loop block comes first, before the first frame's graphic control extension.
    const SavedImage& first = gif->SavedImages[0];
    ASSERT_EQ(first.ExtensionBlockCount, 3);
    EXPECT_EQ(first.ExtensionBlocks[0].Function, APPLICATION_EXT_FUNC_CODE);
    ASSERT_EQ(first.ExtensionBlocks[0].ByteCount, 11);
    EXPECT_EQ(std::memcmp(first.ExtensionBlocks[0].Bytes, "NETSCAPE2.0", 11), 0);
    EXPECT_EQ(first.ExtensionBlocks[1].Function, CONTINUE_EXT_FUNC_CODE);
    ASSERT_EQ(first.ExtensionBlocks[1].ByteCount, 3);
    EXPECT_EQ(first.ExtensionBlocks[1].Bytes[0], 1);
    EXPECT_EQ(first.ExtensionBlocks[1].Bytes[1], 0);  // loop count 0: for ever
    EXPECT_EQ(first.ExtensionBlocks[1].Bytes[2], 0);
    EXPECT_EQ(first.ExtensionBlocks[2].Function, GRAPHICS_EXT_FUNC_CODE);

    for (int f = 0; f < 30; ++f) {
      SCOPED_TRACE("frame " + std::to_string(f));
      const SavedImage& image = gif->SavedImages[f];
      EXPECT_EQ(image.ImageDesc.Left, 0);
      EXPECT_EQ(image.ImageDesc.Top, 0);
      ASSERT_EQ(image.ImageDesc.Width, 128);
      ASSERT_EQ(image.ImageDesc.Height, 128);
      ASSERT_NE(image.ImageDesc.ColorMap, nullptr);
      if (f > 0) {
        EXPECT_EQ(image.ExtensionBlockCount, 1);
      }
      const GraphicsControlBlock gcb = Control(gif.get(), f);
      EXPECT_EQ(gcb.DelayTime, 6);  // 1000 / 15 = 67 ms
      const int bottomLeft = image.RasterBits[127 * 128];
      if (transparent) {
        EXPECT_EQ(gcb.TransparentColor, bottomLeft);  // the corner shows the background
        EXPECT_EQ(gcb.DisposalMode, DISPOSE_PREVIOUS);
      } else {
        EXPECT_EQ(gcb.TransparentColor, NO_TRANSPARENT_COLOR);
      }

      // The picture: close to the scaled frame. With transparency a pixel is see-through when it is
      // hardly covered, and a covered one is close to the models' colours alone.
      const BgraPicture& source = trick.rendered[std::size_t(f)];
      const BgraPicture expected = transparent
                                       ? CoveredFrame(source, 128, test::kBackR, test::kBackG, test::kBackB)
                                       : ScaledFrame(source, 128);
      double squares = 0;
      int counted = 0;
      for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
          const int index = image.RasterBits[y * 128 + x];
          ASSERT_LT(index, image.ImageDesc.ColorMap->ColorCount);
          const std::uint8_t* s = expected.at(x, y);
          if (transparent) {
            ASSERT_EQ(index == gcb.TransparentColor, s[3] < kGifShownCoverage) << x << "," << y;
            if (s[3] < kGifShownCoverage) continue;
          }
          const GifColorType c = image.ImageDesc.ColorMap->Colors[index];
          squares += (c.Red - s[2]) * (c.Red - s[2]) + (c.Green - s[1]) * (c.Green - s[1]) +
                     (c.Blue - s[0]) * (c.Blue - s[0]);
          ++counted;
        }
      ASSERT_GT(counted, 0);
      EXPECT_LT(squares / (3 * counted), 4.0);
    }
  }
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"trick.gif"});
}

// A red half-plane on the background, its edge between two GIF pixels' worth of frame pixels: with
// transparency the edge has no background-coloured halo; every shown pixel is red.
TEST(GifExport, TransparentEdgesCarryNoBackgroundHalo) {
  TempDir dir;
  BgraPicture frame(200, 200);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x) {
      std::uint8_t* p = frame.bytes.data() + y * frame.pitch + x * 4;
      const bool red = x * 3 + y > 330;  // a slanted edge, crossing GIF pixels at every share
      p[0] = red ? 0 : test::kBackB;
      p[1] = red ? 0 : test::kBackG;
      p[2] = red ? 230 : test::kBackR;
      p[3] = 255;
    }
  ASSERT_TRUE(ExportGif(dir / "edge", GifOptions{32, 15, true}, 1, [&](int) { return frame.view(); }));
  GifPtr gif = Slurp(dir / "edge.gif");
  ASSERT_TRUE(gif);
  const SavedImage& image = gif->SavedImages[0];
  const int see = Control(gif.get(), 0).TransparentColor;
  ASSERT_NE(see, NO_TRANSPARENT_COLOR);
  int shown = 0, clear = 0;
  for (int i = 0; i < 32 * 32; ++i) {
    const int index = image.RasterBits[i];
    if (index == see) {
      ++clear;
      continue;
    }
    ++shown;
    const GifColorType c = image.ImageDesc.ColorMap->Colors[index];
    EXPECT_EQ(c.Red, 230) << i;
    EXPECT_EQ(c.Green, 0) << i;
    EXPECT_EQ(c.Blue, 0) << i;
  }
  EXPECT_GT(shown, 100);
  EXPECT_GT(clear, 100);
}

TEST(GifExport, TheDelayFollowsThePlaybackTimer) {
  struct Case {
    int fps, interval, delay;
  };
  // 1000 / 16 = 62.5 and 1000 / 80 = 12.5 round to the even neighbour, as the timer's interval does.
  for (const Case c : {Case{15, 67, 6}, Case{100, 10, 1}, Case{1, 1000, 100}, Case{30, 33, 3},
                       Case{16, 62, 6}, Case{80, 12, 1}, Case{67, 15, 1}, Case{7, 143, 14}}) {
    SCOPED_TRACE(c.fps);
    EXPECT_EQ(PlaybackIntervalMs(c.fps), c.interval);
    EXPECT_EQ(GifFrameDelay(c.fps), c.delay);
  }
  TempDir dir;
  TrickSource trick(2);
  for (const Case c : {Case{100, 10, 1}, Case{1, 1000, 100}}) {
    ASSERT_TRUE(ExportGif(dir / "a.gif", GifOptions{32, c.fps, false}, 2, trick.source()));
    GifPtr gif = Slurp(dir / "a.gif");
    ASSERT_TRUE(gif);
    ASSERT_EQ(gif->ImageCount, 2);
    EXPECT_EQ(Control(gif.get(), 0).DelayTime, c.delay);
    EXPECT_EQ(Control(gif.get(), 1).DelayTime, c.delay);
  }
}

TEST(GifExport, TheFileNameEndsInGif) {
  for (const auto& [chosen, written] : std::vector<std::pair<std::string, std::string>>{
           {"jump", "jump.gif"},
           {"jump.png", "jump.gif"},
           {"jump.gif", "jump.gif"},
           {"jump.GIF", "jump.GIF"},
           {"jump.", "jump.gif"},
           {"my.tricks/jump", "my.tricks/jump.gif"},
           {"my.tricks/jump.bmp", "my.tricks/jump.gif"},
       })
    EXPECT_EQ(GifFileName(chosen), std::filesystem::path(written)) << chosen;

  TempDir dir;
  std::filesystem::create_directory(dir / "my.tricks");
  TrickSource trick(1);
  ASSERT_TRUE(ExportGif(dir / "my.tricks" / "jump.png", GifOptions{}, 1, trick.source()));
  EXPECT_EQ(FilesIn(dir / "my.tricks"), std::vector<std::string>{"jump.gif"});
  GifPtr gif = Slurp(dir / "my.tricks" / "jump.gif");
  ASSERT_TRUE(gif);
  EXPECT_EQ(gif->SWidth, 64);  // the option defaults: size 64, 15 fps, transparent
  EXPECT_EQ(Control(gif.get(), 0).DelayTime, 6);
  EXPECT_NE(Control(gif.get(), 0).TransparentColor, NO_TRANSPARENT_COLOR);
}

TEST(GifExport, BadOptionsAreRefusedWithTheFieldsMessages) {
  TempDir dir;
  TrickSource trick(1);
  struct Case {
    GifOptions options;
    const char* message;
  };
  for (const Case& c : {Case{{31, 15, true}, "Value in GIFSize must be between 32 and 256"},
                        Case{{257, 15, true}, "Value in GIFSize must be between 32 and 256"},
                        Case{{64, 0, true}, "Value in FrameRateEdit must be between 1 and 100"},
                        Case{{64, 101, false}, "Value in FrameRateEdit must be between 1 and 100"}}) {
    EXPECT_EQ(GifOptionsError(c.options), c.message);
    try {
      ExportGif(dir / "x.gif", c.options, 1, trick.source());
      ADD_FAILURE() << "accepted " << c.message;
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  EXPECT_EQ(GifOptionsError({32, 1, true}), "");
  EXPECT_EQ(GifOptionsError({256, 100, false}), "");
  EXPECT_THROW(ExportGif(dir / "x.gif", GifOptions{}, 0, trick.source()), std::invalid_argument);
  EXPECT_TRUE(FilesIn(dir.path()).empty());
}

TEST(GifExport, AFolderThatTakesNoFileGivesTheErrorAndLeavesNothing) {
  TempDir dir;
  WriteText(dir / "plain", "not a folder");
  TrickSource trick(2);
  for (const auto& [chosen, reason] : {std::pair{dir / "missing" / "a.gif", "No such file or directory"},
                                       std::pair{dir / "plain" / "a.gif", "Not a directory"}}) {
    try {
      ExportGif(chosen, GifOptions{}, 2, trick.source());
      ADD_FAILURE() << "wrote " << chosen;
    } catch (const FileError& e) {
      EXPECT_EQ(e.what(), "Cannot create file " + chosen.string() + ": " + reason);
    }
  }
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"plain"});
}

TEST(GifExport, CancelledOrFailedExportsLeaveTheEarlierFileAsItWas) {
  TempDir dir;
  WriteText(dir / "old.gif", "the earlier export");
  TrickSource trick(10);

  std::vector<std::pair<int, int>> told;
  const bool done = ExportGif(dir / "old", GifOptions{}, 10, trick.source(), [&](int d, int total) {
    told.emplace_back(d, total);
    return d < 4;
  });
  EXPECT_FALSE(done);
  EXPECT_EQ(told, (std::vector<std::pair<int, int>>{{0, 10}, {1, 10}, {2, 10}, {3, 10}, {4, 10}}));
  EXPECT_FALSE(ExportGif(dir / "old", GifOptions{}, 10, trick.source(), [](int, int) { return false; }));

  // A frame that cannot be rendered ends the export with its error.
  auto failing = [&](int f) -> PixelView32 {
    if (f == 5) throw std::runtime_error("the device was lost");
    return trick.rendered[std::size_t(f)].view();
  };
  EXPECT_THROW(ExportGif(dir / "old", GifOptions{}, 10, failing), std::runtime_error);
  EXPECT_THROW(ExportGif(dir / "old", GifOptions{}, 10, [](int) { return PixelView32{}; }),
               std::invalid_argument);

  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"old.gif"});
  EXPECT_EQ(ReadBytes(dir / "old.gif"), Bytes("the earlier export"));

  // A finished export replaces it.
  ASSERT_TRUE(ExportGif(dir / "old", GifOptions{}, 10, trick.source()));
  GifPtr gif = Slurp(dir / "old.gif");
  ASSERT_TRUE(gif);
  EXPECT_EQ(gif->ImageCount, 10);
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"old.gif"});
}

TEST(GifExport, FramesAreFedOneByOne) {
  TempDir dir;
  GifExport gif(dir / "steps.gif", GifOptions{48, 25, true});
  EXPECT_EQ(gif.FileName(), dir / "steps.gif");
  EXPECT_EQ(gif.FrameDelay(), 4);
  EXPECT_THROW(gif.Finish(), std::invalid_argument);  // nothing to write yet
  // Frames of any size, the device's or a resized panel's.
  gif.AddFrame(test::TrickFrame(0, 3, 640, 480).view());
  gif.AddFrame(test::TrickFrame(1, 3, 100, 300).view());
  gif.AddFrame(test::TrickFrame(2, 3, 20, 20).view());
  EXPECT_EQ(gif.FrameCount(), 3);
  EXPECT_FALSE(std::filesystem::exists(dir / "steps.gif"));
  gif.Finish();
  GifPtr read = Slurp(dir / "steps.gif");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->ImageCount, 3);
  EXPECT_EQ(read->SavedImages[2].ImageDesc.Width, 48);
}

TEST(GifWriter, SmallPalettesGetTheSmallestTableThatHoldsThem) {
  TempDir dir;
  IndexedImage image;
  image.width = 4;
  image.height = 2;
  image.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  image.indices = {0, 1, 2, 0, 2, 1, 0, 2};
  {
    GifWriter writer(dir / "small.gif", 4, 2);
    writer.addFrame(image, 10, 2);
    image.palette.resize(1);
    image.indices.assign(8, 0);
    writer.addFrame(image, 20, -1);
    EXPECT_THROW(writer.addFrame(image, 20, 1), std::invalid_argument);  // no entry 1
    image.indices[3] = 5;
    EXPECT_THROW(writer.addFrame(image, 20, -1), std::invalid_argument);
    writer.commit();
  }
  GifPtr gif = Slurp(dir / "small.gif");
  ASSERT_TRUE(gif);
  ASSERT_EQ(gif->ImageCount, 2);
  EXPECT_EQ(gif->SavedImages[0].ImageDesc.ColorMap->ColorCount, 4);
  EXPECT_EQ(gif->SavedImages[1].ImageDesc.ColorMap->ColorCount, 2);
  EXPECT_EQ(gif->SavedImages[0].ImageDesc.ColorMap->Colors[2].Blue, 255);
  EXPECT_EQ(std::vector<int>(gif->SavedImages[0].RasterBits, gif->SavedImages[0].RasterBits + 8),
            (std::vector<int>{0, 1, 2, 0, 2, 1, 0, 2}));
  EXPECT_EQ(Control(gif.get(), 0).TransparentColor, 2);
  EXPECT_EQ(Control(gif.get(), 1).DelayTime, 20);
  EXPECT_EQ(Control(gif.get(), 1).DisposalMode, DISPOSAL_UNSPECIFIED);
}

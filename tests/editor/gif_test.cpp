// The "Gif" button and `dravo gif`: the editor steps through the trick's frames, the export writes
// them; playback stops meanwhile and comes back.
#include <gif_lib.h>

#include <gtest/gtest.h>

#include "core/error.h"
#include "demo_game_command.h"
#include "editor_rig.h"
#include "support/file_helpers.h"

namespace dravo::test {
namespace {

namespace fs = std::filesystem;

struct GifRead {
  int frames = 0;
  int width = 0;
  int delay = -1;
  int transparent = -2;
  int shownPixels = 0;  // of the first frame, when it has a transparent colour
};

GifRead ReadGif(const fs::path& path) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (!gif) {
    ADD_FAILURE() << "cannot open " << path;
    return {};
  }
  GifRead r;
  if (DGifSlurp(gif) == GIF_OK) {
    r.frames = gif->ImageCount;
    r.width = gif->SWidth;
    GraphicsControlBlock gcb{};
    if (r.frames > 0 && DGifSavedExtensionToGCB(gif, r.frames - 1, &gcb) == GIF_OK) {
      r.delay = gcb.DelayTime;
      r.transparent = gcb.TransparentColor;
    }
    GraphicsControlBlock first{};
    if (r.frames > 0 && DGifSavedExtensionToGCB(gif, 0, &first) == GIF_OK && first.TransparentColor >= 0) {
      const SavedImage& image = gif->SavedImages[0];
      const int count = image.ImageDesc.Width * image.ImageDesc.Height;
      for (int i = 0; i < count; ++i)
        r.shownPixels += image.RasterBits[i] != first.TransparentColor;
    }
  }
  DGifCloseFile(gif, &error);
  return r;
}

TEST(EditorGif, TheButtonWritesEveryFrameAndRestoresPlayback) {
  EditorRig rig;
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  TDravoEditor& ed = rig.ed();
  SelectTrick(ed, "superman");
  const int frames = ed.FrameCount();
  ASSERT_GT(frames, 2);
  ed.FrameRateEditChange(30);
  ed.GIFSizeChange(48);
  ed.FrameBarChange(3);
  rig.host.Take();

  // A cancelled dialog changes nothing.
  rig.host.saveGifs = {std::nullopt};
  ed.MakeGifBtnClick();
  EXPECT_EQ(ed.FrameBarPosition(), 3);
  EXPECT_TRUE(rig.host.busy.empty());
  for (const auto& entry : fs::recursive_directory_iterator(rig.dir.path()))
    EXPECT_NE(entry.path().extension(), ".gif") << entry.path();

  // While playing the button is off.
  ed.PlayAnimBtnLatchChanged(true);
  ASSERT_TRUE(rig.host.timers[EditorTimer::Frame].first);
  EXPECT_FALSE(ed.MakeGifBtnEnabled());
  ed.MakeGifBtnClick();
  EXPECT_EQ(rig.host.saveGifs.size(), 0u);
  EXPECT_TRUE(rig.host.busy.empty());

  // Called while playing all the same (as a caller other than the button may), the export stops the
  // timer and restarts it afterwards.
  std::vector<std::pair<int, int>> told;
  rig.host.exportProgress = [&](int done, int total) {
    told.emplace_back(done, total);
    EXPECT_FALSE(rig.host.timers[EditorTimer::Frame].first) << "the timer runs during the export";
    EXPECT_FALSE(ed.PlayAnimBtnEnabled());
    if (done > 0) {
      EXPECT_EQ(ed.FrameBarPosition(), done);  // the view shows the frame just written
    }
    return true;
  };
  const auto progress = [&](int done, int total) { return rig.host.ExportProgress(done, total); };
  ASSERT_TRUE(ed.MakeGif((rig.dir / "playing").string(), progress));
  EXPECT_TRUE(rig.host.timers[EditorTimer::Frame].first);  // playing again
  EXPECT_EQ(rig.host.timers[EditorTimer::Frame].second, 33);
  EXPECT_EQ(ReadGif(rig.dir / "playing.gif").frames, frames);

  // The button, stopped.
  ed.PlayAnimBtnLatchChanged(false);
  told.clear();
  rig.host.busy.clear();
  const fs::path chosen = rig.dir / "superman.png";
  rig.host.saveGifs = {chosen.string()};
  ed.MakeGifBtnClick();
  EXPECT_TRUE(rig.host.errors.empty()) << rig.host.errors.front();
  ASSERT_EQ(told.size(), std::size_t(frames) + 1);
  EXPECT_EQ(told.back(), std::make_pair(frames, frames));
  EXPECT_EQ(rig.host.busy, (std::vector<bool>{true, false}));
  EXPECT_EQ(ed.FrameBarPosition(), frames);  // left on the last frame
  EXPECT_TRUE(ed.PlayAnimBtnEnabled());
  EXPECT_FALSE(rig.host.timers[EditorTimer::Frame].first);

  EXPECT_FALSE(fs::exists(chosen));
  EXPECT_EQ(rig.host.suggestedGifs.back(), "superman.gif");
  EXPECT_EQ(ed.StatusText(), "Wrote superman.gif: superman, " + std::to_string(frames) + " frames");
  const GifRead gif = ReadGif(rig.dir / "superman.gif");
  EXPECT_EQ(gif.frames, frames);
  EXPECT_EQ(gif.width, 48);
  EXPECT_EQ(gif.delay, 3);  // 33 ms
  EXPECT_GE(gif.transparent, 0);
}

TEST(EditorGif, CancelAndErrorsLeaveNoFileAndPlaybackAsItWas) {
  EditorRig rig;
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  TDravoEditor& ed = rig.ed();
  SelectTrick(ed, "nacnac");
  ed.TransparentClick(false);
  rig.host.Take();

  rig.host.exportProgress = [](int done, int) { return done < 3; };
  EXPECT_FALSE(ed.MakeGif((rig.dir / "cancelled").string(),
                          [&](int d, int t) { return rig.host.ExportProgress(d, t); }));
  EXPECT_EQ(ed.FrameBarPosition(), 3);
  EXPECT_TRUE(ed.PlayAnimBtnEnabled());
  EXPECT_FALSE(rig.host.timers[EditorTimer::Frame].first);

  // A folder that takes no file: the error is shown, the play button comes back.
  rig.host.exportProgress = {};
  const fs::path missing = rig.dir / "no such folder" / "a.gif";
  rig.host.saveGifs = {missing.string()};
  ed.MakeGifBtnClick();
  EXPECT_EQ(rig.host.errors, std::vector<std::string>{"Cannot create file " + missing.string() +
                                                      ": No such file or directory"});
  EXPECT_TRUE(ed.PlayAnimBtnEnabled());

  rig.host.saveGifs = {(rig.dir / "opaque").string()};
  ed.MakeGifBtnClick();
  const GifRead gif = ReadGif(rig.dir / "opaque.gif");
  EXPECT_EQ(gif.frames, ed.FrameCount());
  EXPECT_EQ(gif.width, 64);  // the option's default
  EXPECT_EQ(gif.delay, 6);
  EXPECT_EQ(gif.transparent, NO_TRANSPARENT_COLOR);
  for (const auto& entry : fs::directory_iterator(rig.dir.path()))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

// `dravo gif` as a user runs it (the export itself is leak-checked on the recording panel above).
class GifCommand : public DemoGameCommand {
 protected:
  GifCommand() : DemoGameCommand("gif") {}
};

TEST_F(GifCommand, WritesTheTrickWithTheOptionsGiven) {
  const ProgramResult r = Run({"--trick", "superman", "--size", "128", "--fps", "100", "--opaque", "--view",
                               "Right", (dir / "flight").string()});
  if (r.err.find("no OpenGL device") != std::string::npos) GTEST_SKIP() << "no OpenGL here";
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, (dir / "flight.gif").string() + ": 30 frames of 128 x 128, 1/100 s each\n");
  const GifRead gif = ReadGif(dir / "flight.gif");
  EXPECT_EQ(gif.frames, 30);
  EXPECT_EQ(gif.width, 128);
  EXPECT_EQ(gif.delay, 1);
  EXPECT_EQ(gif.transparent, NO_TRANSPARENT_COLOR);

  // The option defaults: 64 pixels, 15 frames a second, transparent.
  ASSERT_EQ(Run({"--trick", "nacnac", (dir / "nac.gif").string()}).code, 0);
  const GifRead plain = ReadGif(dir / "nac.gif");
  EXPECT_EQ(plain.width, 64);
  EXPECT_EQ(plain.delay, 6);
  EXPECT_GE(plain.transparent, 0);

  // Zoomed in, the rider and bike cover much more of the picture.
  ASSERT_EQ(Run({"--trick", "nacnac", "--zoom", "60", (dir / "near.gif").string()}).code, 0);
  EXPECT_GT(plain.shownPixels, 0);
  EXPECT_GT(ReadGif(dir / "near.gif").shownPixels, 2 * plain.shownPixels);
  EXPECT_TRUE(fs::is_empty(home.path()));
}

TEST_F(GifCommand, BadValuesEndWithTheMessage) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {{"--size", "31"}, "dravo: Value in GIFSize must be between 32 and 256\n"},
           {{"--size", "257"}, "dravo: Value in GIFSize must be between 32 and 256\n"},
           {{"--fps", "0"}, "dravo: Value in FrameRateEdit must be between 1 and 100\n"},
           {{"--fps", "101"}, "dravo: Value in FrameRateEdit must be between 1 and 100\n"},
           {{"--zoom", "151"}, "dravo: 151: the zoom runs from 30 to 150\n"},
       }) {
    std::vector<std::string> args = {"--trick", "nacnac"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back((dir / "x.gif").string());
    const ProgramResult r = Run(args);
    EXPECT_EQ(r.code, 1) << c.message;
    EXPECT_EQ(r.err, c.message);
  }
  const ProgramResult unknown = Run({"--trick", "flyingfish", (dir / "x.gif").string()});
  if (unknown.err.find("no OpenGL device") == std::string::npos) {
    EXPECT_EQ(unknown.code, 1);
    EXPECT_EQ(unknown.err.rfind("dravo: flyingfish: not a trick of this machine's list (", 0), 0u)
        << unknown.err;
  }
  EXPECT_FALSE(fs::exists(dir / "x.gif"));
}

}  // namespace
}  // namespace dravo::test

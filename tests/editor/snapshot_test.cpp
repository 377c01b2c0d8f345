// `dravo snapshot` as a user runs it: the editor headless on the demo game, a picture of a trick's
// frame. Skipped where EGL gives no OpenGL context.
#include <gtest/gtest.h>

#include <algorithm>

#include "demo_game_command.h"
#include "formats/png_file.h"
#include "motion/mot_writer.h"
#include "support/file_helpers.h"

namespace dravo::test {
namespace {

namespace fs = std::filesystem;

// The home and config folder must stay empty.
class Snapshot : public DemoGameCommand {
 protected:
  Snapshot() : DemoGameCommand("snapshot") {}

  // The picture's pixels, or a skip when there is nothing to draw with.
  std::vector<std::uint8_t> Picture(const std::vector<std::string>& args, int width, int height) {
    const fs::path out = dir / "shot.png";
    std::vector<std::string> all = args;
    all.insert(all.end(),
               {"-o", out.string(), "--size", std::to_string(width) + "x" + std::to_string(height)});
    const ProgramResult r = Run(all);
    if (r.err.find("no OpenGL device") != std::string::npos) return {};
    EXPECT_EQ(r.code, 0) << r.err;
    const std::vector<std::uint8_t> png = ReadBytes(out);
    const Bitmap bitmap = ReadPng(png, "shot.png");
    EXPECT_EQ(bitmap.width(), width);
    EXPECT_EQ(bitmap.height(), height);
    fs::remove(out);
    return bitmap.toRgba();
  }

  // Pixels that are not the background colour (red 0x90, green 0x80, blue 0x80).
  static int Drawn(const std::vector<std::uint8_t>& rgba) {
    int n = 0;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4)
      n += !(rgba[i] == 0x90 && rgba[i + 1] == 0x80 && rgba[i + 2] == 0x80);
    return n;
  }
};

TEST_F(Snapshot, DrawsTheTrickAtTheChosenFrameAndView) {
  const std::vector<std::uint8_t> first = Picture({"--trick", "nacnac", "--zoom", "40"}, 160, 120);
  if (first.empty()) GTEST_SKIP() << "no headless OpenGL device";
  const std::vector<std::uint8_t> later =
      Picture({"--trick", "nacnac", "--frame", "20", "--zoom", "40"}, 160, 120);
  const std::vector<std::uint8_t> top =
      Picture({"--trick", "nacnac", "--frame", "20", "--zoom", "40", "--view", "top"}, 160, 120);
  EXPECT_GT(Drawn(first), 200);
  EXPECT_GT(Drawn(top), 200);
  EXPECT_NE(first, later);
  EXPECT_NE(later, top);
  // Another machine and rider, by their documents.
  const std::vector<std::uint8_t> quad = Picture(
      {"--trick", "coffin", "--machine", "ATV_S_450_QUAD1.sub", "--rider", "Dirtbird14.sub", "--zoom", "40"},
      160, 120);
  EXPECT_GT(Drawn(quad), 200);
  // The user's settings were neither read nor written.
  EXPECT_TRUE(fs::is_empty(home.path()));
}

// Where the model lands: the box around the pixels that are not the background.
struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};

Box DrawnBox(const std::vector<std::uint8_t>& rgba, int width) {
  Box b;
  for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
    if (rgba[i] == 0x90 && rgba[i + 1] == 0x80 && rgba[i + 2] == 0x80) continue;
    const int x = static_cast<int>(i / 4) % width, y = static_cast<int>(i / 4) / width;
    b.left = std::min(b.left, x);
    b.right = std::max(b.right, x);
    b.top = std::min(b.top, y);
    b.bottom = std::max(b.bottom, y);
  }
  return b;
}

// The sum of the red, green and blue bytes of the drawn pixels.
long Brightness(const std::vector<std::uint8_t>& rgba) {
  long sum = 0;
  for (std::size_t i = 0; i + 3 < rgba.size(); i += 4)
    if (!(rgba[i] == 0x90 && rgba[i + 1] == 0x80 && rgba[i + 2] == 0x80))
      sum += rgba[i] + rgba[i + 1] + rgba[i + 2];
  return sum;
}

// The picture keeps the model's proportions whatever its own: a wide and a tall picture of one height show
// the model at one size, in the middle.
TEST_F(Snapshot, TheModelKeepsItsShapeAndPlaceInAPictureOfAnyProportions) {
  const std::vector<std::string> args = {"--trick", "nacnac", "--zoom", "60"};
  const struct { int width, height; } sizes[] = {{240, 240}, {480, 240}, {160, 240}};
  std::vector<Box> boxes;
  for (const auto& size : sizes) {
    const std::vector<std::uint8_t> rgba = Picture(args, size.width, size.height);
    if (rgba.empty()) GTEST_SKIP() << "no headless OpenGL device";
    const Box b = DrawnBox(rgba, size.width);
    ASSERT_GT(b.width(), 10) << size.width;
    // The eye looks along the middle of the picture, straight at the model.
    EXPECT_NEAR(b.left + b.right, size.width, size.width / 12) << size.width;
    boxes.push_back(b);
  }
  for (const Box& b : boxes) {
    EXPECT_NEAR(b.width(), boxes[0].width(), 3);
    EXPECT_NEAR(b.height(), boxes[0].height(), 3);
  }
}

TEST_F(Snapshot, LightingAndWireModeChangeThePicture) {
  const std::vector<std::string> args = {"--trick", "nacnac", "--zoom", "40"};
  const std::vector<std::uint8_t> lit = Picture(args, 160, 120);
  if (lit.empty()) GTEST_SKIP() << "no headless OpenGL device";
  std::vector<std::string> more = args;
  more.insert(more.end(), {"--lighting", "yes"});
  EXPECT_EQ(Picture(more, 160, 120), lit);  // the default
  more = args;
  more.insert(more.end(), {"--lighting", "no"});
  const std::vector<std::uint8_t> unlit = Picture(more, 160, 120);
  // The same model, shaded: nothing comes out brighter than its texture, the faces away from the lights
  // darker.
  EXPECT_NEAR(Drawn(lit), Drawn(unlit), Drawn(unlit) / 50);
  EXPECT_LT(Brightness(lit), Brightness(unlit) * 9 / 10);
  more.push_back("--wire");
  const std::vector<std::uint8_t> wire = Picture(more, 160, 120);
  // Lines in place of faces, within the same place (at this size the lines cover about as much).
  EXPECT_NE(wire, unlit);
  EXPECT_GT(Drawn(wire), 50);
  const Box solidBox = DrawnBox(unlit, 160), wireBox = DrawnBox(wire, 160);
  EXPECT_NEAR(wireBox.left, solidBox.left, 3);
  EXPECT_NEAR(wireBox.right, solidBox.right, 3);

  const ProgramResult bad = Run({"--trick", "nacnac", "--lighting", "maybe", "-o", (dir / "x.png").string()});
  EXPECT_EQ(bad.code, 2) << bad.err;
  EXPECT_FALSE(fs::exists(dir / "x.png"));
}

// The onion skin: ghosts around the frame's own silhouette, which stays as it was; earlier frames blue,
// later ones orange.
TEST_F(Snapshot, OnionSkinShowsTintedGhostsBehindTheFrame) {
  const auto picture = [&](int frame, const char* onion) {
    std::vector<std::string> args = {"--trick", "backflip", "--frame", std::to_string(frame),
                                     "--view",  "Left",     "--zoom",  "50"};
    if (onion) args.insert(args.end(), {"--onion", onion});
    return Picture(args, 240, 180);
  };
  const auto background = [](const std::vector<std::uint8_t>& rgba, std::size_t i) {
    return rgba[i] == 0x90 && rgba[i + 1] == 0x80 && rgba[i + 2] == 0x80;
  };
  struct Ghosts {
    int count = 0;         // background without the onion skin, drawn with it
    int frameChanged = 0;  // the frame's own pixels that changed
    long red = 0, blue = 0;
  };
  const auto ghosts = [&](const std::vector<std::uint8_t>& plain, const std::vector<std::uint8_t>& onion) {
    Ghosts g;
    for (std::size_t i = 0; i + 3 < plain.size(); i += 4) {
      if (!background(plain, i)) {
        g.frameChanged +=
            plain[i] != onion[i] || plain[i + 1] != onion[i + 1] || plain[i + 2] != onion[i + 2];
      } else if (!background(onion, i)) {
        ++g.count;
        g.red += onion[i];
        g.blue += onion[i + 2];
      }
    }
    return g;
  };
  const std::vector<std::uint8_t> plain = picture(15, nullptr);
  if (plain.empty()) GTEST_SKIP() << "no headless OpenGL device";
  const Ghosts around = ghosts(plain, picture(15, "2,2"));
  EXPECT_GT(around.count, 300);
  EXPECT_LT(around.frameChanged, Drawn(plain) / 50);
  // The first frame has only later ghosts, the last only earlier ones.
  const Ghosts later = ghosts(picture(1, nullptr), picture(1, "1,4"));
  const Ghosts earlier = ghosts(picture(48, nullptr), picture(48, "4,1"));
  ASSERT_GT(later.count, 50);
  ASSERT_GT(earlier.count, 50);
  EXPECT_GT(later.red, later.blue * 11 / 10);
  EXPECT_GT(earlier.blue, earlier.red * 11 / 10);
  // More frames, more ghosts.
  EXPECT_GT(ghosts(plain, picture(15, "5,5")).count, around.count);

  for (const char* bad : {"0,1", "1,6", "3", "1,2,3", "a,b", "", "2,", "-1,2", "1, 2"}) {
    const ProgramResult r = Run({"--trick", "backflip", "--onion", bad, "-o", (dir / "x.png").string()});
    EXPECT_EQ(r.code, 2) << bad << ": " << r.err;
    EXPECT_NE(r.err.find("--onion"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "x.png"));
  }
}

TEST_F(Snapshot, SaysWhatIsWrongWithItsArguments) {
  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"--trick", "coffin"}, "coffin: not a trick of this machine's list (nacnac, heelclicker, superman"},
      {{"--trick", "nacnac", "--frame", "41"}, "41: the trick's frames are 1 to 40"},
      {{"--trick", "nacnac", "--view", "Side"}, "Side: not a view"},
      {{"--trick", "nacnac", "--size", "10x10"}, "the size must be"},
      {{"--trick", "nacnac", "--machine", "Nothing.sub"}, "There was problem loading the Models."},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-o", (dir / "x.png").string()});
    const ProgramResult r = Run(args);
    if (r.err.find("no OpenGL device") != std::string::npos) GTEST_SKIP() << "no headless OpenGL device";
    EXPECT_EQ(r.code, 1) << c.says;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "x.png"));
  }
}

TEST_F(Snapshot, ADamagedMotionIsNamedWithWhatIsWrong) {
  demo::DemoContent content = DemoContentOnce();
  MotionDraft damaged;
  for (int i = 0; i < 31; ++i)
    damaged.partNames.push_back("P" + std::to_string(i));
  FindEntry(content.common, "Data\\Rider\\Anim\\mx_nacnac.mot")->bytes = WriteMotion(damaged);
  TempDir other;
  WriteGame(other.path(), content);
  const ProgramResult r = RunOn(other.path(), {"--trick", "nacnac", "-o", (dir / "x.png").string()});
  if (r.err.find("no OpenGL device") != std::string::npos) GTEST_SKIP() << "no headless OpenGL device";
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "dravo: mx_nacnac.mot: 31 parts; a motion holds at most 30\n");
  EXPECT_FALSE(fs::exists(dir / "x.png"));
}

TEST_F(Snapshot, AFailedStartLeavesNothingInTheTemporaryFolder) {
  const fs::path temporary = dir / "tmp";
  fs::create_directory(temporary);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--trick", "nosuchtrick"},
        std::vector<std::string>{"--trick", "nacnac", "--frame", "99"}}) {
    std::vector<std::string> all = args;
    all.insert(all.end(), {"-o", (dir / "x.png").string()});
    const ProgramResult r = RunOn(game->path(), all, {{"TMPDIR", temporary.string()}});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_TRUE(fs::is_empty(temporary)) << args[1];
  }
}

}  // namespace
}  // namespace dravo::test

// `dravo snapshot` as a user runs it: the editor headless on the demo game, a picture of a trick's
// frame. Skipped where EGL gives no OpenGL context.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "editor_rig.h"
#include "formats/png_file.h"
#include "support/file_helpers.h"

namespace dravo::test {
namespace {

namespace fs = std::filesystem;

struct Result {
  int code;
  std::string err;
};

std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

class Snapshot : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    game = new TempDir;
    WriteGame(game->path(), DemoContentOnce());
  }
  static void TearDownTestSuite() {
    delete game;
    game = nullptr;
  }

  // Runs the program with a home and config folder of its own, which must stay empty.
  Result Run(const std::vector<std::string>& args) {
    // Mesa keeps a few allocations past its unloading that no suppression can name; a sanitizer build's
    // leak check would take them for ours.
    std::string command = "ASAN_OPTIONS=detect_leaks=0 HOME=" + Quote(home.path().string()) +
                          " XDG_CONFIG_HOME=" + Quote((home / "config").string()) + " " +
                          Quote(DRAVO_BINARY) + " snapshot --game " + Quote(game->path().string());
    for (const std::string& a : args)
      command += " " + Quote(a);
    command += " 2>" + Quote((dir / "err").string());
    const int status = std::system(command.c_str());
    const std::vector<std::uint8_t> err = ReadBytes(dir / "err");
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(err.begin(), err.end())};
  }

  // The picture's pixels, or a skip when there is nothing to draw with.
  std::vector<std::uint8_t> Picture(const std::vector<std::string>& args, int width, int height) {
    const fs::path out = dir / "shot.png";
    std::vector<std::string> all = args;
    all.insert(all.end(),
               {"-o", out.string(), "--size", std::to_string(width) + "x" + std::to_string(height)});
    const Result r = Run(all);
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

  static TempDir* game;
  TempDir dir;
  TempDir home;
};

TempDir* Snapshot::game = nullptr;

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
    const Result r = Run(args);
    if (r.err.find("no OpenGL device") != std::string::npos) GTEST_SKIP() << "no headless OpenGL device";
    EXPECT_EQ(r.code, 1) << c.says;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "x.png"));
  }
}

}  // namespace
}  // namespace dravo::test

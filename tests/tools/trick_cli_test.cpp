// `dravo trick` on the demo game, run as a user would: listing, installing a friend's PAK,
// exporting, reverting to stock, and two installs at once.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "archive/pak_archive.h"
#include "core/file_io.h"
#include "core/text.h"
#include "motion/mot_file.h"
#include "motion/motion_pose.h"
#include "support/child_process.h"
#include "support/file_helpers.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using namespace dravo;

namespace {

ProgramResult Dravo(const TempDir& dir, const std::vector<std::string>& args,
                    std::vector<std::pair<std::string, std::string>> environment = {}) {
  ProgramOptions options;
  options.cwd = dir.path();
  options.environment = std::move(environment);
  return RunProgram(DRAVO_BINARY, args, options);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

std::vector<std::uint8_t> EntryBytes(const fs::path& pak, const std::string& name) {
  MemoryStream bytes;
  EXPECT_TRUE(TMvAFolder::Open(pak)->ReadByName(name, bytes)) << name;
  return bytes.release();
}

std::vector<std::string> Names(const fs::path& pak) {
  auto archive = TMvAFolder::Open(pak);
  std::vector<std::string> names;
  for (int i = 0; i < archive->Count(); ++i)
    names.push_back(archive->EntryName(i));
  return names;
}

constexpr const char* kRider = "Data\\Rider\\Anim\\mx_superman.mot";
constexpr const char* kMachine = "Data\\Veh\\Anim\\bike_superman.mot";

// The demo game in the test's folder, and a friend's PAK of edited stock motions.
struct Game {
  TempDir dir;
  fs::path game = dir / "game";
  fs::path common = game / "data" / "common.pak";
  fs::path own = game / "data" / "$dravo.pak";
  std::vector<std::uint8_t> original;

  Game() {
    EXPECT_EQ(Dravo(dir, {"demo", game.string()}).code, 0);
    original = ReadBytes(common);
  }
  std::string dirArg() const { return game.string(); }

  // The entries' stock bytes with one byte changed by `mark`; `grow` adds bytes to the last one.
  fs::path FriendsPak(const std::string& file, const std::vector<std::string>& entries, std::uint8_t mark,
                      std::size_t grow = 0) const {
    auto pak = TMvAFolder::CreateNew(dir / file);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      // The game has no user-interface copies: they are made from the motions they copy.
      std::string stock = entries[i];
      for (const auto& [copy, motion] : {std::pair{"UI_MX_Bike_", "bike_"}, std::pair{"UI_MX_", "mx_"}}) {
        if (const std::size_t at = stock.find(copy); at != std::string::npos)
          stock.replace(at, std::strlen(copy), motion);
      }
      std::vector<std::uint8_t> bytes = EntryBytes(common, stock);
      bytes[bytes.size() / 2] ^= mark;
      if (i + 1 == entries.size()) bytes.resize(bytes.size() + grow);
      MemoryStream stream(std::move(bytes));
      pak->Put(entries[i], &stream);
    }
    pak->SaveAs(dir / file);
    return dir / file;
  }
};

}  // namespace

TEST(DravoTrick, ListShowsInstalledTricksThenTheStockOnes) {
  Game g;
  const ProgramResult before = Dravo(g.dir, {"trick", "list", "--game", g.dirArg()});
  ASSERT_EQ(before.code, 0) << before.err;
  const std::vector<std::string> stock = Lines(before.out);
  ASSERT_FALSE(stock.empty());
  EXPECT_NE(
      std::find(stock.begin(), stock.end(),
                "mx\tsuperman\tData\\Rider\\Anim\\mx_superman.mot\tData\\Veh\\Anim\\bike_superman.mot\t" +
                    std::to_string(EntryBytes(g.common, kRider).size()) + "\tstock"),
      stock.end())
      << before.out;
  for (const std::string& line : stock)
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 5) << line;

  ASSERT_EQ(
      Dravo(g.dir, {"trick", "install", "--game", g.dirArg(), g.FriendsPak("f.pak", {kRider}, 1).string()})
          .code,
      0);
  const std::vector<std::string> after = Lines(Dravo(g.dir, {"trick", "list", "--game", g.dirArg()}).out);
  ASSERT_EQ(after.size(), stock.size() + 1);
  EXPECT_EQ(after[0], "mx\tsuperman\tData\\Rider\\Anim\\mx_superman.mot\t-\t" +
                          std::to_string(EntryBytes(g.common, kRider).size()) + "\tinstalled");
}

// The window's import followed by its save: the entries into the own archive, the same-sized
// motions into common.pak; one of another size is told about, the rest go on, and the exit says so.
TEST(DravoTrick, InstallWritesTheOwnArchiveAndTheStockSizedMotions) {
  Game g;
  const fs::path pak = g.FriendsPak("f.pak", {kRider, kMachine, "Data\\Rider\\Anim\\mx_nacnac.mot"}, 0x21, 3);
  const ProgramResult r = Dravo(g.dir, {"trick", "install", "--game", g.dirArg(), pak.string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err,
            "dravo: Data\\Rider\\Anim\\mx_nacnac.mot: Can't save the trick to the Common.Pak because it is "
            "the wrong "
            "size.\n");
  EXPECT_EQ(Names(g.own), (std::vector<std::string>{"Data\\Rider\\Anim\\mx_nacnac.mot", kRider, kMachine}));
  for (const char* name : {kRider, kMachine})
    EXPECT_EQ(EntryBytes(g.common, name), EntryBytes(pak, name)) << name;
  EXPECT_EQ(ReadBytes(g.common).size(), g.original.size());
  EXPECT_NE(EntryBytes(g.common, "Data\\Rider\\Anim\\mx_nacnac.mot"),
            EntryBytes(pak, "Data\\Rider\\Anim\\mx_nacnac.mot"));

  // With --common no the game's archive is left alone.
  Game other;
  const fs::path again = other.FriendsPak("f.pak", {kRider}, 0x21);
  EXPECT_EQ(
      Dravo(other.dir, {"trick", "install", "--game", other.dirArg(), again.string(), "--common", "no"}).code,
      0);
  EXPECT_EQ(ReadBytes(other.common), other.original);
  EXPECT_EQ(Names(other.own), std::vector<std::string>{kRider});
}

TEST(DravoTrick, ExportWritesTheInstalledEntriesOfTheTricks) {
  Game g;
  ASSERT_EQ(Dravo(g.dir, {"trick", "install", "--game", g.dirArg(),
                          g.FriendsPak("f.pak",
                                       {kRider, kMachine, "Data\\Rider\\Anim\\UI_MX_superman.mot",
                                        "Data\\Veh\\Anim\\UI_MX_Bike_superman.mot",
                                        "Data\\Rider\\Anim\\atv_coffin.mot"},
                                       2)
                              .string()})
                .code,
            0);
  ASSERT_EQ(Dravo(g.dir, {"trick", "export", "--game", g.dirArg(), "superman", "-o", "out.pak"}).code, 0);
  EXPECT_EQ(Names(g.dir / "out.pak"),
            (std::vector<std::string>{kRider, "Data\\Rider\\Anim\\UI_MX_superman.mot", kMachine,
                                      "Data\\Veh\\Anim\\UI_MX_Bike_superman.mot"}));
  EXPECT_EQ(EntryBytes(g.dir / "out.pak", kRider), EntryBytes(g.own, kRider));
  ASSERT_EQ(
      Dravo(g.dir, {"trick", "export", "--game", g.dirArg(), "atv:coffin", "MX:superman", "-o", "two.pak"})
          .code,
      0);
  EXPECT_EQ(Names(g.dir / "two.pak").size(), 5u);

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"nosuchtrick"}, {"atv:superman"}, {"car:superman"}}) {
    std::vector<std::string> command{"trick", "export", "--game", g.dirArg()};
    command.insert(command.end(), args.begin(), args.end());
    command.insert(command.end(), {"-o", "bad.pak"});
    const ProgramResult r = Dravo(g.dir, command);
    EXPECT_EQ(r.code, 1) << args[0];
    EXPECT_EQ(r.err.rfind("dravo: " + args[0] + ": ", 0), 0u) << r.err;
    EXPECT_FALSE(fs::exists(g.dir / "bad.pak"));
  }
}

// Saved twice into common.pak, then reverted: the game's archive is byte for byte as it came.
TEST(DravoTrick, RevertAfterTwoSavesGivesCommonPakBackByteForByte) {
  Game g;
  for (std::uint8_t mark : {0x11, 0x22}) {
    const fs::path pak = g.FriendsPak("f" + std::to_string(mark) + ".pak", {kRider, kMachine}, mark);
    ASSERT_EQ(Dravo(g.dir, {"trick", "install", "--game", g.dirArg(), pak.string()}).code, 0);
    ASSERT_NE(ReadBytes(g.common), g.original);
  }
  const ProgramResult r = Dravo(g.dir, {"trick", "revert", "--game", g.dirArg(), "superman"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "removed\t" + std::string(kRider) + "\nremoved\t" + kMachine + "\nrestored\t" + kRider +
                       "\nrestored\t" + kMachine + "\n");
  EXPECT_EQ(ReadBytes(g.common), g.original);
  EXPECT_TRUE(Names(g.own).empty());
  // Nothing is left to revert.
  EXPECT_EQ(Dravo(g.dir, {"trick", "revert", "--game", g.dirArg(), "superman"}).out,
            "restored\t" + std::string(kRider) + "\nrestored\t" + kMachine + "\n");
  EXPECT_EQ(ReadBytes(g.common), g.original);
}

// Two installs into one game at the same moment: neither loses the other's entries. One that
// cannot get at the archive in time says so, exits 1 and changes nothing.
TEST(DravoTrick, ConcurrentInstallsLoseNothingAndABlockedOneReports) {
  Game g;
  const fs::path first = g.FriendsPak("first.pak", {kRider, kMachine}, 3);
  const fs::path second = g.FriendsPak("second.pak", {"Data\\Rider\\Anim\\atv_coffin.mot"}, 4);
  for (int round = 0; round < 3; ++round) {
    fs::remove(g.own);
    std::vector<pid_t> children;
    for (const fs::path& pak : {first, second}) {
      const pid_t pid = fork();
      if (pid == 0) {
        const ProgramResult r = Dravo(g.dir, {"trick", "install", "--game", g.dirArg(), pak.string()});
        _exit(r.code);
      }
      children.push_back(pid);
    }
    for (pid_t pid : children) {
      int status = 0;
      waitpid(pid, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(Names(g.own),
              (std::vector<std::string>{"Data\\Rider\\Anim\\atv_coffin.mot", kRider, kMachine}));
  }

  const std::vector<std::uint8_t> own = ReadBytes(g.own);
  const std::vector<std::uint8_t> common = ReadBytes(g.common);
  HoldingChild holder([&] { new FileWriteLock(g.own); });
  ASSERT_TRUE(holder.held());
  const ProgramResult r = Dravo(
      g.dir, {"trick", "install", "--game", g.dirArg(), g.FriendsPak("third.pak", {kRider}, 5).string()},
      {{"DRAVO_LOCK_WAIT_MS", "200"}});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "dravo: " + g.own.string() + ": it is being written by another program\n");
  EXPECT_EQ(ReadBytes(g.own), own);
  EXPECT_EQ(ReadBytes(g.common), common);
}

namespace {

TPoseTable PoseOf(const std::vector<std::uint8_t>& bytes) {
  TMOTfile motion;
  motion.LoadMotion(bytes);
  EXPECT_TRUE(motion.IsValid());
  return BuildPose(motion);
}

}  // namespace

TEST(DravoTween, FillsTheFramesBetweenKeysForTheNamedPartsAndSaves) {
  Game g;
  constexpr const char* kNacnac = "Data\\Rider\\Anim\\mx_nacnac.mot";
  const TPoseTable stock = PoseOf(EntryBytes(g.common, kNacnac));

  // Bad keys, parts and choices are refused before anything is written.
  const std::vector<std::vector<std::string>> refused = {
      {"--keys", "8", "--all"},
      {"--keys", "8,99", "--all"},
      {"--keys", "8,17", "--parts", "Knee"},
      {"--keys", "8,17"},
      {"--keys", "8,17", "--all", "--parts", "Head"},
      {"--keys", "8,17", "--all", "--bike"},
  };
  for (std::vector<std::string> args : refused) {
    args.insert(args.begin(), {"tween", "--game", g.dirArg(), "--trick", "nacnac"});
    const ProgramResult r = Dravo(g.dir, args);
    EXPECT_EQ(r.code, 1) << args[5] << " " << r.err;
    EXPECT_FALSE(fs::exists(g.own));
    EXPECT_EQ(ReadBytes(g.common), g.original);
  }

  const ProgramResult r = Dravo(g.dir, {"tween", "--game", g.dirArg(), "--trick", "nacnac", "--keys", "17,8",
                                        "--parts", "r thigh", "--style", "smooth", "--common", "no"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "Saved nacnac into $dravo.pak\n");
  EXPECT_EQ(ReadBytes(g.common), g.original);
  const TPoseTable saved = PoseOf(EntryBytes(g.own, kNacnac));
  ASSERT_EQ(saved.size(), stock.size());
  for (std::size_t p = 0; p < stock.size(); ++p) {
    const bool thigh = stock[p].Name == "R Thigh";
    for (std::size_t f = 0; f < stock[p].Frames.size(); ++f) {
      const bool between = thigh && f > 7 && f < 16;
      if (!between) {
        // Stored keys come back within the motion format's own rounding (small turns lose most).
        for (int c = 0; c < 3; ++c)
          EXPECT_NEAR(saved[p].Frames[f][1][c], stock[p].Frames[f][1][c], 1e-2f) << stock[p].Name << f;
        continue;
      }
      // Smooth: at an even pace from key 8 to key 17 along the arc.
      const Quaternion a = QuaternionFromMatrix(stock[p].Frames[7]),
                       b = QuaternionFromMatrix(stock[p].Frames[16]);
      const Matrix want = MatrixFromQuaternion(QuaternionSlerp(a, b, static_cast<float>(f - 7) / 9));
      for (int row = 0; row < 3; ++row)
        for (int c = 0; c < 3; ++c)
          EXPECT_NEAR(saved[p].Frames[f][row][c], want[row][c], 1e-3f) << f;
    }
  }
}

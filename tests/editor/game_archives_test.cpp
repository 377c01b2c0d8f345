#include "editor/game_archives.h"

#include <gtest/gtest.h>

#include "archive/pak_format.h"
#include "editor/modified_marks.h"
#include "support/file_helpers.h"
#include "support/pak_bytes.h"
#include "support/temp_dir.h"

using namespace dravo;
namespace fs = std::filesystem;

namespace {

GameSearch SearchFor(const fs::path& folder, const TempDir& dir) {
  GameSearch search;
  search.commandLine = folder.string();
  search.env = [home = (dir / "home").string()](const std::string& name) -> std::optional<std::string> {
    if (name == "HOME") return home;
    return std::nullopt;
  };
  return search;
}

}  // namespace

TEST(LocateGame, MountsCommonBeforeTextures) {
  TempDir dir;
  fs::create_directories(dir / "MX" / "Data");
  WriteBytes(dir / "MX" / "Data" / "Common.pak", PakBytes().add("a\\rider.sub", "common").bytes());
  WriteBytes(dir / "MX" / "Data" / "TEX.PAK", PakBytes().add("rider.sub", "tex").add("t.dxt", "T").bytes());
  GameResources resources;
  std::string folder;
  ASSERT_TRUE(LocateGame(resources.manager(), SearchFor(dir / "MX", dir), folder));
  EXPECT_EQ(folder, (dir / "MX").string() + "/");
  TRmxResManager& manager = resources.manager();
  ASSERT_EQ(manager.FolderCount(), 2);
  EXPECT_EQ(manager.Folder(0)->Name(), "Common");
  EXPECT_EQ(manager.Folder(1)->Name(), "Textures");
  MemoryStream stream;
  ASSERT_EQ(manager.ReadResource("RIDER.sub", stream, false), 0);
  EXPECT_EQ(stream.text(), "common");
  EXPECT_EQ(manager.ResourceExtensions(), ".sub.dxg.dxm.dxt.mot.mcf");
}

TEST(LocateGame, MissingOrDamagedArchivesAreSkippedSilently) {
  TempDir dir;
  fs::create_directories(dir / "MX" / "data");
  auto cut = PakBytes().add("t.dxt", "T").bytes();
  cut.resize(50);  // the directory cut short
  WriteBytes(dir / "MX" / "data" / "common.pak", cut);
  GameResources resources;
  std::string folder;
  EXPECT_TRUE(LocateGame(resources.manager(), SearchFor(dir / "MX", dir), folder));
  EXPECT_EQ(resources.manager().FolderCount(), 0);

  GameResources none;
  GameSearch nowhere = SearchFor(dir / "no-game", dir);
  nowhere.stateFile = dir / "state.json";
  EXPECT_FALSE(LocateGame(none.manager(), nowhere, folder));
}

TEST(OwnArchive, OpensTheFileOrStartsAnEmptyOneWithoutWriting) {
  TempDir dir;
  const std::string game = (dir / "MX").string() + "/";
  fs::create_directories(dir / "MX" / "Data");
  auto fresh = OpenOwnArchive(game);
  EXPECT_EQ(fresh->Count(), 0);
  EXPECT_EQ(fresh->FileName(), dir / "MX" / "Data" / "$dravo.pak");
  EXPECT_FALSE(fs::exists(fresh->FileName()));

  WriteBytes(dir / "MX" / "Data" / "$DRAVO.PAK", PakBytes().add("Data\\Rider\\Anim\\x.mot", "m").bytes());
  auto existing = OpenOwnArchive(game);
  EXPECT_EQ(existing->Count(), 1);
  EXPECT_EQ(existing->FileName(), dir / "MX" / "Data" / "$DRAVO.PAK");

  // An entry outside the file fails alone; a directory cut short is no archive.
  WriteBytes(dir / "MX" / "Data" / "$DRAVO.PAK", PakBytes().add("ok", "1").raw("x", 0, 5).bytes());
  EXPECT_EQ(OpenOwnArchive(game)->Count(), 2);
  PakBytes cut = PakBytes().raw("x", 0, 5);
  cut.count = 2;
  WriteBytes(dir / "MX" / "Data" / "$DRAVO.PAK", cut.bytes());
  EXPECT_THROW(OpenOwnArchive(game), ArchiveError);
}

TEST(ModifiedMarks, TrickAndTextureMarksAreSeparate) {
  ModifiedMarks marks;
  std::vector<std::uint32_t> repaints;
  marks.setOnChange([&](std::uint32_t value) { repaints.push_back(value); });
  marks.MarkModified(ModifiedMarks::Textures);
  marks.ClearModifiedMark(ModifiedMarks::Trick);
  EXPECT_TRUE(marks.any());
  EXPECT_EQ(marks.value(), 2u);
  marks.MarkModified(ModifiedMarks::Trick);
  marks.MarkModified(ModifiedMarks::Trick);  // no change, no repaint
  marks.ClearModifiedMark(ModifiedMarks::Textures);
  marks.ClearModifiedMark(ModifiedMarks::Trick);
  EXPECT_FALSE(marks.any());
  EXPECT_EQ(repaints, (std::vector<std::uint32_t>{2, 3, 1, 0}));
}

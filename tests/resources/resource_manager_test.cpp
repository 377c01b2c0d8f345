#include "resources/resource_manager.h"

#include <gtest/gtest.h>

#include "archive/pak_format.h"
#include "core/error.h"
#include "resources/pak_plugin.h"
#include "support/file_helpers.h"
#include "support/pak_bytes.h"
#include "support/temp_dir.h"

using namespace dravo;

namespace {

constexpr const char* kExtensions = ".sub.dxg.dxm.dxt.mot.mcf";

// A manager with the game's plug-in; the plug-in is declared first so it outlives it.
struct Game {
  TempDir dir;
  TMvAFilePlugIn plugIn;
  TRmxResManager manager{kExtensions};
  Game() { manager.RegisterPlugIn(&plugIn); }

  std::string pak(const std::string& name, const PakBytes& content) {
    const auto path = dir / name;
    WriteBytes(path, content.bytes());
    return path.string();
  }
  std::string read(const std::string& name, bool strip = false) {
    MemoryStream stream;
    if (manager.ReadResource(name, stream, strip) != 0) return "<none>";
    EXPECT_EQ(stream.position(), 0u);
    return stream.text();
  }
  std::vector<std::string> byExtension(const std::string& extensions) {
    std::vector<std::string> found;
    int f = 0, r = -1;
    while (manager.FindNextByExtension(extensions, f, r))
      found.push_back(manager.ResourcePath(f, r, false));
    return found;
  }
};

}  // namespace

TEST(ResManager, FindsByBareFileNameInMountOrder) {
  Game game;
  game.manager.Mount(game.pak("common.pak", PakBytes()
                                                .add("Data\\Rider\\NoFear6.sub", "common rider")
                                                .add("Data\\motions.ini", "[General Info]")
                                                .add("Other\\NoFear6.sub", "second of the same name")),
                     "Common", false);
  game.manager.Mount(game.pak("tex.pak", PakBytes().add("NoFear6.sub", "textures rider").add("t.dxt", "T")),
                     "Textures", false);
  ASSERT_EQ(game.manager.FolderCount(), 2);
  EXPECT_EQ(game.manager.Folder(0)->Name(), "Common");
  EXPECT_EQ(game.manager.Folder(0)->Kind(), 1);

  EXPECT_EQ(game.read("nofear6.SUB"), "common rider");
  EXPECT_EQ(game.read("MOTIONS.INI"), "[General Info]");  // not a resource extension, still found by name
  EXPECT_EQ(game.read("t.dxt"), "T");
  EXPECT_EQ(game.read("C:\\Game\\Data\\NoFear6.sub \t", true), "common rider");
  EXPECT_EQ(game.read("Data\\Rider\\NoFear6.sub"), "<none>");  // without strip the path is part of the name

  int f = -1, r = -1;
  ASSERT_EQ(game.manager.FindResource("NOFEAR6.sub", f, r), 0);
  EXPECT_EQ(game.manager.ResourcePath(f, r, false), "Data\\Rider\\NoFear6.sub");
  EXPECT_EQ(game.manager.ResourcePath(f, r, true), "NoFear6.sub");
  EXPECT_EQ(game.manager.DisplayName(f, r), "No Fear 6");
  const TRmxResource* record = game.manager.Folder(f)->Resource(r);
  EXPECT_EQ(record->Offset, 4u + 3 * 108);
  EXPECT_EQ(record->EntryPath, "Data\\Rider\\");
  EXPECT_EQ(record->ExtIndex, 0);
  EXPECT_EQ(game.manager.Folder(0)->Resource(1)->ExtIndex, -1);
  EXPECT_EQ(game.manager.FindResource("missing.sub", f, r), -1);
}

TEST(ResManager, ExtensionQueriesWalkEveryFolderInOrder) {
  Game game;
  game.manager.Mount(
      game.pak(
          "common.pak",
          PakBytes().add("a\\one.sub", "").add("a\\m.dxg", "").add("b\\one.sub", "").add("motions.ini", "")),
      "Common", false);
  game.manager.Mount(game.pak("tex.pak", PakBytes().add("two.SUB", "").add("x.dxt", "")), "Textures", false);
  EXPECT_EQ(game.byExtension(".sub"), (std::vector<std::string>{"a\\one.sub", "b\\one.sub", "two.SUB"}));
  EXPECT_EQ(game.byExtension(".DXG.dxt"), (std::vector<std::string>{"a\\m.dxg", "x.dxt"}));
  EXPECT_TRUE(game.byExtension(".ini").empty());
  EXPECT_TRUE(game.byExtension("").empty());
}

TEST(ResManager, DirectoriesTakeOnlyResourceFilesAndTheirArchives) {
  Game game;
  const auto root = game.dir / "game";
  std::filesystem::create_directories(root / "Sub");
  std::filesystem::create_directories(root / "empty");
  std::filesystem::create_directories(root / "Sub" / "deeper");
  WriteText(root / "Rider.SUB", "rider");
  WriteText(root / "notes.txt", "ignored");
  WriteText(root / "noext", "ignored");
  WriteText(root / "Sub" / "b.mot", "motion");
  WriteText(root / "Sub" / "deeper" / "c.mot", "too deep");
  WriteBytes(root / "inner.PAK", PakBytes().add("inner.dxt", "in").bytes());

  game.manager.Mount(root.string(), "", true);
  std::vector<std::string> names;
  for (int i = 0; i < game.manager.FolderCount(); ++i)
    names.push_back(game.manager.Folder(i)->Name());
  // The directory itself, then its entries by name: archive, sub-directories that hold resources.
  EXPECT_EQ(names, (std::vector<std::string>{"/game", "inner.PAK", "/Sub"}));
  EXPECT_EQ(game.manager.Folder(0)->Kind(), 0);
  EXPECT_EQ(game.manager.Folder(0)->Count(), 1);
  EXPECT_EQ(game.read("rider.sub"), "rider");
  EXPECT_EQ(game.read("B.MOT"), "motion");
  EXPECT_EQ(game.read("inner.dxt"), "in");
  EXPECT_EQ(game.read("c.mot"), "<none>");
  EXPECT_EQ(game.read("notes.txt"), "<none>");

  int f = -1, r = -1;
  ASSERT_EQ(game.manager.FindResource("rider.sub", f, r), 0);
  EXPECT_EQ(game.manager.ResourcePath(f, r, false), (root / "Rider.SUB").string());
  EXPECT_EQ(game.manager.Folder(f)->Resource(r)->Size, 5u);

  // A directory read replaces what the stream held.
  MemoryStream stream;
  stream.write(std::string("much longer old content"));
  ASSERT_EQ(game.manager.ReadResourceAt(f, r, stream), 0);
  EXPECT_EQ(stream.text(), "rider");
}

TEST(ResManager, WhatCannotBeMountedIsSkippedSilently) {
  Game game;
  PakBytes damaged = PakBytes().add("a.sub", "xy");
  damaged.count = 3;  // a directory longer than the file: no archive at all
  for (const std::string& path : {(game.dir / "missing.pak").string(), game.pak("damaged.pak", damaged),
                                  game.pak("sound.pak", PakBytes().add("a.sub", "xyz")), std::string()}) {
    game.manager.Mount(path, "Common", false);
  }
  // Only the sound archive mounted.
  ASSERT_EQ(game.manager.FolderCount(), 1);
  EXPECT_EQ(game.manager.Folder(0)->Path(), (game.dir / "sound.pak").string());

  TRmxResManager noPlugIns(kExtensions);
  noPlugIns.Mount((game.dir / "sound.pak").string(), "", false);
  EXPECT_EQ(noPlugIns.FolderCount(), 0);
  std::filesystem::create_directories(game.dir / "empty");
  noPlugIns.Mount((game.dir / "empty").string(), "", false);
  EXPECT_EQ(noPlugIns.FolderCount(), 0);
}

TEST(ResManager, ArchiveReadsCheckTheFileAsItIsNow) {
  Game game;
  const std::string path =
      game.pak("common.pak", PakBytes().add("a.mot", "AAAA").add("zero.mot", "").add("b.mot", "BB"));
  game.manager.Mount(path, "Common", false);
  EXPECT_EQ(game.read("zero.mot"), "<none>");  // nothing to copy counts as a failed read

  MemoryStream untouched;
  untouched.write(std::string("keep"));
  EXPECT_NE(game.manager.ReadResource("nothing.mot", untouched, false), 0);
  EXPECT_EQ(untouched.text(), "keep");
  std::unique_ptr<MemoryStream> created;
  ASSERT_EQ(game.manager.ReadResource("A.mot", created, false), 0);
  EXPECT_EQ(created->text(), "AAAA");

  // The archive shrank after mounting: the entry past the end is not read.
  auto bytes = ReadBytes(path);
  bytes.resize(bytes.size() - 1);
  WriteBytes(path, bytes);
  EXPECT_EQ(game.read("b.mot"), "<none>");
  EXPECT_EQ(game.read("a.mot"), "AAAA");
  std::filesystem::remove(path);
  MemoryStream stream;
  EXPECT_THROW(game.manager.ReadResource("a.mot", stream, false), FileError);
}

TEST(ResManager, PlugInExtensionsMerge) {
  struct Zip : TRmxFilePlugIn {
    std::string Extensions() const override { return ".zip.PAK.tar"; }
  } zip;
  TMvAFilePlugIn pak;
  TRmxResManager manager(kExtensions);
  EXPECT_EQ(manager.RegisterPlugIn(nullptr), -1);
  EXPECT_EQ(manager.RegisterPlugIn(&pak), 0);
  EXPECT_EQ(manager.ArchiveExtensions(), ".pak");
  EXPECT_EQ(manager.RegisterPlugIn(&zip), 0);
  EXPECT_EQ(manager.ArchiveExtensions(), ".pak.zip.tar");
}

TEST(ResManager, OutOfRangeIndexesGiveEmptyAnswers) {
  Game game;
  game.manager.Mount(game.pak("c.pak", PakBytes().add("a.sub", "x")), "Common", false);
  EXPECT_EQ(game.manager.Folder(1), nullptr);
  EXPECT_EQ(game.manager.Folder(-1), nullptr);
  EXPECT_EQ(game.manager.ResourcePath(3, 0, false), "");
  EXPECT_EQ(game.manager.ResourcePath(0, 7, false), "");
  EXPECT_EQ(game.manager.DisplayName(0, -1), "");
  EXPECT_EQ(game.manager.Folder(0)->ResourceName(9), "");
  MemoryStream stream;
  EXPECT_EQ(game.manager.ReadResourceAt(0, 5, stream), -1);
  EXPECT_EQ(game.manager.ReadResourceAt(5, 0, stream), -1);
}

TEST(ResManager, ExtensionIndexIsASubstringSearch) {
  struct Case {
    const char* ext;
    int index;
  };
  for (const Case& c : {Case{".sub", 0}, Case{".dxg", 1}, Case{".DXM", 2}, Case{".dxt", 3}, Case{".mot", 4},
                        Case{".mcf", 5}, Case{".dx", 1}, Case{"", -1}, Case{".ini", -1}, Case{"b.d", 1}}) {
    EXPECT_EQ(ExtensionIndex(kExtensions, c.ext), c.index) << c.ext;
  }
}

TEST(ResManager, DisplayNamesSpaceWordsAndNumbers) {
  struct Case {
    const char* name;
    const char* label;
  };
  for (const Case& c :
       {Case{"NoFear6.sub", "No Fear 6"}, Case{"MX_S_250_KX2501.sub", "MX S 250  KX 2501"}, Case{".sub", ""},
        Case{"x", "x"}, Case{"a-b_c", "ab c"}, Case{"ATV12", "ATV 12"}, Case{"_lead", "_lead"}}) {
    EXPECT_EQ(DisplayName(c.name), c.label) << c.name;
  }
}

// One damaged directory record spoils only its own entry: the archive mounts, the rest reads,
// and reading the damaged one fails with its name.
TEST(ResManager, AnEntryOutsideTheArchiveFailsAloneByName) {
  Game game;
  game.manager.Mount(game.pak("common.pak", PakBytes().add("a.sub", "xy").raw("b.sub", 1, 2)), "Common",
                     false);
  ASSERT_EQ(game.manager.FolderCount(), 1);
  MemoryStream stream;
  ASSERT_EQ(game.manager.ReadResource("a.sub", stream, false), 0);
  EXPECT_EQ(stream.text(), "xy");
  try {
    game.manager.ReadResource("b.sub", stream, false);
    ADD_FAILURE() << "read";
  } catch (const ArchiveError& e) {
    EXPECT_NE(std::string(e.what()).find("\"b.sub\""), std::string::npos) << e.what();
  }
}

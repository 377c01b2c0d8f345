#include "archive/pak_archive.h"

#include <gtest/gtest.h>

#include "archive/pak_format.h"
#include "core/byte_io.h"
#include "support/file_helpers.h"
#include "support/pak_bytes.h"
#include "support/temp_dir.h"

using namespace dravo;

namespace {

std::string Read(TVirtualFolder& folder, const std::string& name) {
  MemoryStream stream;
  if (!folder.ReadByName(name, stream)) return "<missing>";
  EXPECT_EQ(stream.position(), 0u);
  return stream.text();
}

bool PutText(TVirtualFolder& folder, const std::string& name, const std::string& text) {
  MemoryStream source;
  source.write(text);
  return folder.Put(name, &source);
}

std::vector<std::string> Names(const TVirtualFolder& folder) {
  std::vector<std::string> names;
  for (int i = 0; i < folder.Count(); ++i)
    names.push_back(folder.EntryName(i));
  return names;
}

}  // namespace

TEST(MvAFolder, OpenLoadsEveryEntryWithAbsoluteOffsets) {
  TempDir dir;
  PakBytes pak;
  pak.add("Data\\Rider\\Anim\\a.mot", "AAAA").add("empty.txt", "").add("Data\\b.dxt", "BB");
  WriteBytes(dir / "x.pak", pak.bytes());
  auto folder = TMvAFolder::Open(dir / "x.pak");
  ASSERT_EQ(folder->Count(), 3);
  EXPECT_TRUE(folder->HasOpenFile());
  EXPECT_EQ(folder->DataEnd(), 4u + 3 * 108 + 6);
  EXPECT_EQ(folder->Entry(0)->Offset, 4u + 3 * 108);
  EXPECT_EQ(folder->Entry(2)->Offset, 4u + 3 * 108 + 4);
  EXPECT_EQ(folder->EntryFlags(0), 3u);
  EXPECT_EQ(folder->EntryFlags(1), 0u);  // nothing to read for an empty entry
  EXPECT_EQ(Read(*folder, "data\\rider\\anim\\A.MOT"), "AAAA");
  EXPECT_EQ(Read(*folder, "EMPTY.TXT"), "");
  EXPECT_EQ(Read(*folder, "data\\b.dxt"), "BB");
  EXPECT_EQ(folder->EntryFlags(0), 2u);  // handed out: bit 0 cleared, still resident
}

TEST(MvAFolder, AnEmptyArchiveOpensAndSavesAsItsCountAlone) {
  TempDir dir;
  WriteBytes(dir / "e.pak", PakBytes().bytes());
  auto folder = TMvAFolder::Open(dir / "e.pak");
  EXPECT_EQ(folder->Count(), 0);
  folder->SaveAs(dir / "out.pak");
  EXPECT_EQ(ReadBytes(dir / "out.pak"), (std::vector<std::uint8_t>{0, 0, 0, 0}));
  EXPECT_FALSE(std::filesystem::exists(dir / "out.bak"));
}

TEST(MvAFolder, NamesDifferingInCaseAreOneName) {
  auto folder = TMvAFolder::CreateNew("unused.pak");
  PakBytes pak;
  // Duplicate names can come from a foreign file; the later one wins a lookup.
  TempDir dir;
  pak.add("A\\x.mot", "first").add("b", "bb").add("a\\X.MOT", "second");
  WriteBytes(dir / "d.pak", pak.bytes());
  auto opened = TMvAFolder::Open(dir / "d.pak");
  EXPECT_EQ(opened->IndexOf("a\\x.mot"), 2);
  EXPECT_EQ(Read(*opened, "A\\X.mot"), "second");

  ASSERT_TRUE(PutText(*folder, "Data\\Tex.dxt", "one"));
  ASSERT_TRUE(PutText(*folder, "other", "x"));
  ASSERT_TRUE(PutText(*folder, "DATA\\TEX.DXT", "two"));
  EXPECT_EQ(Names(*folder), (std::vector<std::string>{"other", "DATA\\TEX.DXT"}));
  EXPECT_EQ(Read(*folder, "data\\tex.dxt"), "two");
}

TEST(MvAFolder, PutTakesEmptyStreamsAndRemovesWithNoStream) {
  auto folder = TMvAFolder::CreateNew("unused.pak");
  MemoryStream empty;
  ASSERT_TRUE(folder->Put("zero", &empty));
  EXPECT_EQ(folder->Entry(0)->Size, 0u);
  auto stream = std::make_unique<MemoryStream>();
  stream->write(std::string("old content"));
  ASSERT_TRUE(folder->ReadByName("zero", stream));
  EXPECT_EQ(stream->size(), 0u);

  ASSERT_TRUE(PutText(*folder, "keep", "k"));
  EXPECT_TRUE(folder->Put("ZERO", nullptr));
  EXPECT_EQ(Names(*folder), std::vector<std::string>{"keep"});
  EXPECT_TRUE(folder->Put("never-there", nullptr));
  EXPECT_EQ(folder->Count(), 1);
}

TEST(MvAFolder, PutLeavesTheSourceAtItsEndAndKeepsACopy) {
  auto folder = TMvAFolder::CreateNew("unused.pak");
  MemoryStream source;
  source.write(std::string("abc"));
  source.setPosition(1);
  ASSERT_TRUE(folder->Put("n", &source));
  EXPECT_EQ(source.position(), 3u);
  source.data()[0] = 'z';
  EXPECT_EQ(Read(*folder, "n"), "abc");  // the whole source, not from its position
  EXPECT_EQ(folder->EntryFlags(0), 2u);
}

TEST(MvAFolder, PutRejectsBlankAndOverlongNames) {
  auto folder = TMvAFolder::CreateNew("unused.pak");
  for (const std::string& name :
       std::vector<std::string>{"", "   ", "\t\r\n", std::string(100, 'n'), std::string(150, 'n')}) {
    EXPECT_FALSE(PutText(*folder, name, "x")) << name.size();
  }
  EXPECT_EQ(folder->Count(), 0);
  EXPECT_TRUE(PutText(*folder, std::string(99, 'n'), "x"));
  EXPECT_TRUE(PutText(*folder, " padded ", "x"));  // stored untrimmed
  EXPECT_EQ(folder->IndexOf(" padded "), 1);
}

TEST(MvAFolder, DeleteShiftsIndexesAndOffsetsBehindIt) {
  TempDir dir;
  PakBytes pak;
  pak.add("a", "1111").add("b", "22").add("c", "333");
  WriteBytes(dir / "x.pak", pak.bytes());
  auto folder = TMvAFolder::Open(dir / "x.pak");
  const std::uint32_t start = 4 + 3 * 108;
  const std::uint32_t end = folder->DataEnd();
  folder->Delete(0);
  EXPECT_EQ(Names(*folder), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(folder->Entry(0)->Offset, start);
  EXPECT_EQ(folder->Entry(1)->Offset, start + 2);
  EXPECT_EQ(folder->DataEnd(), end - 4);
  folder->Delete(5);
  folder->Delete(-1);
  EXPECT_EQ(folder->Count(), 2);
  // An added entry goes where DataEnd says.
  ASSERT_TRUE(PutText(*folder, "d", "44"));
  EXPECT_EQ(folder->Entry(2)->Offset, end - 4);
  EXPECT_EQ(folder->DataEnd(), end - 2);
}

TEST(MvAFolder, IndexOfPartEnumeratesMatchesInListOrder) {
  auto folder = TMvAFolder::CreateNew("unused.pak");
  for (const char* name : {"Data\\Rider\\a", "Data\\Veh\\b", "data\\RIDER\\c", "x\\rIdEr"})
    PutText(*folder, name, "");
  std::vector<int> found;
  for (int i = folder->IndexOfPart("rider", 0); i >= 0; i = folder->IndexOfPart("rider", i + 1))
    found.push_back(i);
  EXPECT_EQ(found, (std::vector<int>{0, 2, 3}));
  EXPECT_EQ(folder->IndexOfPart("", 0), -1);
  EXPECT_EQ(folder->IndexOfPart("rider", 4), -1);
  EXPECT_EQ(folder->IndexOf("nothing"), -1);
}

TEST(MvAFolder, OutOfRangeIndexesAreHarmless) {
  auto folder = TMvAFolder::CreateNew("unused.pak");
  PutText(*folder, "a", "x");
  for (int index : {-1, 1, 1000}) {
    EXPECT_EQ(folder->EntryName(index), "Not found");
    EXPECT_EQ(folder->EntryFlags(index), 0u);
    folder->SetEntryFlags(index, 0x800);
    EXPECT_EQ(folder->Entry(index), nullptr);
    EXPECT_THROW(folder->ReadEntry(index), std::out_of_range);
  }
  EXPECT_EQ(folder->EntryFlags(0), 2u);
  EXPECT_EQ(folder->ReadEntry(0)->text(), "x");
  MemoryStream untouched;
  untouched.write(std::string("keep"));
  EXPECT_FALSE(folder->ReadByName("b", untouched));
  EXPECT_EQ(untouched.text(), "keep");
  std::unique_ptr<MemoryStream> none;
  EXPECT_FALSE(folder->ReadByName("b", none));
  EXPECT_EQ(none, nullptr);
}

TEST(MvAFolder, EntriesNotKeptResidentAreReadAgainFromTheFile) {
  TempDir dir;
  PakBytes pak;
  pak.add("a", "alpha").add("b", "beta");
  WriteBytes(dir / "x.pak", pak.bytes());
  auto folder = TMvAFolder::Open(dir / "x.pak");
  folder->SetEntryFlags(1, 0x800);  // a caller's mark, not resident
  EXPECT_EQ(folder->ReadEntry(1)->text(), "beta");
  EXPECT_FALSE(folder->Entry(1)->HasData());  // handed out and forgotten
  EXPECT_EQ(folder->ReadEntry(1)->text(), "beta");
  EXPECT_EQ(folder->EntryFlags(1), 0u);  // a fresh read sets the flags anew (1), then bit 0 clears
}

TEST(MvAFolder, ANameFillingTheWholeFieldSurvivesASave) {
  TempDir dir;
  const std::string longName(100, 'q');
  PakBytes pak;
  pak.add(longName, "data");
  WriteBytes(dir / "x.pak", pak.bytes());
  auto folder = TMvAFolder::Open(dir / "x.pak");
  ASSERT_EQ(folder->EntryName(0), longName);
  folder->SaveAs(dir / "y.pak");
  auto again = TMvAFolder::Open(dir / "y.pak");
  EXPECT_EQ(again->EntryName(0), longName);
  EXPECT_EQ(Read(*again, longName), "data");
}

// Every way a file can fail to be a PAK archive: each is refused with the file's name
// and nothing is allocated from its counts.
TEST(MvAFolder, MalformedArchivesAreRefusedNamingTheFile) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  auto withCount = [](std::uint32_t count, std::size_t records) {
    PakBytes pak;
    for (std::size_t i = 0; i < records; ++i)
      pak.raw("r", 0, 0);
    pak.count = count;
    return pak.bytes();
  };
  std::vector<Case> cases = {
      {"empty file", {}},
      {"shorter than the count", {1, 0, 0}},
      {"count beyond the file", withCount(2, 1)},
      {"count of four billion", withCount(0xFFFFFFFFu, 1)},
      {"directory cut short",
       [] {
         auto b = PakBytes().add("a", "xyz").bytes();
         b.resize(4 + 50);
         return b;
       }()},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteBytes(dir / "bad.pak", c.bytes);
    try {
      TMvAFolder::Open(dir / "bad.pak");
      ADD_FAILURE() << c.what << ": opened";
    } catch (const ArchiveError& e) {
      EXPECT_NE(std::string(e.what()).find((dir / "bad.pak").string()), std::string::npos) << c.what;
      EXPECT_FALSE(e.problem().empty()) << c.what;
    }
  }
}

// A directory record whose bytes lie outside the file spoils only that entry: the archive
// opens, the other entries read, the damaged one fails by name, and a save refuses to drop it
// silently until it is removed.
TEST(MvAFolder, AnEntryOutsideTheFileFailsAloneByName) {
  const std::vector<std::pair<const char*, PakBytes>> cases = {
      {"one byte past the end", PakBytes().add("a", "xy").raw("bad", 1, 2)},
      {"offset past the end", PakBytes().add("a", "xy").raw("bad", 5, 1)},
      {"offset and size overflowing 32 bits", PakBytes().add("a", "xy").raw("bad", 0xFFFFFFFFu, 0xFFFFFFFFu)},
  };
  for (const auto& [what, pak] : cases) {
    SCOPED_TRACE(what);
    TempDir dir;
    WriteBytes(dir / "x.pak", pak.bytes());
    auto folder = TMvAFolder::Open(dir / "x.pak");
    ASSERT_EQ(folder->Count(), 2);
    EXPECT_EQ(Read(*folder, "a"), "xy");
    try {
      folder->ReadEntry(1);
      ADD_FAILURE() << "read";
    } catch (const ArchiveError& e) {
      EXPECT_NE(std::string(e.what()).find("\"bad\""), std::string::npos) << e.what();
    }
    PutText(*folder, "c", "new");
    try {
      folder->SaveAs(dir / "x.pak");
      ADD_FAILURE() << "saved";
    } catch (const FileError& e) {
      EXPECT_NE(std::string(e.what()).find("\"bad\""), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadBytes(dir / "x.pak"), pak.bytes());
    folder->Delete(folder->IndexOf("bad"));
    folder->SaveAs(dir / "x.pak");
    EXPECT_EQ(Names(*TMvAFolder::Open(dir / "x.pak")), (std::vector<std::string>{"a", "c"}));
  }
}

// Entries may share bytes: they read the same data, and the archive in memory is no larger
// than its file however many entries point at one area. Its save would multiply the shared
// bytes past what a PAK can address, so it is refused before anything is written.
TEST(MvAFolder, EntriesSharingBytesStayTheFilesSizeAndCannotBeMultipliedByASave) {
  TempDir dir;
  WriteBytes(dir / "share.pak", PakBytes().add("a", "shared").raw("b", 0, 6).bytes());
  auto folder = TMvAFolder::Open(dir / "share.pak");
  EXPECT_EQ(Read(*folder, "b"), "shared");

  // 6,000 entries of 716 KB each, all over the same bytes: a 1.4 MB file.
  PakBytes bomb;
  bomb.add("e0", std::string(716 * 1024, 'x'));
  for (int i = 1; i < 6000; ++i)
    bomb.raw("e" + std::to_string(i), 0, 716 * 1024);
  const auto bytes = bomb.bytes();
  WriteBytes(dir / "bomb.pak", bytes);
  auto many = TMvAFolder::Open(dir / "bomb.pak");
  ASSERT_EQ(many->Count(), 6000);
  EXPECT_EQ(Read(*many, "e5999").size(), 716u * 1024);
  PutText(*many, "added", "x");
  try {
    many->SaveAs(dir / "bomb.pak");
    ADD_FAILURE() << "saved";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("more than a PAK archive can address"), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(ReadBytes(dir / "bomb.pak"), bytes);
  EXPECT_FALSE(std::filesystem::exists(dir / "bomb.bak"));
}

TEST(MvAFolder, MissingFilesAndFoldersCannotBeOpened) {
  TempDir dir;
  for (const auto& [path, reason] :
       {std::pair{dir / "none.pak", "No such file or directory"}, std::pair{dir.path(), "Is a directory"}}) {
    try {
      TMvAFolder::Open(path);
      ADD_FAILURE();
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot open file " + path.string() + ": " + reason);
    }
  }
}

#include <gtest/gtest.h>

#include "archive/in_place_write.h"
#include "archive/pak_archive.h"
#include "archive/pak_format.h"
#include "support/file_helpers.h"
#include "support/pak_bytes.h"
#include "support/temp_dir.h"

using namespace dravo;

namespace {

struct GamePak {
  TempDir dir;
  std::filesystem::path path = dir / "common.pak";
  std::vector<std::uint8_t> before;
  PakDirectory directory;

  GamePak() {
    before = PakBytes().add("Data\\a.mot", "AAAA").add("Data\\b.mot", "BBBBBB").add("c", "CC").bytes();
    WriteBytes(path, before);
    directory = ParsePakDirectory(before, before.size(), path.string());
  }
};

}  // namespace

TEST(InPlaceWrite, ChangesOnlyTheBytesOfTheOneEntry) {
  GamePak pak;
  const PakRecord& b = pak.directory.records[1];
  EXPECT_EQ(WritePakEntryInPlace(pak.path, b.offset, b.size, Bytes("xxxxxx")), InPlaceWrite::Written);
  auto expected = pak.before;
  std::fill(expected.begin() + b.offset, expected.begin() + b.offset + b.size, 'x');
  EXPECT_EQ(ReadBytes(pak.path), expected);
}

TEST(InPlaceWrite, RefusesWrongSizesAndPositionsThatAreNotEntries) {
  GamePak pak;
  const PakRecord& b = pak.directory.records[1];
  struct Case {
    std::uint32_t offset, size;
    std::string bytes;
    InPlaceWrite result;
  };
  for (const Case& c :
       {Case{b.offset, b.size, "12345", InPlaceWrite::WrongSize},
        Case{b.offset, b.size, "1234567", InPlaceWrite::WrongSize},
        Case{b.offset + 1, 5, "12345", InPlaceWrite::NotAnEntry},
        Case{b.offset, 5, "12345", InPlaceWrite::NotAnEntry}, Case{0, 4, "1234", InPlaceWrite::NotAnEntry},
        Case{1000, 6, "123456", InPlaceWrite::NotAnEntry}}) {
    EXPECT_EQ(WritePakEntryInPlace(pak.path, c.offset, c.size, Bytes(c.bytes)), c.result) << c.offset;
  }
  EXPECT_EQ(ReadBytes(pak.path), pak.before);
}

TEST(InPlaceWrite, DamagedOrMissingArchivesAreNotTouched) {
  GamePak pak;
  auto cut = pak.before;
  cut.resize(cut.size() - 1);  // the last entry now runs past the end: only it is refused
  WriteBytes(pak.path, cut);
  const PakRecord& last = pak.directory.records.back();
  EXPECT_EQ(WritePakEntryInPlace(pak.path, last.offset, last.size, std::vector<std::uint8_t>(last.size, 'z')),
            InPlaceWrite::NotAnEntry);
  EXPECT_EQ(ReadBytes(pak.path), cut);
  const PakRecord& a = pak.directory.records[0];
  auto headless = cut;
  headless.resize(50);  // a directory cut short is no archive at all
  WriteBytes(pak.path, headless);
  EXPECT_THROW(WritePakEntryInPlace(pak.path, a.offset, a.size, Bytes("zzzz")), ArchiveError);
  EXPECT_EQ(ReadBytes(pak.path), headless);
  EXPECT_THROW(WritePakEntryInPlace(pak.dir / "none.pak", a.offset, a.size, Bytes("zzzz")), FileError);
  EXPECT_FALSE(std::filesystem::exists(pak.dir / "none.pak"));
}

// The first overwrite of an entry keeps its stock bytes; later ones keep them as they were, and
// putting them back leaves the archive as it came.
TEST(InPlaceWrite, StockBytesAreKeptOnceAndPutBack) {
  GamePak pak;
  const auto stock = pak.dir / "$dravo-stock.pak";
  const PakRecord& b = pak.directory.records[1];
  EXPECT_EQ(RestoreStockEntry(pak.path, stock, b.name), StockRestore::NotKept);
  for (const char* bytes : {"xxxxxx", "yyyyyy"})
    ASSERT_EQ(WritePakEntryInPlace(pak.path, b.offset, b.size, Bytes(bytes), stock), InPlaceWrite::Written);
  auto kept = TMvAFolder::Open(stock);
  ASSERT_EQ(kept->Count(), 1);
  EXPECT_EQ(kept->EntryName(0), "Data\\b.mot");
  EXPECT_EQ(kept->ReadEntry(0)->text(), "BBBBBB");
  // A refused write keeps nothing either.
  const PakRecord& a = pak.directory.records[0];
  EXPECT_EQ(WritePakEntryInPlace(pak.path, a.offset, a.size, Bytes("123"), stock), InPlaceWrite::WrongSize);
  EXPECT_EQ(TMvAFolder::Open(stock)->Count(), 1);

  EXPECT_EQ(RestoreStockEntry(pak.path, stock, "DATA\\B.MOT"), StockRestore::Restored);
  EXPECT_EQ(ReadBytes(pak.path), pak.before);
  EXPECT_EQ(RestoreStockEntry(pak.path, stock, "Data\\a.mot"), StockRestore::NotKept);
}

TEST(InPlaceWrite, StockBytesThatCannotBeKeptStopTheWrite) {
  GamePak pak;
  const auto stock = pak.dir / "$dravo-stock.pak";
  WriteText(stock, "not an archive");
  const PakRecord& b = pak.directory.records[1];
  EXPECT_THROW(WritePakEntryInPlace(pak.path, b.offset, b.size, Bytes("xxxxxx"), stock), ArchiveError);
  EXPECT_EQ(ReadBytes(pak.path), pak.before);
}

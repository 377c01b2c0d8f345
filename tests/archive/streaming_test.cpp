// Entries stay in their file until asked for; a save copies them from there.

#include <gtest/gtest.h>

#include <chrono>

#include "archive/pak_archive.h"
#include "archive/pak_format.h"
#include "core/error.h"
#include "support/file_helpers.h"
#include "support/pak_bytes.h"
#include "support/temp_dir.h"

using namespace dravo;
namespace fs = std::filesystem;

namespace {

std::string Read(TVirtualFolder& folder, const std::string& name) {
  MemoryStream stream;
  if (!folder.ReadByName(name, stream)) return "<missing>";
  return stream.text();
}

bool PutText(TVirtualFolder& folder, const std::string& name, const std::string& text) {
  MemoryStream source;
  source.write(text);
  return folder.Put(name, &source);
}

// Name and bytes of every entry of a PAK file, in file order.
std::vector<std::pair<std::string, std::string>> Content(const fs::path& file) {
  const auto bytes = ReadBytes(file);
  const PakDirectory dir = ParsePakDirectory(bytes, bytes.size(), file.string());
  std::vector<std::pair<std::string, std::string>> content;
  for (const PakRecord& r : dir.records)
    content.emplace_back(r.name, std::string(bytes.begin() + r.offset, bytes.begin() + r.offset + r.size));
  return content;
}

// Rewrites a file in place, as an editor that does not replace files would: same inode, new
// bytes, a later time.
void OverwriteInPlace(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
  const auto before = fs::last_write_time(file);
  WriteBytes(file, bytes);  // truncates and writes the same file
  fs::last_write_time(file, before + std::chrono::seconds(2));
}

}  // namespace

TEST(StreamingArchive, OpeningReadsTheDirectoryAloneAndSavesCopyEveryEntryExactly) {
  TempDir dir;
  // Entries larger than any copy buffer, empty ones, and one of odd size between them.
  std::string big(3 * 1024 * 1024 + 7, '\0');
  for (std::size_t i = 0; i < big.size(); ++i)
    big[i] = static_cast<char>(i * 131 + i / 4099);
  PakBytes pak;
  pak.add("big", big).add("empty", "").add("odd", "12345").add("empty2", "").add("last", big.substr(17));
  WriteBytes(dir / "own.pak", pak.bytes());
  auto folder = TMvAFolder::Open(dir / "own.pak");
  for (int i = 0; i < folder->Count(); ++i)
    EXPECT_FALSE(folder->Entry(i)->HasData()) << i;  // nothing read yet

  PutText(*folder, "added", "new");
  folder->SaveAs(dir / "own.pak");
  EXPECT_EQ(Content(dir / "own.pak"),
            (std::vector<std::pair<std::string, std::string>>{{"added", "new"},
                                                              {"big", big},
                                                              {"empty", ""},
                                                              {"empty2", ""},
                                                              {"last", big.substr(17)},
                                                              {"odd", "12345"}}));
  EXPECT_EQ(ReadBytes(dir / "own.bak"), pak.bytes());
  // Still not read, and still readable: the entries keep the file they came from, now the backup.
  EXPECT_FALSE(folder->Entry(folder->IndexOf("big"))->HasData());
  EXPECT_EQ(Read(*folder, "last"), big.substr(17));
  // A second save in the same folder replaces that backup; the entries read on.
  PutText(*folder, "more", "m");
  folder->SaveAs(dir / "own.pak");
  EXPECT_EQ(Read(*folder, "big"), big);
  EXPECT_EQ(Content(dir / "own.pak").size(), 7u);
  EXPECT_EQ(Content(dir / "own.bak").size(), 6u);
  // Into another file of the same folder, from the same entries.
  folder->SaveAs(dir / "copy.pak");
  EXPECT_EQ(Content(dir / "copy.pak"), Content(dir / "own.pak"));
}

TEST(StreamingArchive, AFileReplacedByAnotherProgramStillReadsAsItWasOpened) {
  TempDir dir;
  WriteBytes(dir / "x.pak", PakBytes().add("a", "alpha").add("b", "beta").bytes());
  auto folder = TMvAFolder::Open(dir / "x.pak");
  EXPECT_EQ(Read(*folder, "a"), "alpha");
  // The other program writes a new file and renames it over ours.
  WriteBytes(dir / "new.pak", PakBytes().add("a", "ALPHA").add("b", "BETA").bytes());
  fs::rename(dir / "new.pak", dir / "x.pak");
  EXPECT_EQ(Read(*folder, "a"), "alpha");
  EXPECT_EQ(Read(*folder, "b"), "beta");  // read only now, from the file as it was
}

TEST(StreamingArchive, AFileChangedInPlaceIsNeverReadAsIfNothingHappened) {
  TempDir dir;
  const auto original = PakBytes().add("a", "alpha").add("b", "beta").add("c", "gamma").bytes();
  WriteBytes(dir / "x.pak", original);
  auto folder = TMvAFolder::Open(dir / "x.pak");
  EXPECT_EQ(Read(*folder, "a"), "alpha");
  const auto changed = PakBytes().add("a", "ALPHA").add("b", "BETA").add("c", "GAMMA").bytes();
  OverwriteInPlace(dir / "x.pak", changed);

  EXPECT_EQ(Read(*folder, "a"), "alpha");  // read before the change: kept
  try {
    Read(*folder, "b");
    ADD_FAILURE() << "read the changed file";
  } catch (const ArchiveError& e) {
    EXPECT_NE(std::string(e.what()).find("another program changed the file"), std::string::npos) << e.what();
  }
  // A save elsewhere that would copy from the changed file is refused and writes nothing.
  EXPECT_THROW(folder->SaveAs(dir / "elsewhere.pak"), FileError);
  EXPECT_FALSE(fs::exists(dir / "elsewhere.pak"));
  EXPECT_EQ(ReadBytes(dir / "x.pak"), changed);
}

TEST(StreamingArchive, ASaveOverAFileChangedInPlaceKeepsTheOtherProgramsEntries) {
  TempDir dir;
  WriteBytes(dir / "own.pak", PakBytes().add("a", "alpha").add("b", "beta").bytes());
  auto folder = TMvAFolder::Open(dir / "own.pak");
  PutText(*folder, "c", "ours");
  OverwriteInPlace(dir / "own.pak", PakBytes().add("a", "ALPHA").add("b", "BETA").bytes());
  folder->SaveAs(dir / "own.pak");
  EXPECT_EQ(Content(dir / "own.pak"),
            (std::vector<std::pair<std::string, std::string>>{{"a", "ALPHA"}, {"b", "BETA"}, {"c", "ours"}}));
}

TEST(StreamingArchive, ADamagedRecordIsListedFailsAloneAndIsNeverCopied) {
  TempDir dir;
  const auto bytes = PakBytes().add("good", "fine").raw("bad", 2, 1000).add("zero", "").bytes();
  WriteBytes(dir / "d.pak", bytes);
  auto folder = TMvAFolder::Open(dir / "d.pak");
  ASSERT_EQ(folder->Count(), 3);
  EXPECT_EQ(Read(*folder, "good"), "fine");
  EXPECT_EQ(Read(*folder, "zero"), "");
  EXPECT_THROW(Read(*folder, "bad"), ArchiveError);
  EXPECT_THROW(folder->SaveAs(dir / "d.pak"), FileError);
  EXPECT_EQ(ReadBytes(dir / "d.pak"), bytes);
  folder->Delete(folder->IndexOf("bad"));
  folder->SaveAs(dir / "d.pak");
  EXPECT_EQ(Content(dir / "d.pak"),
            (std::vector<std::pair<std::string, std::string>>{{"good", "fine"}, {"zero", ""}}));
}

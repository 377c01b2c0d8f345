#include <gtest/gtest.h>

#include "resources/document_ini.h"
#include "resources/typed_ini.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

using namespace dravo;

namespace {

template <typename Ini>
Ini Load(const std::string& text) {
  MemoryStream stream;
  stream.write(text);
  stream.setPosition(0);
  Ini ini;
  ini.LoadFromStream(stream);
  EXPECT_TRUE(stream.atEnd());
  return ini;
}

const std::string kDocument =
    "; the game's header\r\n"
    "[General Info] \r\n"  // a blank after the bracket: not this section's header
    "Name = wrong\r\n"
    "[general info]\r\n"
    "\r\n"
    "; Name = commented\r\n"
    "   \r\n"
    "Count=$1F\r\n"
    "Name = Big Air \r\n"
    "Mode other= 7\r\n"
    "SLTfile=first.slt\r\n"
    "SLT=second.slt\r\n"
    "Flag=True\r\n"
    "One=1\r\n"
    "Padded = 12 \r\n"
    "Spaced=  \r\n"
    "[Next]\r\n"
    "Name=next\r\n"
    "[General Info]\r\n"
    "Name=second section of the same name\r\n";

}  // namespace

// The two readers differ on purpose: the game's documents rely on each one's way.
TEST(IniFiles, StrictAndLooseLookupsDiffer) {
  const auto rmx = Load<TRmxIniFile>(kDocument);
  const auto kel = Load<TKelIniFile>(kDocument);
  struct Case {
    const char* key;
    const char* rmx;
    const char* kel;
  };
  for (const Case& c : {
           Case{"name", "Big Air", " Big Air "},
           Case{"Mode", "", " 7"},  // "Mode" is not followed by "=": only the loose reader takes it
           // Keys match as substrings: the loose reader takes the "SLTfile" line that comes first;
           // the strict one needs "=" after the key, so it goes on to the "SLT" line.
           Case{"SLT", "second.slt", "first.slt"},
           Case{"file", "first.slt", "first.slt"},
           Case{"count", "$1F", "$1F"},
           Case{"missing", "", ""},
           Case{"", "", ""},
       }) {
    EXPECT_EQ(rmx.ReadString("GENERAL INFO", c.key), c.rmx) << c.key;
    EXPECT_EQ(kel.ReadString("GENERAL INFO", c.key), c.kel) << c.key;
  }
  EXPECT_EQ(rmx.ReadString("Next", "name"), "next");
  EXPECT_EQ(rmx.ReadString("No Such", "name"), "");
  EXPECT_EQ(kel.ReadString("No Such", "name"), "");
}

TEST(IniFiles, TypedReads) {
  const auto rmx = Load<TRmxIniFile>(kDocument);
  const auto kel = Load<TKelIniFile>(kDocument);
  EXPECT_EQ(rmx.ReadInteger("general info", "Count", -1), 31);
  EXPECT_EQ(rmx.ReadInteger("general info", "Padded", -1), 12);
  EXPECT_EQ(kel.ReadInteger("general info", "Padded", -1), -1);  // "12 " does not convert untrimmed
  EXPECT_EQ(kel.ReadInteger("general info", "Mode", -1), 7);     // blanks before a number are allowed
  EXPECT_EQ(rmx.ReadInteger("general info", "Name", -1), -1);
  EXPECT_EQ(rmx.ReadInteger("general info", "Spaced", 5), 5);
  EXPECT_TRUE(rmx.ReadBool("general info", "Flag", false));
  EXPECT_FALSE(rmx.ReadBool("general info", "One", true));  // only T or t is true
  EXPECT_TRUE(rmx.ReadBool("general info", "Spaced", true));
  EXPECT_FALSE(rmx.ReadBool("general info", "missing", false));
}

TEST(IniFiles, LineSplittingDiffers) {
  const std::string text = "a\r\n\r\nb\n\rc\rlast";
  EXPECT_EQ(Load<TRmxIniFile>(text).Lines(), (std::vector<std::string>{"a", "", "b", "", "c", "last"}));
  EXPECT_EQ(Load<TKelIniFile>(text).Lines(), (std::vector<std::string>{"a", "b", "c", "last"}));
  // A final break: one empty last line for the byte reader, none for the other.
  EXPECT_EQ(Load<TRmxIniFile>("k=v\r\n").Lines(), (std::vector<std::string>{"k=v"}));
  EXPECT_EQ(Load<TKelIniFile>("k=v\r\n").Lines(), (std::vector<std::string>{"k=v", ""}));
  // No final break: the last line is complete in both.
  EXPECT_EQ(Load<TRmxIniFile>("[s]\nkey=value").ReadString("s", "key"), "value");
  EXPECT_EQ(Load<TKelIniFile>("[s]\nkey=value").ReadString("s", "key"), "value");
  // A zero byte ends the text for the strict reader only.
  const std::string withZero("[s]\nk=v\0w\nz=1", 13);
  EXPECT_EQ(Load<TRmxIniFile>(withZero).Lines().size(), 2u);
  EXPECT_EQ(Load<TKelIniFile>(withZero).ReadString("s", "z"), "1");
  EXPECT_TRUE(Load<TRmxIniFile>("").Lines().empty());
  EXPECT_TRUE(Load<TKelIniFile>("").Lines().empty());
}

TEST(IniFiles, SectionStartPointsAfterTheHeader) {
  auto kel = Load<TKelIniFile>("x\n[Tricks]\nnacnac.mot\n[Last]");
  EXPECT_EQ(kel.SectionStart("tricks"), 2);
  EXPECT_EQ(kel.Lines()[static_cast<std::size_t>(kel.SectionStart("tricks"))], "nacnac.mot");
  EXPECT_EQ(kel.SectionStart("LAST"), static_cast<int>(kel.Lines().size()));
  EXPECT_EQ(kel.SectionStart("none"), -1);
  EXPECT_EQ(kel.SectionStart("Tricks "), -1);
}

TEST(IniFiles, LoadingReplacesAndFilesRoundTrip) {
  TempDir dir;
  auto rmx = Load<TRmxIniFile>("[a]\nk=1\n");
  MemoryStream stream;
  stream.write(std::string("skipped[b]\nk=2"));
  stream.setPosition(7);  // from the stream's position on
  rmx.LoadFromStream(stream);
  EXPECT_EQ(rmx.ReadString("a", "k"), "");
  EXPECT_EQ(rmx.ReadString("b", "k"), "2");
  rmx.SaveToFile(dir / "out.ini");
  EXPECT_EQ(ReadBytes(dir / "out.ini"), Bytes("[b]\r\nk=2\r\n"));
  TKelIniFile kel;
  kel.LoadFromFile(dir / "out.ini");
  EXPECT_EQ(kel.Lines(), (std::vector<std::string>{"[b]", "k=2"}));
}

#include "platform/options_store.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

using namespace dravo;

TEST(Options, FirstRunReadsDefaultsAndEmptyText) {
  TempDir dir;
  TRmxOptions options(dir / "Vell" / "DravoKit" / "options.json");
  EXPECT_EQ(options.ReadInteger(options::Color, options::DefaultColor), 8421520);
  EXPECT_EQ(options.ReadInteger(options::MudColor, options::DefaultMudColor), 4610165);
  EXPECT_TRUE(options.ReadBool(options::Lighting, true));
  EXPECT_FALSE(options.ReadBool(options::WireMode, false));
  // Absent text reads empty, not its default; the editor then falls back itself.
  EXPECT_EQ(options.ReadString(options::LastTrick, options::DefaultLastTrick), "");
  EXPECT_FALSE(std::filesystem::exists(dir / "Vell"));  // reading creates nothing
}

TEST(Options, ValuesRoundTripAndReplaceAnyLetterCase) {
  TempDir dir;
  const auto file = dir / "cfg" / "options.json";
  TRmxOptions options(file);
  options.WriteInteger("Color", 0x123456);
  options.WriteBool("Showbike", false);
  options.WriteString("lastfile", "nacnac.mot");
  options.WriteInteger("fps", -3);
  options.WriteInteger("FPS", 30);  // one value whatever the letter case

  TRmxOptions again(file);
  EXPECT_EQ(again.ReadInteger("color", 0), 0x123456);
  EXPECT_FALSE(again.ReadBool("ShowBike", true));
  EXPECT_EQ(again.ReadString("LastFile", "x"), "nacnac.mot");
  EXPECT_EQ(again.ReadInteger("fps", 0), 30);
  const auto bytes = ReadBytes(file);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text.find("\"fps\""), std::string::npos);
  EXPECT_NE(text.find("\"FPS\": 30"), std::string::npos);
  EXPECT_NE(text.find("\"Showbike\": 0"), std::string::npos);  // booleans stay 0 or 1
}

TEST(Options, WronglyTypedValuesReadAsDefaults) {
  TempDir dir;
  WriteText(dir / "options.json", R"({"Color": "8421504", "Size": 1.5, "Big": 4294967295, "Huge": 5000000000,
    "Lighting": "1", "WireMode": true, "lasttrk": 12, "LastRider": "", "Neg": -2147483648})");
  TRmxOptions options(dir / "options.json");
  EXPECT_EQ(options.ReadInteger("Color", 7), 7);  // a number stored as text
  EXPECT_EQ(options.ReadInteger("Size", 64), 64);
  EXPECT_EQ(options.ReadInteger("Big", 0), -1);  // 32 bits, as the registry held them
  EXPECT_EQ(options.ReadInteger("Huge", 9), 9);
  EXPECT_EQ(options.ReadInteger("Neg", 0), INT32_MIN);
  EXPECT_TRUE(options.ReadBool("Lighting", true));
  EXPECT_FALSE(options.ReadBool("Lighting", false));
  EXPECT_TRUE(options.ReadBool("WireMode", false));
  EXPECT_EQ(options.ReadString("lasttrk", "heelclicker.mot"), "heelclicker.mot");  // text stored as a number
  EXPECT_EQ(options.ReadString("LastRider", "NoFear6.sub"), "");
}

// A damaged file is kept beside the new one, said once, and the options start from their defaults.
TEST(Options, ADamagedFileIsKeptAsideAndReadsAsDefaults) {
  for (const char* damaged : {"{not json", "[1, 2]", "", "{\"fps\": 20,"}) {
    SCOPED_TRACE(damaged);
    TempDir dir;
    WriteText(dir / "options.json", damaged);
    TRmxOptions options(dir / "options.json");
    EXPECT_EQ(options.ReadInteger("fps", 15), 15);
    EXPECT_EQ(options.ReadInteger("Size", 64), 64);
    EXPECT_EQ(options.TakeDamageNotice(), "The options file " + (dir / "options.json").string() +
                                              " was damaged; it is kept as " +
                                              (dir / "options.json.damaged").string() +
                                              " and Dravo Kit starts with its default options.");
    EXPECT_EQ(options.TakeDamageNotice(), "");
    options.WriteInteger("fps", 20);
    EXPECT_EQ(options.ReadInteger("fps", 15), 20);
    EXPECT_EQ(ReadText(dir / "options.json.damaged"), damaged);
  }
  // A second damaged file does not take the first one's place.
  TempDir dir;
  WriteText(dir / "options.json", "{first");
  TRmxOptions(dir / "options.json").ReadInteger("fps", 15);
  WriteText(dir / "options.json", "{second");
  TRmxOptions(dir / "options.json").ReadInteger("fps", 15);
  EXPECT_EQ(ReadText(dir / "options.json.damaged"), "{first");
  EXPECT_EQ(ReadText(dir / "options.json.damaged-2"), "{second");
}

// Names are 8-bit text: every byte comes back, and files written before keep reading as they did.
TEST(Options, EightBitTextComesBackByteForByte) {
  TempDir dir;
  std::string everyByte;
  for (int c = 1; c < 256; ++c)
    everyByte += static_cast<char>(c);
  TRmxOptions options(dir / "options.json");
  options.WriteString("LastRider", "Ren\xE9.sub");
  options.WriteString("lastfile", everyByte);
  TRmxOptions again(dir / "options.json");
  EXPECT_EQ(again.ReadString("LastRider", ""), "Ren\xE9.sub");
  EXPECT_EQ(again.ReadString("lastfile", ""), everyByte);

  // An earlier file's text is the bytes of its UTF-8, and stays so when another value is written.
  WriteText(dir / "old.json", "{\"LastRider\": \"Ren\xC3\xA9.sub\", \"fps\": 20}");
  TRmxOptions old(dir / "old.json");
  EXPECT_EQ(old.ReadString("LastRider", ""), "Ren\xC3\xA9.sub");
  old.WriteInteger("Size", 100);
  EXPECT_EQ(old.ReadString("LastRider", ""), "Ren\xC3\xA9.sub");
  EXPECT_EQ(old.ReadInteger("fps", 15), 20);
}

// An update writes the file once, however many values it sets.
TEST(Options, AnUpdateWritesTheFileOnce) {
  TempDir dir;
  TRmxOptions options(dir / "options.json");
  options.WriteInteger("fps", 10);
  const std::string before = ReadText(dir / "options.json");
  options.BeginUpdate();
  for (int i = 0; i < 17; ++i)
    options.WriteInteger("value" + std::to_string(i), i);
  EXPECT_EQ(options.ReadInteger("value3", -1), 3);
  EXPECT_EQ(ReadText(dir / "options.json"), before);  // nothing on disk yet
  options.EndUpdate();
  // One replacement: the backup is the file as it was before the update.
  EXPECT_EQ(ReadText(dir / "options.bak"), before);
  EXPECT_EQ(TRmxOptions(dir / "options.json").ReadInteger("value16", -1), 16);
}

TEST(Options, WriteFailuresAreReported) {
  TempDir dir;
  WriteText(dir / "file", "a file where a folder should be");
  TRmxOptions options(dir / "file" / "options.json");
  EXPECT_THROW(options.WriteInteger("fps", 1), FileError);
}

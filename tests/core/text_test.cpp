#include "core/text.h"

#include <gtest/gtest.h>

using namespace dravo;

TEST(Text, CaseFoldingTouchesOnlyAToZ) {
  EXPECT_EQ(LowerAZ("Data\\RIDER\\Anim\\NacNac.MOT"), "data\\rider\\anim\\nacnac.mot");
  EXPECT_EQ(LowerAZ("\xC4\xD6"), "\xC4\xD6");  // 8-bit letters stay as they are
  EXPECT_TRUE(SameTextAZ("motions.INI", "MOTIONS.ini"));
  EXPECT_FALSE(SameTextAZ("a", "ab"));
}

TEST(Text, CompareSortsUnsignedWithPrefixFirst) {
  EXPECT_LT(CompareTextAZ("abc", "abcd"), 0);
  EXPECT_GT(CompareTextAZ("b", "A"), 0);
  EXPECT_EQ(CompareTextAZ("Rider", "rIDER"), 0);
  // Folding happens before comparing: '_' (0x5F) sorts before the folded 'a' (0x61).
  EXPECT_LT(CompareTextAZ("A_", "Aa"), 0);
  EXPECT_LT(CompareTextAZ("z", "\xE9"), 0);  // bytes compare unsigned
}

TEST(Text, FindIsCaseFoldedAndEmptyNeverMatches) {
  EXPECT_EQ(FindTextAZ("Data\\Rider\\x.mot", "RIDER"), 5u);
  EXPECT_EQ(FindTextAZ("abc", ""), std::string::npos);
  EXPECT_EQ(FindTextAZ("ab", "abc"), std::string::npos);
}

TEST(Text, TrimRemovesBlanksAndControlCharacters) {
  EXPECT_EQ(Trim(" \t\r\n NoFear6.sub \x01"), "NoFear6.sub");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a "), "  a");
}

TEST(Text, FileNameParts) {
  EXPECT_EQ(ExtractFileName("Data\\Rider\\Anim\\nacnac.mot"), "nacnac.mot");
  EXPECT_EQ(ExtractFilePath("Data\\Rider\\Anim\\nacnac.mot"), "Data\\Rider\\Anim\\");
  EXPECT_EQ(ExtractFileName("/home/u/game/data/x.pak"), "x.pak");
  EXPECT_EQ(ExtractFileExt("a.b\\name"), "");
  EXPECT_EQ(ExtractFileExt("skin.tga"), ".tga");
  EXPECT_EQ(ChangeFileExt("data\\$dravo.pak", ".bak"), "data\\$dravo.bak");
  EXPECT_EQ(ChangeFileExt("archive", ".bak"), "archive.bak");
  EXPECT_EQ(ChangeFileExt("dir.x/archive", ".bak"), "dir.x/archive.bak");
}

TEST(Text, IntegerConversionTable) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> value;
  };
  const Case cases[] = {
      {"0", 0},
      {"42", 42},
      {"  42", 42},
      {"+7", 7},
      {"-13", -13},
      {"$ff", 255},
      {"$FF", 255},
      {"-$10", -16},
      {"$FFFFFFFF", -1},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"$100000000", std::nullopt},
      {"42 ", std::nullopt},  // nothing may follow the number
      {"4 2", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"$", std::nullopt},
      {"\t42", std::nullopt},  // only blanks may lead
      {"0x10", std::nullopt},
      {"1.5", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StrToInt(c.text), c.value) << '"' << c.text << '"';
  EXPECT_EQ(StrToIntDef("junk", 64), 64);
}

TEST(Text, FormatMessageSubstitutesOnce) {
  EXPECT_EQ(FormatMessage("Cannot open file %s", "x.pak"), "Cannot open file x.pak");
  EXPECT_EQ(FormatMessage("no marker", "x"), "no marker");
}

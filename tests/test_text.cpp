#include <gtest/gtest.h>

#include "base/text.h"

namespace vx {

TEST(Text, LimitsCountShiftJisBytesAndCutsNeverSplitACharacter) {
  // What Shift-JIS holds counts as it does there: kana two bytes, the
  // half-width katakana and ASCII one.
  EXPECT_EQ(SjisWidth("アイウ"), 6u);
  EXPECT_EQ(SjisWidth("ﾒﾆｭｰ"), 4u);
  EXPECT_EQ(CutToSjisWidth("アイウ", 5), "アイ");
  EXPECT_EQ(CutToSjisWidth("アイウ", 4), "アイ");
  EXPECT_EQ(CutToSjisWidth("aア", 2), "a");
  EXPECT_EQ(CutToSjisWidth("abc", 10), "abc");
  EXPECT_EQ(CutToSjisWidth("ﾒﾆｭｰ", 3), "ﾒﾆｭ");
  // A character Shift-JIS lacks counts two bytes per UTF-16 unit: ü and 발
  // two, an emoji (a surrogate pair) four, and it is never cut in half.
  EXPECT_EQ(SjisWidth("Büro"), 5u);
  EXPECT_EQ(SjisWidth("발표"), 4u);
  EXPECT_EQ(SjisWidth("a☕😀"), 7u);
  EXPECT_EQ(SjisWidth(u"a☕😀"), 7u);
  EXPECT_EQ(CutToSjisWidth("a😀b", 4), "a");
  EXPECT_EQ(CutToSjisWidth("a😀b", 5), "a😀");
  // UTF-8 is longer than the width here: a value of 2047 kana bytes is whole.
  std::string longKana;
  for (int i = 0; i < 1000; ++i) longKana += "ア";
  EXPECT_EQ(CutToSjisWidth(longKana, 2047), longKana);
  EXPECT_EQ(SjisWidth(CutToSjisWidth(longKana + "アア", 2001)), 2000u);
}

TEST(Text, FoldCaseFoldsAsciiOnly) {
  EXPECT_EQ(FoldCase("Basic"), "BASIC");
  EXPECT_EQ(FoldCase("aア"), "Aア");
  EXPECT_NE(FoldCase("ü"), FoldCase("Ü"));
}

TEST(Text, IntegerForms) {
  std::int32_t v = 0;
  EXPECT_TRUE(ParseInt32("65", v));
  EXPECT_EQ(v, 65);
  EXPECT_TRUE(ParseInt32("$41", v));
  EXPECT_EQ(v, 65);
  EXPECT_TRUE(ParseInt32("0x41", v));
  EXPECT_EQ(v, 65);
  EXPECT_TRUE(ParseInt32("0X41", v));
  EXPECT_EQ(v, 65);
  EXPECT_TRUE(ParseInt32(" -3", v));
  EXPECT_EQ(v, -3);
  EXPECT_TRUE(ParseInt32("+7", v));
  EXPECT_EQ(v, 7);
  EXPECT_TRUE(ParseInt32("-2147483648", v));
  EXPECT_EQ(v, INT32_MIN);
  EXPECT_TRUE(ParseInt32("$FFFFFFFF", v));
  EXPECT_EQ(v, -1);
  EXPECT_TRUE(ParseInt32("0", v));
  EXPECT_EQ(v, 0);
  // "0x" alone is not a hexadecimal prefix (too short), and not a number.
  for (const char* bad : {"", " ", "abc", "12a", "0x", "$", "-", "2147483648", "$100000000", "1 2", "4 "})
    EXPECT_FALSE(ParseInt32(bad, v)) << bad;
}

TEST(Text, PathParts) {
  EXPECT_EQ(ExtractFileName("C:\\Tools\\Vorlex.exe"), "Vorlex.exe");
  EXPECT_EQ(ChangeFileExt("C:\\Tools\\Vorlex.exe", ".ini"), "C:\\Tools\\Vorlex.ini");
  EXPECT_EQ(ChangeFileExt("C:\\a.b\\Vorlex", ".ini"), "C:\\a.b\\Vorlex.ini");
  // "表" is 0x95 0x5C in Shift-JIS; in UTF-8 no byte of it is a separator.
  EXPECT_EQ(ExtractFileName("C:\\表\\ソフト.exe"), "ソフト.exe");
  EXPECT_EQ(ExtractFileName("C:\\Tools\\表.exe"), "表.exe");
  EXPECT_EQ(ChangeFileExt("C:\\表", ".ini"), "C:\\表.ini");
}

TEST(Text, FormatFillsTheFirstPlaceholder) {
  EXPECT_EQ(Format("%s に書き込めません", "C:\\x.ini"), "C:\\x.ini に書き込めません");
  EXPECT_EQ(Format("範囲 (%d)", 5), "範囲 (5)");
}

}  // namespace vx

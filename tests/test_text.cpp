#include <gtest/gtest.h>

#include "base/text.h"

namespace vx {

TEST(Text, CutNeverSplitsADoubleByteCharacter) {
  const std::string kana = "アイウ";  // three double-byte characters
  ASSERT_EQ(kana.size(), 6u);
  EXPECT_EQ(CutAtCharBoundary(kana, 5), "アイ");
  EXPECT_EQ(CutAtCharBoundary(kana, 4), "アイ");
  EXPECT_EQ(CutAtCharBoundary("aア", 2), "a");
  EXPECT_EQ(CutAtCharBoundary("abc", 10), "abc");
  // Half-width katakana are single bytes.
  EXPECT_EQ(CutAtCharBoundary("ﾒﾆｭｰ", 3), "ﾒﾆｭ");
}

TEST(Text, FoldCaseLeavesTrailBytesAlone) {
  EXPECT_EQ(FoldCase("Basic"), "BASIC");
  // "ア" is 0x83 0x41: its trail byte is an 'A' that must not be folded,
  // and "ヂ" (0x83 0x61) must not fold onto it.
  EXPECT_NE(FoldCase("ア"), FoldCase("ヂ"));
  EXPECT_EQ(FoldCase("aア"), "Aア");
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

TEST(Text, PathPartsAreDoubleByteAware) {
  EXPECT_EQ(ExtractFileName("C:\\Tools\\Vorlex.exe"), "Vorlex.exe");
  EXPECT_EQ(ChangeFileExt("C:\\Tools\\Vorlex.exe", ".ini"), "C:\\Tools\\Vorlex.ini");
  EXPECT_EQ(ChangeFileExt("C:\\a.b\\Vorlex", ".ini"), "C:\\a.b\\Vorlex.ini");
  // "表" is 0x95 0x5C: its trail byte is a backslash, not a separator.
  EXPECT_EQ(ExtractFileName("C:\\表\\ソフト.exe"), "ソフト.exe");
  EXPECT_EQ(ExtractFileName("C:\\Tools\\表.exe"), "表.exe");
  EXPECT_EQ(ChangeFileExt("C:\\表", ".ini"), "C:\\表.ini");
}

TEST(Text, FormatFillsTheFirstPlaceholder) {
  EXPECT_EQ(Format("%s に書き込めません", "C:\\x.ini"), "C:\\x.ini に書き込めません");
  EXPECT_EQ(Format("範囲 (%d)", 5), "範囲 (5)");
}

}  // namespace vx

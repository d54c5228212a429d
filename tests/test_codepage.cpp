// The conversions between the program's UTF-8, the system's UTF-16 and the
// settings file's two forms, and the paths of the program's own files.
#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "base/codepage.h"
#include "platform/headless/headless.h"

namespace vx::test {

namespace {
const IconvCodePage kSjis;

std::string Utf16Units(std::u16string_view text) {
  std::string bytes;
  for (char16_t u : text) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  return bytes;
}
}  // namespace

TEST(CodePage, AShiftJisFileComesBackByteForByte) {
  const std::string files[] = {
      "[Basic]\r\nCount=1\r\n",                                   // ASCII: no conversion at all
      "[\x83\x81\x83\x6A\x83\x85\x81\x5B]\r\nName=\x95\x5C\r\n",  // メニュー, 表 (trail byte 0x5C)
      "\xB6\xC5 \x81\x60",                                        // half-width katakana, the wave dash
      "a\x81",                                                    // a lead byte that ends the file
      "a\x81\x20z\r\n\xFF\x85\x40",                               // a lead byte before a blank, bytes no code defines
      "\xEE\xEF \xFA\x40 \x87\x9A",                               // duplicates: NEC-selected and IBM forms
  };
  // The same lines far apart, so that each goes through the code page on
  // its own, between long ASCII runs that are only copied.
  std::vector<std::string> all(std::begin(files), std::end(files));
  std::string apart;
  for (const std::string& bytes : files) apart += bytes + "\r\n" + std::string(5000, '\n');
  all.push_back(apart);
  for (const std::string& bytes : all) {
    const std::string text = SjisFileToText(bytes, kSjis);
    std::string again;
    ASSERT_TRUE(TextToSjisFile(text, kSjis, again)) << bytes;
    EXPECT_EQ(again, bytes);
  }
  EXPECT_EQ(SjisFileToText("\x95\x5C\x83\x41", kSjis), "表ア");
  // Invalid bytes are held as escaped code points, never as a look-alike.
  EXPECT_TRUE(HasEscapedBytes(SjisFileToText("a\x85\x40", kSjis)));
  EXPECT_FALSE(HasEscapedBytes(SjisFileToText("表", kSjis) + "ü"));
}

TEST(CodePage, TextThatShiftJisLacksHasNoShiftJisForm) {
  std::string bytes;
  for (const char* text : {"Jürgen", "Café", "¥100", "a〜b", "발표", "x😀y", "☕"}) {
    EXPECT_FALSE(TextToSjisFile(text, kSjis, bytes)) << text;
    // Far down a long file, after lines that have a form.
    EXPECT_FALSE(TextToSjisFile("[表]\r\n" + std::string(5000, '\n') + text, kSjis, bytes)) << text;
  }
  // The fullwidth tilde and the yen sign's fullwidth form are Shift-JIS.
  EXPECT_TRUE(TextToSjisFile("～￥", kSjis, bytes));
  EXPECT_EQ(bytes, "\x81\x60\x81\x8F");
}

TEST(CodePage, AUtf16FileKeepsEveryUnitAndAConvertedFileEveryCharacter) {
  const std::u16string units = u"[メニュー項目]\r\nName=Büro ☕ 발표 😀\r\n";
  std::string bytes = Utf16Units(units);
  const std::string text = Utf16FileToText(bytes);
  EXPECT_EQ(text, "[メニュー項目]\r\nName=Büro ☕ 발표 😀\r\n");
  std::string again;
  ASSERT_TRUE(TextToUtf16File(text, nullptr, again));
  EXPECT_EQ(again, bytes);
  // A lone surrogate in a UTF-16 file is written back as it was.
  const std::u16string lone = {u'a', char16_t(0xDC85), u'b', char16_t(0xD800)};
  bytes = Utf16Units(lone);
  ASSERT_TRUE(TextToUtf16File(Utf16FileToText(bytes), nullptr, again));
  EXPECT_EQ(again, bytes);
  // A Shift-JIS file converted: its duplicates become their characters,
  // and a byte that is no character refuses the conversion.
  const std::string sjis = SjisFileToText("\xEE\xEF=\x95\x5C", kSjis);
  ASSERT_TRUE(TextToUtf16File(sjis + "ü", &kSjis, again));
  EXPECT_EQ(again, Utf16Units(u"ⅰ=表ü"));
  EXPECT_FALSE(TextToUtf16File(SjisFileToText("a\x85\x40", kSjis), &kSjis, again));
  EXPECT_FALSE(TextToUtf16File(SjisFileToText("a\x81", kSjis), &kSjis, again));
}

TEST(CodePage, Utf8AndUtf16ConvertBothWaysAndMarkWhatIsMalformed) {
  const std::u16string text = u"Café Jürgen 表 😀";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf16ToUtf8(u"é"), "\xC3\xA9");
  EXPECT_EQ(Utf8ToUtf16("a\xC3"), u"a\xFFFD");          // cut short
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\xFFFD\xFFFD");  // overlong '/'
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
  // An escaped byte is shown as the replacement character.
  EXPECT_EQ(Utf8ToUtf16(SjisFileToText("\x85\x40", kSjis)), u"\xFFFD\xFFFD");
}

TEST(CodePage, TheProgramsFileNamesKeepEveryCharacter) {
  const FilePath exe(u8"C:\\Café Jürgen\\Vorlex.exe");
  EXPECT_EQ(exe.WithExtension(".ini").utf8, u8"C:\\Café Jürgen\\Vorlex.ini");
  EXPECT_EQ(exe.Folder().utf8, u8"C:\\Café Jürgen");
  EXPECT_EQ(exe.FileName(), "Vorlex.exe");
  // A dot in a folder's name is no extension; a root keeps its separator.
  EXPECT_EQ(FilePath("C:\\v1.2\\Vorlex").WithExtension(".ini").utf8, "C:\\v1.2\\Vorlex.ini");
  EXPECT_EQ(FilePath("C:\\Vorlex.exe").Folder().utf8, "C:\\");
}

}  // namespace vx::test

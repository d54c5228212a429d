// The one place where a person's text becomes CP932, and the paths of the
// program's own files.
#include <gtest/gtest.h>

#include "base/codepage.h"
#include "platform/headless/headless.h"

namespace vx::test {

namespace {
const IconvCodePage kCp932;
}

TEST(CodePage, TextThatCp932HoldsIsExactAndKeepsItsBytes) {
  // ASCII, kanji with a 0x5C trail byte, the fullwidth tilde and the
  // half-width katakana of the labels.
  for (const std::u16string& text : {std::u16string(u"C:\\Tools\\run.exe"), std::u16string(u"表示"),
                                     std::u16string(u"～"), std::u16string(u"ﾌﾟﾛｸﾞﾗﾑ"), std::u16string()}) {
    const Cp932Text t = ToCp932(text, kCp932);
    EXPECT_TRUE(t.exact());
    EXPECT_EQ(kCp932.Decode(t.text), text);
  }
  EXPECT_EQ(ToCp932(u"表", kCp932).text, "\x95\x5C");
}

TEST(CodePage, EveryCharacterWithoutAnExactFormIsNamedOnceInOrder) {
  struct Case {
    std::u16string text;
    std::u32string lost;
  };
  const Case cases[] = {
      {u"C:\\Users\\Jürgen", U"ü"},
      {u"Café", U"é"},
      {u"¥100", U"¥"},   // best-fit would make it the path separator
      {u"a〜b", U"〜"},  // the wave dash: best-fit gives another file's tilde
      {u"한국어", U"한국어"},
      {u"x😀y", U"😀"},              // a pair of surrogates is one character
      {u"Jürgen Müller ü", U"ü"},  // named once
      {u"ü¥é", U"ü¥é"},
  };
  for (const Case& c : cases) {
    const Cp932Text t = ToCp932(c.text, kCp932);
    EXPECT_EQ(t.lost, c.lost) << CharacterList(t.lost);
    EXPECT_FALSE(t.exact());
  }
  // A lone surrogate, as an edit box may hold one, is a character of its own.
  const std::u16string lone = {u'a', char16_t(0xD800), u'b'};
  EXPECT_EQ(ToCp932(lone, kCp932).lost, std::u32string(1, U'\xD800'));
  const std::u32string named = U"ü〜😀";  // outside the macro, whose text is CP932
  EXPECT_EQ(CharacterList(named), "U+00FC U+301C U+1F600");
}

TEST(CodePage, Utf8AndUtf16ConvertBothWaysAndMarkWhatIsMalformed) {
  const std::u16string text = u"Café Jürgen 表 😀";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  const std::u16string e = u"é";
  EXPECT_EQ(Utf16ToUtf8(e), "\xC3\xA9");
  EXPECT_EQ(Utf8ToUtf16("a\xC3"), u"a\xFFFD");          // cut short
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\xFFFD\xFFFD");  // overlong '/'
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(CodePage, TheProgramsFileNamesKeepEveryCharacterAndShowWhatCp932Has) {
  const FilePath exe(Utf16ToUtf8(u"C:\\Café Jürgen\\Vorlex.exe"), "C:\\Caf? J?rgen\\Vorlex.exe");
  const FilePath ini = exe.WithExtension(".ini");
  const std::string iniName = Utf16ToUtf8(u"C:\\Café Jürgen\\Vorlex.ini");
  EXPECT_EQ(ini.utf8, iniName);
  EXPECT_EQ(ini.display, "C:\\Caf? J?rgen\\Vorlex.ini");
  const std::string folder = Utf16ToUtf8(u"C:\\Café Jürgen");
  EXPECT_EQ(exe.Folder().utf8, folder);
  EXPECT_EQ(exe.FileNameDisplay(), "Vorlex.exe");
  // A dot in a folder's name is no extension; a root keeps its separator.
  EXPECT_EQ(FilePath("C:\\v1.2\\Vorlex").WithExtension(".ini").utf8, "C:\\v1.2\\Vorlex.ini");
  EXPECT_EQ(FilePath("C:\\Vorlex.exe").Folder().utf8, "C:\\");
  // Made from UTF-8 alone, the display form marks each character once.
  const std::string unusual = Utf16ToUtf8(u"C:\\Jürgen😀");
  EXPECT_EQ(FilePath(unusual).display, "C:\\J?rgen?");
}

}  // namespace vx::test

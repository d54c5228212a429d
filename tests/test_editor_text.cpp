// The person's own text in the item editor: characters the settings file's
// code page cannot hold, values longer than a field, typing at a field's
// limit, and what a drop or the file dialog hands over.
#include <string>

#include "tests/editor_fixture.h"

namespace vx::test {

class PersonsText : public Editor {
 protected:
  void TypeUnicode(const char* control, const std::u16string& text) {
    ASSERT_TRUE(d.p.TypeUnicode(Wnd(), control, text)) << control;
    d.Pump();
  }
  const std::string& LastBox() { return d.p.messageBoxes.back().text; }
  bool Starts(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }
};

TEST_F(PersonsText, AFolderCp932CannotHoldIsRefusedUntilTheFileSystemGivesAShortName) {
  Start(kThree);
  Open();
  Select(1);
  const std::string before = d.IniText();
  const std::u16string jurgen = u"C:\\Users\\Jürgen";
  TypeUnicode("Edt_Dir", jurgen);
  Click("Btn_Ok");
  // Refused: the editor stays open, the message names the field and the
  // character, and nothing is stored or saved.
  EXPECT_TRUE(Form_Set->Visible());
  ASSERT_EQ(d.p.messageBoxes.size(), 1u);
  EXPECT_TRUE(Starts(LastBox(), "ﾃﾞｨﾚｸﾄﾘ に Shift-JIS で保存できない文字があります: U+00FC\r\n")) << LastBox();
  EXPECT_EQ(ExeList->Items(1)->Dir, "");
  EXPECT_EQ(d.IniText(), before);
  // Nor can another item be chosen, or one added, while the field holds it.
  Select(2);
  EXPECT_EQ(Selected(), 1);
  Click("Btn_Add");
  EXPECT_EQ(Listed(), (V{"A", "B", "C"}));
  EXPECT_EQ(d.p.messageBoxes.size(), 3u);
  // Where the file system gives a short name that CP932 holds, that is kept.
  d.p.shortNames[jurgen] = u"C:\\Users\\JRGEN~1";
  TypeUnicode("Edt_Dir", jurgen);
  Click("Btn_Ok");
  EXPECT_FALSE(Form_Set->Visible());
  EXPECT_EQ(d.p.messageBoxes.size(), 3u);
  EXPECT_NE(
      d.IniText().find("[1]\r\nName=\"B\"\r\nExe=\"b.exe\"\r\nHotKey=0\r\nPar=\"\"\r\nDir=\"C:\\Users\\JRGEN~1\"\r\n"),
      std::string::npos)
      << d.IniText();
}

TEST_F(PersonsText, NamesAndParametersCp932CannotHoldAreRefusedAndTheListKeepsTheLastExactName) {
  Start(kThree);
  Open();
  TypeUnicode("Edt_Name", u"Caf");
  TypeUnicode("Edt_Name", u"Café");
  EXPECT_EQ(Listed()[0], "Caf");  // never a look-alike, not even in the list
  EXPECT_EQ(ExeList->Items(0)->Name, "Caf");
  Click("Btn_Ok");
  ASSERT_EQ(d.p.messageBoxes.size(), 1u);
  EXPECT_TRUE(Starts(LastBox(), "名前 に Shift-JIS で保存できない文字があります: U+00E9\r\n")) << LastBox();
  TypeUnicode("Edt_Name", u"Cafe 表");
  TypeUnicode("Edt_Par", u"--title 😀 한");
  Click("Btn_Ok");
  ASSERT_EQ(d.p.messageBoxes.size(), 2u);
  EXPECT_TRUE(Starts(LastBox(), "ﾊﾟﾗﾒｰﾀ に Shift-JIS で保存できない文字があります: U+1F600 U+D55C\r\n")) << LastBox();
  EXPECT_TRUE(Form_Set->Visible());
  TypeUnicode("Edt_Par", u"--title ～");
  Click("Btn_Ok");
  EXPECT_FALSE(Form_Set->Visible());
  EXPECT_NE(d.IniText().find("Name=\"Cafe 表\""), std::string::npos);
  EXPECT_NE(d.IniText().find("Par=\"--title ～\""), std::string::npos);
}

TEST_F(PersonsText, StoredValuesLongerThanAFieldAreShownWholeAndKeptUnlessEdited) {
  const std::string par(600, 'p');
  const std::string dir = "C:\\" + std::string(2040, 'd') + "\\表";  // 2,047 bytes
  Start(";Vorlex Initialize File\r\n[Basic]\r\nCount=1\r\n[0]\r\nName=\"long\"\r\nExe=\"a.exe\"\r\nPar=\"" + par +
        "\"\r\nDir=\"" + dir + "\"\r\n");
  Open();
  EXPECT_EQ(Field("Edt_Par"), par);
  EXPECT_EQ(Field("Edt_Dir"), dir);
  Click("Btn_Ok");
  EXPECT_NE(d.IniText().find("Par=\"" + par + "\"\r\nDir=\"" + dir + "\"\r\n"), std::string::npos);
  // An edit of another field leaves them whole too.
  Open();
  Type("Edt_Name", "renamed");
  Click("Btn_Ok");
  EXPECT_NE(d.IniText().find("Name=\"renamed\""), std::string::npos);
  EXPECT_NE(d.IniText().find("Par=\"" + par + "\"\r\nDir=\"" + dir + "\"\r\n"), std::string::npos);
  // A person's key in a field already past the limit changes nothing.
  Open();
  ASSERT_TRUE(d.p.TypeAtCaret(Wnd(), "Edt_Par", u"x"));
  d.Pump();
  EXPECT_EQ(Field("Edt_Par"), par);
  Click("Btn_Cancel");
}

TEST_F(PersonsText, TypingPastAFieldsLimitStopsThereAndTheCaretStaysWhereThePersonTypes) {
  Start(kThree);
  Open();
  Type("Edt_Par", std::string(250, 'a'));
  ASSERT_TRUE(d.p.TypeAtCaret(Wnd(), "Edt_Par", u"123456789"));
  d.Pump();
  EXPECT_EQ(Field("Edt_Par"), std::string(250, 'a') + "1234");
  EXPECT_EQ(d.p.Caret(Wnd(), "Edt_Par"), 254);
  // A double-byte character that would end past the limit is refused whole.
  Type("Edt_Dir", std::string(253, 'x'));
  ASSERT_TRUE(d.p.TypeAtCaret(Wnd(), "Edt_Dir", u"表"));
  d.Pump();
  EXPECT_EQ(Field("Edt_Dir"), std::string(253, 'x'));
  EXPECT_EQ(d.p.Caret(Wnd(), "Edt_Dir"), 253);
  // Pasted in the middle, as much as fits stays where it was put.
  Type("Edt_Name", std::string(250, 'n'));
  d.p.SetEditSelection(d.p.FindControl(Wnd(), "Edt_Name"), 10, 10);
  ASSERT_TRUE(d.p.Paste(Wnd(), "Edt_Name", u"表示表示"));
  d.Pump();
  EXPECT_EQ(Field("Edt_Name"), std::string(10, 'n') + "表示" + std::string(240, 'n'));
  EXPECT_EQ(d.p.Caret(Wnd(), "Edt_Name"), 12);
  EXPECT_EQ(Listed()[0], Field("Edt_Name"));
  Click("Btn_Cancel");
}

TEST_F(PersonsText, APairOfSurrogatesIsNeverSplitAtTheLimit) {
  // Emoji are pairs of UTF-16 units (each one '?' byte in CP932). Typed past
  // the limit, a pair is kept whole or left out whole.
  Start(kThree);
  Open();
  const std::u16string grin = u"\U0001F600", smile = u"\U0001F603";  // one high surrogate, two low ones
  TypeUnicode("Edt_Name", std::u16string(252, u'n') + grin);
  // Pasted over the whole box: the first unit that differs is the low half
  // of the last pair, which must not be taken for the start of the new text.
  TypeUnicode("Edt_Name", std::u16string(252, u'n') + smile + smile + smile);
  EXPECT_EQ(d.p.Control(Wnd(), "Edt_Name").editText, std::u16string(252, u'n') + smile + smile);
  // Pasted with room for one unit in the native box, which cuts the pair in
  // two: the half left over goes, nothing else changes.
  TypeUnicode("Edt_Par", std::u16string(253, u'p'));
  ASSERT_TRUE(d.p.Paste(Wnd(), "Edt_Par", grin + grin));
  d.Pump();
  EXPECT_EQ(d.p.Control(Wnd(), "Edt_Par").editText, std::u16string(253, u'p'));
  EXPECT_EQ(d.p.Caret(Wnd(), "Edt_Par"), 253);
  EXPECT_TRUE(d.p.messageBoxes.empty());
  Click("Btn_Cancel");
}

TEST_F(PersonsText, ADropOrAChoiceIsTakenWholeByItsShortNameOrRefusedNeverCut) {
  Start(kThree);
  Open();
  Select(1);
  const std::u16string jurgen = u"C:\\Users\\Jürgen\\Jürgen.txt";
  ASSERT_TRUE(d.p.DropUnicodeFiles(Wnd(), {jurgen}));
  d.Pump();
  ASSERT_EQ(d.p.messageBoxes.size(), 1u);
  EXPECT_TRUE(Starts(LastBox(), "ﾌﾟﾛｸﾞﾗﾑ に Shift-JIS で保存できない文字があります: U+00FC\r\n")) << LastBox();
  EXPECT_EQ(Field("Edt_Exe"), "b.exe");
  EXPECT_EQ(Field("Edt_Name"), "B");
  d.p.shortNames[jurgen] = u"C:\\Users\\JRGEN~1\\JRGEN~1.TXT";
  ASSERT_TRUE(d.p.DropUnicodeFiles(Wnd(), {jurgen}));
  d.Pump();
  EXPECT_EQ(Field("Edt_Exe"), "C:\\Users\\JRGEN~1\\JRGEN~1.TXT");
  EXPECT_EQ(Field("Edt_Name"), "JRGEN~1.TXT");
  EXPECT_EQ(Field("Edt_Dir"), "C:\\Users\\JRGEN~1");
  // Only the folder is outside CP932: the name stays the file's own.
  const std::u16string inJurgen = u"C:\\Users\\Jürgen\\My Notes.txt";
  d.p.shortNames[inJurgen] = u"C:\\Users\\JRGEN~1\\MYNOTE~1.TXT";
  ASSERT_TRUE(d.p.DropUnicodeFiles(Wnd(), {inJurgen}));
  d.Pump();
  EXPECT_EQ(Field("Edt_Exe"), "C:\\Users\\JRGEN~1\\MYNOTE~1.TXT");
  EXPECT_EQ(Field("Edt_Name"), "My Notes.txt");
  // A path longer than the field holds would be another, shorter path.
  const std::string longPath = "C:\\" + std::string(293, 'x') + ".exe";  // 300 bytes
  ASSERT_TRUE(d.p.DropFiles(Wnd(), {longPath}));
  d.Pump();
  ASSERT_EQ(d.p.messageBoxes.size(), 2u);
  EXPECT_EQ(LastBox(), "ﾌﾟﾛｸﾞﾗﾑ に入るのは 254 バイトまでです。\r\nこのパスは 300 バイトあるため、使えません。");
  EXPECT_EQ(Field("Edt_Exe"), "C:\\Users\\JRGEN~1\\MYNOTE~1.TXT");
  EXPECT_TRUE(d.p.liveDrops.empty());
  // At the limit exactly a path is taken; one byte more is refused.
  const std::string at = "C:\\" + std::string(247, 'y') + ".exe";  // 254 bytes
  ASSERT_TRUE(d.p.DropFiles(Wnd(), {at}));
  d.Pump();
  EXPECT_EQ(Field("Edt_Exe"), at);
  ASSERT_TRUE(d.p.DropFiles(Wnd(), {"C:\\" + std::string(248, 'y') + ".exe"}));
  d.Pump();
  EXPECT_EQ(d.p.messageBoxes.size(), 3u);
  EXPECT_EQ(Field("Edt_Exe"), at);
  d.p.messageBoxes.pop_back();
  ASSERT_TRUE(d.p.DropUnicodeFiles(Wnd(), {inJurgen}));
  d.Pump();
  // The file dialog follows the same rule; a shortcut stays the shortcut.
  std::u16string choice = u"C:\\Café\\Start.lnk";
  d.p.onOpenFile = [&choice](Handle, std::u16string& path) {
    path = choice;
    return true;
  };
  Click("Btn_ExeFName");
  EXPECT_EQ(d.p.messageBoxes.size(), 3u);
  EXPECT_EQ(Field("Edt_Exe"), "C:\\Users\\JRGEN~1\\MYNOTE~1.TXT");
  choice = u"C:\\Tools\\Start.lnk";
  Click("Btn_ExeFName");
  EXPECT_EQ(Field("Edt_Exe"), "C:\\Tools\\Start.lnk");
  Click("Btn_Ok");
  EXPECT_NE(d.IniText().find("Exe=\"C:\\Tools\\Start.lnk\""), std::string::npos);
}

}  // namespace vx::test

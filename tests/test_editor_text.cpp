// The person's own text in the item editor: characters in any script,
// values longer than a field, typing at a field's limit, and what a drop or
// the file dialog hands over.
#include <string>

#include "core/Unit_File.h"
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

TEST_F(PersonsText, TextShiftJisLacksIsStoredWholeAndTheFileBecomesUtf16KeepingEveryLine) {
  Start(std::string(kThree) + "; a comment of the person's\r\n[Foreign]\r\nmine=表\r\n\r\n");
  Open();
  Click("Btn_Ok");
  // Nothing new: the Shift-JIS file comes back byte for byte.
  const std::string before = d.IniBytes();
  EXPECT_NE(before.find("mine=\x95\x5C\r\n"), std::string::npos);
  Open();
  Click("Btn_Ok");
  EXPECT_EQ(d.IniBytes(), before);
  // One name that Shift-JIS lacks makes the whole file UTF-16.
  Open();
  TypeUnicode("Edt_Name", u"Café");
  EXPECT_EQ(Listed()[0], "Café");
  Select(1);
  TypeUnicode("Edt_Dir", u"C:\\Users\\Jürgen");
  TypeUnicode("Edt_Par", u"--title 😀 한 ¥100 a〜b");
  Click("Btn_Ok");
  EXPECT_FALSE(Form_Set->Visible());
  EXPECT_TRUE(d.p.messageBoxes.empty());
  ASSERT_EQ(d.IniBytes().substr(0, 2), "\xFF\xFE");
  const std::string text = d.IniText();
  EXPECT_EQ(text.rfind(";Vorlex Initialize File\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("[0]\r\nName=\"Café\"\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Par=\"--title 😀 한 ¥100 a〜b\"\r\nDir=\"C:\\Users\\Jürgen\"\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("; a comment of the person's\r\n[Foreign]\r\nmine=表\r\n\r\n"), std::string::npos) << text;
  // Read back from the file, every character is there; the file stays
  // UTF-16 even once nothing in it needs it.
  LoadSettings();
  Open();
  EXPECT_EQ(Field("Edt_Name"), "Café");
  Select(1);
  EXPECT_EQ(Field("Edt_Dir"), "C:\\Users\\Jürgen");
  Select(0);
  Type("Edt_Name", "Cafe");
  Click("Btn_Ok");
  EXPECT_EQ(d.IniBytes().substr(0, 2), "\xFF\xFE");
  EXPECT_NE(d.IniText().find("Name=\"Cafe\""), std::string::npos);
}

TEST_F(PersonsText, NamesInAnyScriptReachTheMenuAndThePersonsOwnShortNameStays) {
  // A short name already in the file stays as it is; a new path is never
  // replaced by one.
  Start(";Vorlex Initialize File\r\n[Basic]\r\nCount=1\r\n[0]\r\nName=\"old\"\r\nExe=\"C:\\PROGRA~1\\x.exe\"\r\n");
  Open();
  for (const char16_t* name : {u"Büro ☕ 발표", u"会議 📅", u"音乐"}) {
    TypeUnicode("Edt_Name", name);
    EXPECT_EQ(Listed()[0], Utf16ToUtf8(name));
  }
  Click("Btn_Ok");
  EXPECT_NE(d.IniText().find("Name=\"音乐\"\r\nExe=\"C:\\PROGRA~1\\x.exe\""), std::string::npos) << d.IniText();
  // The launch menu shows it; the menu's entry is what the shell is given.
  Form_Main->CreateMI_Exe();
  EXPECT_EQ(Form_Main->PM_Left->Items(0)->Caption, "音乐");
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
  // Pasted over a part of it, with room for four units in the native box,
  // which counts UTF-16 units and cuts the pair in two: the text stays
  // shorter than it was, so only the half left over goes, from the field
  // and from the file.
  d.p.SetEditSelection(d.p.FindControl(Wnd(), "Edt_Par"), 250, 600);
  ASSERT_TRUE(d.p.Paste(Wnd(), "Edt_Par", u"xyz\U0001F600"));
  d.Pump();
  EXPECT_EQ(d.p.Control(Wnd(), "Edt_Par").editText, std::u16string(250, u'p') + u"xyz");
  Click("Btn_Ok");
  EXPECT_NE(d.IniText().find("Par=\"" + std::string(250, 'p') + "xyz\"\r\n"), std::string::npos);
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
  // Emoji are pairs of UTF-16 units, four bytes of the limit. Typed past
  // the limit, a pair is kept whole or left out whole.
  Start(kThree);
  Open();
  const std::u16string grin = u"\U0001F600", smile = u"\U0001F603";  // one high surrogate, two low ones
  TypeUnicode("Edt_Name", std::u16string(250, u'n') + grin);
  EXPECT_EQ(d.p.Control(Wnd(), "Edt_Name").editText, std::u16string(250, u'n') + grin);
  // Pasted over the whole box: the first unit that differs is the low half
  // of the last pair, which must not be taken for the start of the new text.
  TypeUnicode("Edt_Name", std::u16string(250, u'n') + smile + smile + smile);
  EXPECT_EQ(d.p.Control(Wnd(), "Edt_Name").editText, std::u16string(250, u'n') + smile);
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

TEST_F(PersonsText, ADropOrAChoiceIsTakenWholeOrRefusedNeverCut) {
  Start(kThree);
  Open();
  Select(1);
  ASSERT_TRUE(d.p.DropUnicodeFiles(Wnd(), {u"C:\\Users\\Jürgen\\Präsentationen 발표\\Büro ☕.txt"}));
  d.Pump();
  EXPECT_TRUE(d.p.messageBoxes.empty());
  EXPECT_EQ(Field("Edt_Exe"), "C:\\Users\\Jürgen\\Präsentationen 발표\\Büro ☕.txt");
  EXPECT_EQ(Field("Edt_Name"), "Büro ☕.txt");
  EXPECT_EQ(Field("Edt_Dir"), "C:\\Users\\Jürgen\\Präsentationen 발표");
  // A path longer than the field holds would be another, shorter path.
  const std::string longPath = "C:\\" + std::string(293, 'x') + ".exe";  // 300 bytes
  ASSERT_TRUE(d.p.DropFiles(Wnd(), {longPath}));
  d.Pump();
  ASSERT_EQ(d.p.messageBoxes.size(), 1u);
  EXPECT_EQ(LastBox(), "ﾌﾟﾛｸﾞﾗﾑ に入るのは 254 バイトまでです。\r\nこのパスは 300 バイトあるため、使えません。");
  EXPECT_EQ(Field("Edt_Name"), "Büro ☕.txt");
  EXPECT_TRUE(d.p.liveDrops.empty());
  // At the limit exactly a path is taken; one byte more is refused. A
  // character Shift-JIS lacks counts two bytes.
  std::string at = "C:\\";
  for (int i = 0; i < 123; ++i) at += "ü";
  at += ".exe";  // 3 + 246 + 4 = 253 bytes
  ASSERT_TRUE(d.p.DropFiles(Wnd(), {at + "x"}));
  d.Pump();
  EXPECT_EQ(Field("Edt_Exe"), at + "x");
  ASSERT_TRUE(d.p.DropFiles(Wnd(), {at + "ü"}));
  d.Pump();
  ASSERT_EQ(d.p.messageBoxes.size(), 2u);
  EXPECT_EQ(LastBox(), "ﾌﾟﾛｸﾞﾗﾑ に入るのは 254 バイトまでです。\r\nこのパスは 255 バイトあるため、使えません。");
  EXPECT_EQ(Field("Edt_Exe"), at + "x");
  // The file dialog follows the same rule; a shortcut stays the shortcut.
  d.p.onOpenFile = [](Handle, std::u16string& path) {
    path = u"C:\\Café\\Start.lnk";
    return true;
  };
  Click("Btn_ExeFName");
  EXPECT_EQ(Field("Edt_Exe"), "C:\\Café\\Start.lnk");
  Click("Btn_Ok");
  EXPECT_NE(d.IniText().find("Exe=\"C:\\Café\\Start.lnk\""), std::string::npos);
}

}  // namespace vx::test

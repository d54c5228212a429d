// The item editor, the other settings dialog and the version box, driven by
// their controls as a person uses them on the headless desktop.
#include <cstring>

#include "core/Unit_All.h"
#include "forms/Fom_About.h"
#include "forms/Fom_Set.h"
#include "forms/Fom_SetEtc.h"
#include "forms/Fom_Time.h"
#include "tests/harness.h"

namespace vx::test {

namespace {

using V = std::vector<std::string>;
constexpr ShortCut kCtrlAltA = scCtrl | scAlt | 'A';

const char kThree[] =
    ";Vorlex Initialize File\r\n"
    "[Basic]\r\nCount=3\r\nLeftDoubleClickMenuNo=1\r\nRightDoubleClickMenuNo=2\r\n"
    "[-1]\r\nHotKey=16461\r\n"  // Ctrl+M
    "[0]\r\nName=\"A\"\r\nHotKey=49217\r\nExe=\"a.exe\"\r\n"
    "[1]\r\nName=\"B\"\r\nExe=\"b.exe\"\r\n"
    "[2]\r\nName=\"C\"\r\nExe=\"c.exe\"\r\n";

class Editor : public ::testing::Test {
 protected:
  void Start(const std::string& ini) {
    if (!ini.empty()) d.WriteIni(ini);
    ASSERT_EQ(d.Start(), -1);
  }
  ~Editor() override {
    if (d.program) d.Close();
  }
  void Open() {
    Form_Main->MI_SetClick(nullptr);
    d.Pump();
  }
  Handle Wnd() { return Form_Set->GetHandle(); }
  void Click(const char* control) {
    ASSERT_TRUE(d.p.Click(Wnd(), control)) << control;
    d.Pump();
  }
  void Select(int index) {
    ASSERT_TRUE(d.p.Select(Wnd(), "LB_Select", index));
    d.Pump();
  }
  void Type(const char* control, const std::string& text) {
    ASSERT_TRUE(d.p.Type(Wnd(), control, text)) << control;
    d.Pump();
  }
  V Listed() { return d.p.Control(Wnd(), "LB_Select").items; }
  // Presses a hotkey on the desktop: what the shell was asked to open since
  // the program started (nothing when no window took the keys).
  V StartedBy(std::uint32_t modifiers, std::uint32_t vk) {
    if (!d.system().PressHotKey(modifiers, vk)) return {};
    d.Pump();
    V files;
    for (const auto& launch : d.p.launches) files.push_back(launch.file);
    return files;
  }
  int Selected() { return d.p.Control(Wnd(), "LB_Select").selection; }
  std::string Field(const char* control) { return d.p.Control(Wnd(), control).control.caption; }
  bool Checked(const char* control) { return d.p.Control(Wnd(), control).checked; }
  V Names() {
    V names;
    for (int i = 0; i < ExeList->Count(); ++i) names.push_back(ExeList->Items(i)->Name);
    return names;
  }
  Desktop d;
};

}  // namespace

TEST_F(Editor, WhileOpenNoHotkeyIsRegisteredAndTheTrayMenusStayClosed) {
  Start(kThree);
  EXPECT_EQ(d.system().hotkeys.size(), 2u);
  Open();
  EXPECT_TRUE(Form_Set->Visible());
  EXPECT_EQ(d.system().focus, d.p.FindControl(Wnd(), "LB_Select"));  // the keyboard in the first field
  EXPECT_TRUE(d.system().hotkeys.empty());
  EXPECT_EQ(Form_Main->PM_Left->Count(), 0);
  d.p.keys[kVkLButton] = true;
  d.Tray(kWmLButtonDown);
  d.p.keys[kVkLButton] = false;
  d.Tray(kWmLButtonUp);
  d.Pump();
  EXPECT_TRUE(d.p.popups.empty());
  Click("Btn_Cancel");
  EXPECT_FALSE(Form_Set->Visible());
  EXPECT_EQ(d.system().hotkeys.size(), 2u);
  EXPECT_EQ(Form_Main->PM_Left->Count(), 3);
  EXPECT_TRUE(Form_Main->PM_Left->AutoPopup);
}

TEST_F(Editor, AnEmptyListOpensOnANewItemAndCancelLeavesTheFileAsItWas) {
  Start("");
  const std::string before = d.IniText();
  Open();
  EXPECT_EQ(Listed(), V{"新規"});
  EXPECT_EQ(Selected(), 0);
  EXPECT_EQ(Field("Edt_Name"), "新規");
  Click("Btn_Cancel");
  EXPECT_EQ(ExeList->Count(), 0);
  EXPECT_EQ(d.IniText(), before);
}

TEST_F(Editor, AddDeleteUpAndDownKeepTheDoubleClickChoicesOnTheirItems) {
  Start(kThree);
  Open();
  Select(1);
  Click("Btn_Add");  // before B, which moves down with its choice
  EXPECT_EQ(Listed(), (V{"A", "新規", "B", "C"}));
  EXPECT_EQ(Selected(), 1);
  EXPECT_EQ(LeftDoubleClickMenuNo, 2);
  EXPECT_EQ(RightDoubleClickMenuNo, 3);
  EXPECT_FALSE(Checked("CB_LeftDoubleClickMenu"));

  Click("Btn_Down");  // 新規 below B: B's choice follows B
  EXPECT_EQ(Names(), (V{"A", "B", "新規", "C"}));
  EXPECT_EQ(LeftDoubleClickMenuNo, 1);
  EXPECT_EQ(Selected(), 2);
  Select(0);
  Click("Btn_Up");  // on the first: nothing
  Select(3);
  Click("Btn_Down");  // on the last: nothing
  EXPECT_EQ(Names(), (V{"A", "B", "新規", "C"}));

  Click("Btn_Del");  // the last, chosen for the right button
  EXPECT_EQ(RightDoubleClickMenuNo, -1);
  EXPECT_EQ(Selected(), 2);  // the new last
  Select(0);
  Click("Btn_Del");  // above B: its choice moves up
  EXPECT_EQ(LeftDoubleClickMenuNo, 0);
  EXPECT_EQ(Listed(), (V{"B", "新規"}));
  EXPECT_EQ(Field("Edt_Name"), "B");
  EXPECT_TRUE(Checked("CB_LeftDoubleClickMenu"));
  Click("Btn_Del");
  Click("Btn_Del");
  EXPECT_TRUE(Listed().empty());
  EXPECT_EQ(Selected(), -1);
  EXPECT_EQ(Field("Edt_Name"), "");
  EXPECT_FALSE(Checked("CB_LeftDoubleClickMenu") || Checked("CB_RightDoubleClickMenu"));
  Type("Edt_Name", "nobody");  // no item: nothing changes
  EXPECT_EQ(ExeList->Count(), 0);
  Click("Btn_Add");
  EXPECT_EQ(Names(), V{"新規"});
  Click("Btn_Cancel");
  EXPECT_EQ(Names(), (V{"A", "B", "C"}));  // all back from the file
  EXPECT_EQ(LeftDoubleClickMenuNo, 1);
}

TEST_F(Editor, TheStartOptionsShowStoreAndClearWithTheirItem) {
  Start(kThree);
  Open();
  Click("Btn_Ok");
  const std::string untouched = d.IniText();
  auto shown = [&] { return d.p.Control(Wnd(), "CmB_Show").selection; };

  Open();
  EXPECT_EQ(d.p.Control(Wnd(), "CmB_Show").items, (V{"通常", "最小化", "最大化"}));
  EXPECT_EQ(shown(), 0);
  EXPECT_FALSE(Checked("CB_RunAs") || Checked("CB_Activate"));
  Select(1);
  Click("CB_RunAs");
  Click("CB_Activate");
  ASSERT_TRUE(d.p.Select(Wnd(), "CmB_Show", 2));
  d.Pump();
  Select(0);  // B's options stay with B
  EXPECT_EQ(shown(), 0);
  EXPECT_FALSE(Checked("CB_RunAs"));
  Select(1);
  EXPECT_EQ(shown(), 2);
  EXPECT_TRUE(Checked("CB_RunAs") && Checked("CB_Activate"));
  Click("Btn_Ok");
  EXPECT_NE(
      d.IniText().find("Exe=\"b.exe\"\r\nHotKey=0\r\nPar=\"\"\r\nDir=\"\"\r\nActivate=1\r\nRunAs=1\r\nShow=2\r\n[2]"),
      std::string::npos)
      << d.IniText();

  // Changed and cancelled: the file's options come back.
  Open();
  Select(1);
  Click("CB_Activate");
  Click("Btn_Cancel");
  EXPECT_EQ(ExeList->Items(1)->Activate, 1);

  // Cleared: the file is what an untouched Ok wrote.
  Open();
  Select(1);
  Click("CB_RunAs");
  Click("CB_Activate");
  ASSERT_TRUE(d.p.Select(Wnd(), "CmB_Show", 0));
  d.Pump();
  Click("Btn_Ok");
  EXPECT_EQ(d.IniText(), untouched);
}

TEST_F(Editor, ElevationAndARunningCopyAreOfferedForProgramsOnly) {
  d.system().shortcuts["C:\\Links\\Tool.lnk"] = "C:\\Tools\\tool.exe";
  d.system().shortcuts["C:\\Links\\Notes.lnk"] = "C:\\notes.txt";
  Start(kThree);
  Open();
  auto offered = [&] {
    const bool runAs = d.p.Control(Wnd(), "CB_RunAs").control.enabled;
    EXPECT_EQ(d.p.Control(Wnd(), "CB_Activate").control.enabled, runAs);
    return runAs;
  };
  EXPECT_TRUE(offered());  // a.exe
  for (const char* document : {"C:\\readme.txt", "C:\\Links\\Notes.lnk", "https://example.com", "C:\\Tools", ""}) {
    Type("Edt_Exe", document);
    EXPECT_FALSE(offered()) << document;
  }
  EXPECT_FALSE(d.p.Click(Wnd(), "CB_RunAs"));                   // no click reaches it
  EXPECT_TRUE(d.p.Control(Wnd(), "CmB_Show").control.enabled);  // a document's window shows too
  for (const char* program : {"C:\\Links\\Tool.lnk", "notepad.exe", "x.CMD"}) {
    Type("Edt_Exe", program);
    EXPECT_TRUE(offered()) << program;
  }
}

TEST_F(Editor, ANameTypedShowsInTheListLetterByLetterAndOkSavesTheItem) {
  Start(kThree);
  Open();
  Select(2);
  for (const char* typed : {"N", "No", "Not", "Note"}) {
    Type("Edt_Name", typed);
    EXPECT_EQ(Listed()[2], typed);
    EXPECT_EQ(Selected(), 2);
  }
  Type("Edt_Exe", "notepad.exe");
  ASSERT_TRUE(d.p.PressHotKeyInto(Wnd(), "HK_Main", HotKeyControlFromShortCut(scCtrl | scShift | 'N')));
  d.Pump();
  // A pasted text of two lines keeps its first; a long one is cut on a
  // character boundary at 254 bytes.
  Type("Edt_Par", "first\r\nsecond");
  EXPECT_EQ(Field("Edt_Par"), "first");
  Type("Edt_Dir", std::string(253, 'x') + "表");
  EXPECT_EQ(Field("Edt_Dir"), std::string(253, 'x'));
  Click("Btn_Ok");
  EXPECT_FALSE(Form_Set->Visible());
  // Keys keep their places; the new ones follow in their section.
  EXPECT_NE(d.IniText().find("[2]\r\nName=\"Note\"\r\nExe=\"notepad.exe\"\r\nHotKey=24654\r\nPar=\"first\"\r\nDir=\"" +
                             std::string(253, 'x') + "\"\r\n"),
            std::string::npos);
  // Its hotkey works at once.
  EXPECT_EQ(StartedBy(kModControl | kModShift, 'N'), V{"notepad.exe"});
}

TEST_F(Editor, ALeftChoiceMovesToTheItemLastCheckedAndOkStoresIt) {
  Start(kThree);
  Open();
  Select(0);
  Click("CB_LeftDoubleClickMenu");
  EXPECT_EQ(LeftDoubleClickMenuNo, 0);
  Select(2);
  Click("CB_LeftDoubleClickMenu");
  Select(0);
  EXPECT_FALSE(Checked("CB_LeftDoubleClickMenu"));
  Click("Btn_Ok");
  EXPECT_EQ(LeftDoubleClickMenuNo, 2);
  EXPECT_NE(d.IniText().find("LeftDoubleClickMenuNo=2"), std::string::npos);
}

TEST_F(Editor, ADroppedFileFillsNameProgramAndFolderAndTwoFilesAreRefused) {
  Start(kThree);
  Open();
  Select(1);
  struct Drop {
    std::string path, name, dir;
  };
  // "表" is 0x95 0x5C: its trail byte is no folder separator.
  const Drop drops[] = {{"C:\\Tools\\run.exe", "run.exe", "C:\\Tools"},
                        {"D:\\setup.exe", "setup.exe", "D:\\"},
                        {"C:\\表\\表.exe", "表.exe", "C:\\表"}};
  for (const Drop& drop : drops) {
    ASSERT_TRUE(d.p.DropFiles(Wnd(), {drop.path}));
    d.Pump();
    EXPECT_EQ(Field("Edt_Name"), drop.name);
    EXPECT_EQ(Listed()[1], drop.name);
    EXPECT_EQ(Field("Edt_Exe"), drop.path);
    EXPECT_EQ(Field("Edt_Dir"), drop.dir);
  }
  EXPECT_TRUE(d.p.liveDrops.empty());
  ASSERT_TRUE(d.p.DropFiles(Wnd(), {"C:\\a.exe", "C:\\b.exe"}));
  d.Pump();
  ASSERT_EQ(d.p.messageBoxes.size(), 1u);
  EXPECT_EQ(d.p.messageBoxes[0].text, "ドロップできるファイルは１つです。");
  EXPECT_EQ(d.p.messageBoxes[0].kind, Platform::BoxKind::Plain);
  EXPECT_EQ(Field("Edt_Exe"), "C:\\表\\表.exe");
  EXPECT_TRUE(d.p.liveDrops.empty());
  // The file dialog puts its choice into the program field only.
  d.p.onOpenFile = [this](Handle owner, std::u16string& path) {
    EXPECT_EQ(owner, Wnd());
    path = u"C:\\Picked\\p.exe";
    return true;
  };
  Click("Btn_ExeFName");
  EXPECT_EQ(Field("Edt_Exe"), "C:\\Picked\\p.exe");
  EXPECT_EQ(Field("Edt_Dir"), "C:\\表");
  Click("Btn_Cancel");
}

TEST_F(Editor, OkWithTwoItemsOfOneHotkeyReportsTheSecondAndTheFirstAnswers) {
  Start(kThree);
  Open();
  Select(2);
  ASSERT_TRUE(d.p.PressHotKeyInto(Wnd(), "HK_Main", HotKeyControlFromShortCut(kCtrlAltA)));
  d.Pump();
  Click("Btn_Ok");
  ASSERT_EQ(d.p.messageBoxes.size(), 1u);
  EXPECT_NE(d.p.messageBoxes[0].text.find("HotKey"), std::string::npos);
  EXPECT_EQ(StartedBy(kModControl | kModAlt, 'A'), V{"a.exe"});
}

TEST_F(Editor, DeletingEveryItemAndOkEmptiesTheMenuButTheFileKeepsThem) {
  Start(kThree);
  Open();
  for (int i = 0; i < 3; ++i) Click("Btn_Del");
  const std::string before = d.IniText();
  Click("Btn_Ok");
  EXPECT_EQ(Form_Main->PM_Left->Count(), 0);
  EXPECT_EQ(d.IniText(), before);
}

TEST_F(Editor, TheOtherSettingsAreModalAndTakenOnlyByOk) {
  Start(kThree);
  Open();
  // The dialog is modal: the editor takes no input until it closes.
  bool editorTookClick = true;
  d.p.Schedule(10, [&] {
    editorTookClick = d.p.Click(Wnd(), "Btn_Add");
    const Handle etc = Form_SetEtc->GetHandle();
    EXPECT_EQ(d.p.Control(etc, "HK_HotKey").hotKey, HotKeyControlFromShortCut(scCtrl | 'M'));
    d.p.PressHotKeyInto(etc, "HK_HotKey", HotKeyControlFromShortCut(scCtrl | 'K'));
    d.p.Click(etc, "CB_VisibleMenuIcon");
    d.p.Click(etc, "Btn_Close");
  });
  Click("Btn_SetEtc");
  EXPECT_FALSE(editorTookClick);
  EXPECT_FALSE(Form_SetEtc->Visible());
  EXPECT_TRUE(d.p.Click(Wnd(), "Btn_Cancel"));  // taking input again
  d.Pump();
  EXPECT_EQ(MenuHotKeyItem.HotKey, scCtrl | 'M');  // Cancel: from the file
  EXPECT_TRUE(VisibleMenuIcon);

  Open();
  d.p.Schedule(10, [&] {
    const Handle etc = Form_SetEtc->GetHandle();
    d.p.PressHotKeyInto(etc, "HK_HotKey", HotKeyControlFromShortCut('K'));  // a plain letter is taken
    d.p.Click(etc, "CB_VisibleMenuIcon");
    d.p.Click(etc, "Btn_Close");
  });
  Click("Btn_SetEtc");
  Click("Btn_Ok");
  EXPECT_EQ(MenuHotKeyItem.HotKey, 'K');
  EXPECT_FALSE(VisibleMenuIcon);
  EXPECT_NE(d.IniText().find("[-1]\r\nHotKey=75\r\n"), std::string::npos);
  EXPECT_TRUE(d.system().PressHotKey(0, 'K'));
  d.Pump();
  ASSERT_FALSE(d.p.popups.empty());
  EXPECT_EQ(d.p.popups.back().entries[0].bitmap, 0u);  // no icons now
}

TEST_F(Editor, ARefusedSaveIsShownAndTheHotkeysAndMenusComeBackAllTheSame) {
  Start(kThree);
  Open();
  std::filesystem::permissions(d.Ini(), std::filesystem::perms::owner_read);
  Click("Btn_Ok");
  ASSERT_EQ(d.p.messageBoxes.size(), 1u);
  EXPECT_EQ(d.p.messageBoxes[0].text, d.Ini() + " に書き込めません");
  EXPECT_FALSE(Form_Set->Visible());
  EXPECT_EQ(d.system().hotkeys.size(), 2u);
  EXPECT_EQ(Form_Main->PM_Left->Count(), 3);
  EXPECT_TRUE(Form_Main->PM_Right->AutoPopup);
  std::filesystem::permissions(d.Ini(), std::filesystem::perms::owner_all);
}

TEST_F(Editor, TheEndOfTheRunWithTheEditorOpenStoresOnlyWhatWasConfirmed) {
  // The session ends (or a close request comes) while the editor holds
  // changes that neither Ok nor Cancel confirmed: the file keeps its items,
  // and the run's end is stored all the same.
  for (bool endSession : {false, true}) {
    Desktop& e = d;
    Start(kThree);
    Open();
    Click("Btn_Add");
    Type("Edt_Name", "unstored");  // renamed in the list at once
    Select(2);
    Click("Btn_Del");
    Select(0);
    Click("CB_LeftDoubleClickMenu");
    if (endSession) {
      e.p.SendMessage(Application->GetHandle(), kWmEndSession, 1, 0);
      EXPECT_EQ(e.p.exitCode, 0);
      e.program->Finish();
      e.program.reset();
    } else {
      EXPECT_EQ(e.Close(), 0);
    }
    const std::string text = e.IniText();
    EXPECT_NE(text.find("Count=3"), std::string::npos) << endSession;
    EXPECT_NE(text.find("LeftDoubleClickMenuNo=1"), std::string::npos) << endSession;
    EXPECT_EQ(text.find("unstored"), std::string::npos) << endSession;
    EXPECT_NE(text.find("[2]\r\nName=\"C\""), std::string::npos) << endSession;
    EXPECT_NE(text.find("Last=26/12/07"), std::string::npos) << endSession;
    EXPECT_TRUE(e.p.messageBoxes.empty());
    std::filesystem::remove(e.Ini());
    e.system().mutexes.clear();  // the ended run's mutex goes with its process
  }
}

TEST_F(Editor, TheVersionBoxOpensOnceEnterClosesItAndEscapeDoesNot) {
  Start(kThree);
  Form_Main->MI_AboutClick(nullptr);
  Form_Main->MI_AboutClick(nullptr);
  const Handle about = Form_About->GetHandle();
  EXPECT_TRUE(Form_About->Visible());
  EXPECT_EQ(d.p.Control(about, "Lbl_Name").control.caption, "Vorlex Version 1.22");
  EXPECT_NE(d.p.Control(about, "Img_Main").icon, 0u);
  EXPECT_TRUE(d.p.Control(about, "Btn_OK").defaultButton);
  d.p.PressDialogKey(about, 0x1B);
  d.Pump();
  EXPECT_TRUE(Form_About->Visible());
  d.p.PressDialogKey(about, 0x0D);
  d.Pump();
  EXPECT_FALSE(Form_About->Visible());
  // The editor has no default button: Enter presses nothing there.
  Open();
  d.p.PressDialogKey(Wnd(), 0x0D);
  d.Pump();
  EXPECT_TRUE(Form_Set->Visible());
  Click("Btn_Cancel");
}

TEST_F(Editor, TheWindowsAreDescribedInTabOrderAtTheirSizes) {
  Start(kThree);
  const auto& set = *d.system().FindWindowRecord(Form_Set->GetHandle());
  EXPECT_EQ(set.desc.width, 656);
  EXPECT_EQ(set.desc.height, 301);
  EXPECT_EQ(d.p.Control(Wnd(), "LB_Select").itemHeight, 16);
  // The list's rows follow a DPI change as the rest does.
  const EdgeRect suggested{0, 0, 984, 452};
  d.p.SendMessage(Wnd(), kWmDpiChanged, (144u << 16) | 144u, reinterpret_cast<std::intptr_t>(&suggested));
  EXPECT_EQ(d.p.Control(Wnd(), "LB_Select").itemHeight, 24);
  d.p.SendMessage(Wnd(), kWmDpiChanged, (96u << 16) | 96u, 0);
  EXPECT_EQ(d.p.Control(Wnd(), "LB_Select").itemHeight, 16);
  // Made in tab order (Tab goes by the window order), each field just
  // after its own label, so that a screen reader names it after that label.
  EXPECT_EQ(d.p.ChildOrder(Wnd()), (V{"LB_Select",
                                      "Lbl_Name",
                                      "Edt_Name",
                                      "Lbl_HotKey",
                                      "HK_Main",
                                      "Btn_ExeFName",
                                      "Lbl_Exe",
                                      "Edt_Exe",
                                      "Lbl_Par",
                                      "Edt_Par",
                                      "Lbl_Dir",
                                      "Edt_Dir",
                                      "Lbl_DoubleClick",
                                      "CB_LeftDoubleClickMenu",
                                      "CB_RightDoubleClickMenu",
                                      "Lbl_Show",
                                      "CmB_Show",
                                      "CB_RunAs",
                                      "CB_Activate",
                                      "Btn_Up",
                                      "Btn_Down",
                                      "Btn_Add",
                                      "Btn_Del",
                                      "Btn_SetEtc",
                                      "Btn_Ok",
                                      "Btn_Cancel"}));
  EXPECT_EQ(d.p.ChildOrder(Form_SetEtc->GetHandle()),
            (V{"Lbl_LHotKey", "HK_HotKey", "CB_VisibleMenuIcon", "Btn_Close", "Bvl_HotKey"}));
  const V time = d.p.ChildOrder(Form_Time->Pnl_Main->GetHandle());
  for (const char* label : {"Lbl_NowL", "Lbl_LastL", "Lbl_StartL", "Lbl_SinceL"}) {
    auto at = std::find(time.begin(), time.end(), label);
    ASSERT_NE(at, time.end());
    EXPECT_EQ(*std::next(at), std::string(label).substr(0, std::strlen(label) - 1)) << label;  // its value
  }
  const auto& etc = *d.system().FindWindowRecord(Form_SetEtc->GetHandle());
  EXPECT_EQ(etc.desc.width, 242);
  EXPECT_EQ(etc.desc.height, 128);
  EXPECT_EQ(d.system().fonts.at(d.p.Control(Form_SetEtc->GetHandle(), "Btn_Close").control.font),
            (std::pair<std::string, int>{"ＭＳ ゴシック", 16}));
}

// ------------------------------------------------ Text CP932 cannot hold

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

// The item editor, the other settings dialog and the version box, driven by
// their controls as a person uses them on the headless desktop.
#include <cstring>

#include <filesystem>

#include "core/Unit_All.h"
#include "forms/Fom_About.h"
#include "forms/Fom_Set.h"
#include "forms/Fom_SetEtc.h"
#include "forms/Fom_Time.h"
#include "tests/editor_fixture.h"

namespace vx::test {

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

TEST_F(Editor, OpenAsMenuIsOfferedForFoldersOnlyAndStoredWithItsItem) {
  std::filesystem::create_directories(d.dir / "Tools");
  Start(kThree);
  Open();
  auto offered = [&] { return d.p.Control(Wnd(), "CB_Submenu").control.enabled; };
  EXPECT_FALSE(offered());  // a.exe
  Type("Edt_Exe", d.dir / "Tools");
  EXPECT_TRUE(offered());
  Click("CB_Submenu");
  Click("Btn_Ok");
  EXPECT_NE(d.IniText().find("Exe=\"" + d.dir / "Tools" + "\"\r\nPar=\"\"\r\nDir=\"\"\r\nSubmenu=1\r\n[1]"),
            std::string::npos)
      << d.IniText();
  Open();
  EXPECT_TRUE(offered());
  EXPECT_TRUE(Checked("CB_Submenu"));
  // A file, or nothing: not offered, and what the box holds stays stored.
  for (const std::string& other : {d.dir / "Tools" + "/x.txt", std::string("notepad.exe"), std::string()}) {
    Type("Edt_Exe", other);
    EXPECT_FALSE(offered()) << other;
  }
  EXPECT_TRUE(Checked("CB_Submenu"));
  Click("Btn_Cancel");
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
  // A shortcut on a share that answers slowly is read aside: typing goes on
  // meanwhile, and only the answer for what the field still holds counts.
  d.system().shortcuts["\\\\server\\tools\\Tool.lnk"] = "\\\\server\\tools\\tool.exe";
  d.p.slowShares["\\\\server\\"] = 5000;
  auto typeNow = [&](const std::string& text) {  // handled at once, no time let pass
    ASSERT_TRUE(d.p.Type(Wnd(), "Edt_Exe", text));
    Application->ProcessMessages();
  };
  const std::uint64_t start = d.p.tick;
  typeNow("\\\\server\\tools\\Tool.lnk");
  EXPECT_EQ(d.p.tick, start);  // not a moment's wait
  typeNow("C:\\readme.txt");
  EXPECT_FALSE(offered());
  d.p.RunClock(5000);
  EXPECT_FALSE(offered());  // the share's late answer was for another text
  typeNow("\\\\server\\tools\\Tool.lnk");
  EXPECT_FALSE(offered());  // not known yet
  d.p.RunClock(5000);
  EXPECT_TRUE(offered());
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
  // and the run's end and the hotkey-text switch, which the person set
  // from the command menu before, are stored all the same.
  for (bool endSession : {false, true}) {
    Desktop& e = d;
    Start(kThree);
    Form_Main->MI_ShortCutViewClick(nullptr);
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
    EXPECT_NE(text.find("ShortCutView=1"), std::string::npos) << endSession;
    EXPECT_TRUE(e.p.messageBoxes.empty());
    std::filesystem::remove(e.Ini());
    e.system().mutexes.clear();  // the ended run's mutex goes with its process
  }
}

// At every DPI a person uses, each window's controls lie inside their
// parent and none over another (a frame around a group aside), and the
// version box's icon is scaled once.
TEST(Windows, AtEveryDpiNoControlLiesOverAnother) {
  for (int dpi : {96, 144, 192}) {
    SCOPED_TRACE(dpi);
    Desktop e;
    e.system().dpi = dpi;
    e.WriteIni(kThree);
    ASSERT_EQ(e.Start(), -1);
    Form_Main->MI_AboutClick(nullptr);
    Form_Time->Show();
    e.Pump();
    const auto& windows = e.system().windows;
    auto sizeOf = [&](Handle wnd) {
      const auto& w = windows.at(wnd);
      return w.isControl ? Point{w.control.bounds.width, w.control.bounds.height} : Point{w.desc.width, w.desc.height};
    };
    // A control as the person sees it: a drop-down list's window takes in
    // its opened list, which lies over what is below it by design.
    auto shown = [&](const HeadlessSystem::Window& w) {
      Rect r = w.control.bounds;
      if (w.control.className == "COMBOBOX") r.height = Form_Set->Scale(24);
      return r;
    };
    auto visible = [&](Handle h) {
      for (; h && windows.at(h).isControl; h = windows.at(h).parent)
        if (!windows.at(h).control.visible) return false;
      return true;
    };
    for (const auto& [h, w] : windows) {
      if (!w.isControl || !visible(h)) continue;
      const Rect r = shown(w);
      const Point room = sizeOf(w.parent);
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.left + r.width <= room.x && r.top + r.height <= room.y)
          << w.control.name << " leaves its parent";
      if (w.control.edgesOnly) continue;
      for (const auto& [h2, w2] : windows) {
        if (h2 <= h || !w2.isControl || w2.parent != w.parent || w2.control.edgesOnly || !visible(h2)) continue;
        const Rect q = shown(w2);
        const bool apart = r.left + r.width <= q.left || q.left + q.width <= r.left || r.top + r.height <= q.top ||
                           q.top + q.height <= r.top;
        EXPECT_TRUE(apart) << w.control.name << " and " << w2.control.name;
      }
    }
    const Rect& image = e.p.Control(Form_About->GetHandle(), "Img_Main").control.bounds;
    EXPECT_EQ(image.width, 32 * dpi / 96);
    EXPECT_EQ(image.height, 32 * dpi / 96);
    EXPECT_EQ(e.Close(), 0);
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
                                      "CB_Win",
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
                                      "CB_Submenu",
                                      "Btn_Up",
                                      "Btn_Down",
                                      "Btn_Add",
                                      "Btn_Del",
                                      "Btn_Icon",
                                      "Btn_SetEtc",
                                      "Btn_Ok",
                                      "Btn_Cancel",
                                      "Img_Icon"}));
  EXPECT_EQ(d.p.ChildOrder(Form_SetEtc->GetHandle()),
            (V{"Lbl_LHotKey", "HK_HotKey", "CB_Win", "CB_VisibleMenuIcon", "CB_StartWithWindows", "Lbl_Language",
               "CmB_Language", "Btn_Close", "Bvl_HotKey", "Lbl_LanguageNote"}));
  const V time = d.p.ChildOrder(Form_Time->Pnl_Main->GetHandle());
  for (const char* label : {"Lbl_NowL", "Lbl_LastL", "Lbl_StartL", "Lbl_SinceL"}) {
    auto at = std::find(time.begin(), time.end(), label);
    ASSERT_NE(at, time.end());
    EXPECT_EQ(*std::next(at), std::string(label).substr(0, std::strlen(label) - 1)) << label;  // its value
  }
  const auto& etc = *d.system().FindWindowRecord(Form_SetEtc->GetHandle());
  EXPECT_EQ(etc.desc.width, 298);
  EXPECT_EQ(etc.desc.height, 204);
  EXPECT_EQ(d.system().fonts.at(d.p.Control(Form_SetEtc->GetHandle(), "Btn_Close").control.font),
            (std::pair<std::string, int>{"ＭＳ ゴシック", 16}));
}

}  // namespace vx::test

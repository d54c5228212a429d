#include "core/Unit_All.h"

#include "tests/harness.h"

namespace vx::test {

class Hotkeys : public CoreTest {
 protected:
  const std::vector<HeadlessPlatform::Box>& Boxes() const { return p.messageBoxes; }
  std::size_t Registered() const { return system.hotkeys.size(); }
};

constexpr ShortCut kCtrlAltA = scCtrl | scAlt | 0x41;

TEST_F(Hotkeys, RegisterAllGivesEachItemAnAtomNamedAfterItsIndex) {
  AddItem("zero", kCtrlAltA);
  AddItem("one", 0);
  AddItem("two", scShift | 0x74);
  MenuHotKeyItem.HotKey = scCtrl | 0x4D;
  RegisterAllHotKeys();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Registered(), 3u);
  EXPECT_NE(ExeList->Items(0)->Atom, 0);
  EXPECT_EQ(ExeList->Items(1)->Atom, 0);  // hotkey 0: no atom, no message
  EXPECT_EQ(system.atoms.at(ExeList->Items(0)->Atom).name, "Atom_Vorlex0");
  EXPECT_EQ(system.atoms.at(ExeList->Items(2)->Atom).name, "Atom_Vorlex2");
  EXPECT_EQ(system.atoms.at(MenuHotKeyItem.Atom).name, "Atom_Vorlex-1");
  // Every registration, the menu hotkey's too, asks for one press per hold.
  for (const auto& h : system.hotkeys) EXPECT_EQ(h.modifiers & kModNoRepeat, kModNoRepeat);
  const auto& hk = system.hotkeys.front();
  EXPECT_EQ(hk.modifiers & kModKeys, kModControl | kModAlt);
  EXPECT_EQ(hk.vk, 0x41u);
  EXPECT_EQ(hk.id, ExeList->Items(0)->Atom);
  EXPECT_EQ(hk.wnd, HotKeyWnd);

  UnregisterAllHotKeys();
  EXPECT_EQ(Registered(), 0u);
  EXPECT_TRUE(system.atoms.empty());
  EXPECT_EQ(ExeList->Items(0)->Atom, 0);
  EXPECT_EQ(MenuHotKeyItem.Atom, 0);
}

TEST_F(Hotkeys, TakenKeysAreReportedWithNameAndKeyText) {
  AddItem("first", kCtrlAltA);
  AddItem("second", kCtrlAltA);
  MenuHotKeyItem.HotKey = kCtrlAltA;
  RegisterAllHotKeys();
  ASSERT_EQ(Boxes().size(), 2u);
  const std::string head = "HotKeyの登録に失敗しました。\r\nそのHotKeyはすでに使用されている可能性があります。\r\n";
  EXPECT_EQ(Boxes()[0].text, head + "[second (Ctrl + Alt + A)]");
  EXPECT_EQ(Boxes()[0].caption, "Vorlex");
  EXPECT_EQ(Boxes()[1].text, head + "[HotKeyによるメニュー表示 (Ctrl + Alt + A)]");
  EXPECT_NE(ExeList->Items(0)->Atom, 0);
  EXPECT_EQ(ExeList->Items(1)->Atom, 0);
  EXPECT_EQ(MenuHotKeyItem.Atom, 0);
  EXPECT_EQ(system.atoms.size(), 1u);  // failed atoms were deleted again
}

TEST_F(Hotkeys, AKeyHeldByAnotherProgramIsReported) {
  system.OccupyHotKey(kModShift, 0x74);
  AddItem("F5 item", scShift | 0x74);
  EXPECT_EQ(RegisterItemHotKey(0, scShift | 0x74), -1);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].text.find("[F5 item (Shift + F5)]"), std::string::npos);
}

TEST_F(Hotkeys, AWindowsKeyHotkeyRegistersWithItAndOneWindowsKeepsIsRefused) {
  struct Case {
    ShortCut key;
    bool win;
    std::uint32_t modifiers;  // registered; 0: refused
    const char* text;
  } const cases[] = {
      {scCtrl | 0x78, true, kModWin | kModControl, "Win + Ctrl + F9"},
      {scCtrl | 0x78, false, kModControl, "Ctrl + F9"},  // the same keys without Win are another hotkey
      {scAlt | scShift | scCtrl | 0x4E, true, kModWin | kModControl | kModShift | kModAlt,
       "Win + Ctrl + Shift + Alt + N"},
      {0x4C, true, 0, "Win + L"},  // locks the computer
      {0x45, true, 0, "Win + E"},  // Explorer's
  };
  for (const Case& c : cases) AddItem("item", c.key)->Win = c.win;
  MenuHotKeyItem.HotKey = scCtrl | 0x4D;  // a refused item breaks nothing else
  RegisterAllHotKeys();
  std::size_t refused = 0;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ShortCutText(c.key, c.win), c.text);
    const TVorlexType* item = ExeList->Items(static_cast<int>(i));
    if (c.modifiers == 0) {
      EXPECT_EQ(item->Atom, 0);
      ASSERT_GT(Boxes().size(), refused);
      EXPECT_NE(Boxes()[refused++].text.find(std::string("[item (") + c.text + ")]"), std::string::npos);
      continue;
    }
    ASSERT_NE(item->Atom, 0);
    EXPECT_TRUE(system.PressHotKey(c.modifiers, c.key & scKeyMask));
    for (const auto& h : system.hotkeys) {
      if (h.id == item->Atom) {
        EXPECT_EQ(h.modifiers, c.modifiers | kModNoRepeat);
      }
    }
  }
  EXPECT_EQ(Boxes().size(), refused);
  EXPECT_NE(MenuHotKeyItem.Atom, 0);
}

TEST_F(Hotkeys, ATooLongAtomNameReportsEveryRecordInTurn) {
  AtomName = std::string(300, 'x');
  AddItem("a", kCtrlAltA);
  AddItem("b", scCtrl | 0x42);
  MenuHotKeyItem.Name = "MenuHotKey";
  MenuHotKeyItem.HotKey = scCtrl | 0x43;
  RegisterAllHotKeys();
  const std::string head = "グローバルアトムテーブルの登録に失敗しました。\r\nAtomNameの値を変更してください。\r\n";
  ASSERT_EQ(Boxes().size(), 3u);
  EXPECT_EQ(Boxes()[0].text, head + "[a]");
  EXPECT_EQ(Boxes()[1].text, head + "[b]");
  EXPECT_EQ(Boxes()[2].text, head + "[MenuHotKey]");
  EXPECT_EQ(Registered(), 0u);
}

TEST_F(Hotkeys, ReRegistrationAndIndexesOutsideTheList) {
  AddItem("a", kCtrlAltA);
  ASSERT_EQ(RegisterItemHotKey(0, kCtrlAltA), 0);
  // Registering again releases the old registration and atom first.
  EXPECT_EQ(RegisterItemHotKey(0, kCtrlAltA), 0);
  EXPECT_EQ(Registered(), 1u);
  EXPECT_EQ(system.atoms.size(), 1u);
  EXPECT_EQ(system.atoms.at(ExeList->Items(0)->Atom).refs, 1);
  // Hotkey 0 keeps what the record holds.
  EXPECT_EQ(RegisterItemHotKey(0, 0), -1);
  EXPECT_NE(ExeList->Items(0)->Atom, 0);
  // At or beyond the count: nothing changes.
  EXPECT_EQ(RegisterItemHotKey(1, scCtrl | 0x42), -1);
  EXPECT_EQ(UnregisterItemHotKey(1), -1);
  EXPECT_EQ(UnregisterItemHotKey(0), 0);
  EXPECT_EQ(UnregisterItemHotKey(0), -1);
  // Index -1 works with an empty list.
  ExeList->Clear();
  MenuHotKeyItem.HotKey = scAlt | 0x5A;
  EXPECT_EQ(RegisterItemHotKey(-1, MenuHotKeyItem.HotKey), 0);
  EXPECT_EQ(UnregisterItemHotKey(-1), 0);
  EXPECT_TRUE(system.hotkeys.empty());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(Hotkeys, AtomsAreSharedWithOtherProcessesByReference) {
  HeadlessPlatform other(system, "/x/Other.exe");
  const std::uint16_t theirs = other.GlobalAddAtom("Atom_Vorlex0");
  AddItem("a", kCtrlAltA);
  RegisterItemHotKey(0, kCtrlAltA);
  EXPECT_EQ(ExeList->Items(0)->Atom, theirs);
  UnregisterItemHotKey(0);
  EXPECT_EQ(system.atoms.count(theirs), 1u);  // still theirs
}

TEST_F(CoreTest, ShortCutTextNamesModifiersInAFixedOrder) {
  EXPECT_EQ(ShortCutText(0), "");
  EXPECT_EQ(ShortCutText(scAlt | scShift | scCtrl | 0x74), "Ctrl + Shift + Alt + F5");
  EXPECT_EQ(ShortCutText(scCtrl | scAlt), "Ctrl + Alt + ");  // modifiers and key 0
  EXPECT_EQ(ShortCutText(0x41), "A");
  // The extended-key bit is never set, so arrows take their keypad names.
  EXPECT_EQ(KeyNameText(0x25), "Num 4");
  EXPECT_EQ(KeyNameText(0x2E), "Num Del");
  EXPECT_EQ(KeyNameText(0xFF), "");  // no scan code
}

TEST_F(CoreTest, HotKeyControlValuesConvertBothWays) {
  EXPECT_EQ(ShortCutFromHotKeyControl(0x0641), scCtrl | scAlt | 0x41);  // HOTKEYF_CONTROL|HOTKEYF_ALT
  EXPECT_EQ(ShortCutFromHotKeyControl(0x0174), scShift | 0x74);
  EXPECT_EQ(ShortCutFromHotKeyControl(0x0200), 0);  // modifiers alone are no hotkey
  EXPECT_EQ(HotKeyControlFromShortCut(scCtrl | scAlt | 0x41), 0x0641);
  const HotKeyParts parts = SplitShortCut(scAlt | scCtrl | scShift | 0x41);
  EXPECT_EQ(parts.modifiers, kModAlt | kModControl | kModShift);
  EXPECT_EQ(parts.vk, 0x41u);
}

TEST_F(CoreTest, ExecItemOpensTheItemThroughTheShell) {
  AddItem("doc", 0, "C:\\a.txt")->Dir = "C:\\";
  AddItem("empty", 0, "");
  ExecItem(0);
  ExecItem(1);   // no Exe
  ExecItem(2);   // the count
  ExecItem(-1);  // none
  ASSERT_EQ(p.launches.size(), 1u);
  EXPECT_EQ(p.launches[0].verb, "OPEN");
  EXPECT_EQ(p.launches[0].file, "C:\\a.txt");
  EXPECT_EQ(p.launches[0].params, "");
  EXPECT_EQ(p.launches[0].dir, "C:\\");
  EXPECT_EQ(p.launches[0].show, 5);
  // A start the shell refuses (the file is gone) is the shell's to explain:
  // Vorlex says nothing more, and the next start goes ahead.
  p.unopenable.insert("C:\\a.txt");
  ExecItem(0);
  EXPECT_EQ(p.launches.size(), 2u);
  EXPECT_TRUE(p.messageBoxes.empty());
}

TEST_F(CoreTest, AFolderMenusEntryStartsInItsFolderAndASystem32ProgramAs64BitWindowsHasIt) {
  p.environment["windir"] = "C:\\Windows";
  p.wow64 = true;
  OpenFolderEntry(FilePath("C:\\Tools\\Büro ☕\\notes.txt"), false);
  OpenFolderEntry(FilePath("C:\\Windows\\System32\\cmd.exe"), false);
  OpenFolderEntry(FilePath("C:\\Windows\\System32\\license.rtf"), false);
  ASSERT_EQ(p.launches.size(), 3u);
  EXPECT_EQ(p.launches[0].file, "C:\\Tools\\Büro ☕\\notes.txt");
  EXPECT_EQ(p.launches[0].dir, "C:\\Tools\\Büro ☕");
  EXPECT_EQ(p.launches[0].verb, "OPEN");
  EXPECT_EQ(p.launches[0].show, 5);
  EXPECT_EQ(p.launches[1].file, "C:\\Windows\\Sysnative\\cmd.exe");
  EXPECT_EQ(p.launches[2].file, "C:\\Windows\\System32\\license.rtf");  // its program reads it in its own view
}

// The start options, on a desktop where the started programs open windows.
class StartOptions : public CoreTest {
 protected:
  static constexpr const char* kEditor = "C:\\Tools\\edit.exe";
  StartOptions() { system.windowedPrograms = {kEditor, "C:\\Other\\edit.exe"}; }
  TVorlexType* Editor(std::uint8_t activate = 1) {
    TVorlexType* item = AddItem("edit", 0, kEditor);
    item->Activate = activate;
    return item;
  }
  int Copies(const std::string& image) const {
    int n = 0;
    for (const auto& w : system.otherWindows) n += w.image == image;
    return n;
  }
};

TEST_F(StartOptions, ARunningProgramComesForwardInsteadOfASecondCopy) {
  Editor();
  AddItem("plain", 0, "C:\\Other\\edit.exe");  // the same file name in another folder
  ExecItem(0);
  const Handle first = system.foreground;
  EXPECT_EQ(Copies(kEditor), 1);
  ExecItem(1);  // another program: its own copy, in front
  EXPECT_EQ(Copies("C:\\Other\\edit.exe"), 1);
  ExecItem(0);
  EXPECT_EQ(Copies(kEditor), 1);
  EXPECT_EQ(system.foreground, first);
  EXPECT_EQ(p.launches.size(), 2u);
  // Minimized, it is restored.
  system.otherWindows.front().minimized = true;
  system.foreground = 0;
  ExecItem(0);
  EXPECT_FALSE(system.otherWindows.front().minimized);
  EXPECT_EQ(system.foreground, first);
  // Without the option each start is a copy of its own.
  ExecItem(1);
  EXPECT_EQ(Copies("C:\\Other\\edit.exe"), 2);
}

TEST_F(StartOptions, RepeatedStartsGoThroughTheProgramsWindows) {
  Editor();
  const Handle a = system.OpenProgramWindow(kEditor);
  const Handle b = system.OpenProgramWindow("C:\\TOOLS\\Edit.EXE");  // the file system's letters
  const Handle c = system.OpenProgramWindow(kEditor);
  system.OpenProgramWindow("C:\\Other\\edit.exe");  // in front, and not the item's
  std::vector<Handle> seen;
  for (int i = 0; i < 4; ++i) {
    ExecItem(0);
    seen.push_back(system.foreground);
  }
  // First the frontmost of them; then, it being the foreground, the backmost each time.
  EXPECT_EQ(seen, (std::vector<Handle>{c, a, b, c}));
  EXPECT_TRUE(p.launches.empty());
  // Refused the foreground, the window is not doubled either.
  system.foregroundLocked = true;
  ExecItem(0);
  EXPECT_TRUE(p.launches.empty());
}

TEST_F(StartOptions, ShortcutsAndShortNamesMatchTheProgramTheyName) {
  system.shortcuts["C:\\Links\\Edit.lnk"] = kEditor;
  system.shortcuts["C:\\Links\\Notes.lnk"] = "C:\\notes.txt";
  p.shortNames[u"C:\\Tools\\edit.exe"] = u"C:\\TOOLS~1\\edit.exe";
  const Handle running = system.OpenProgramWindow(kEditor);
  system.OpenProgramWindow("C:\\Other\\x.exe");
  AddItem("link", 0, "C:\\Links\\Edit.lnk")->Activate = 1;
  AddItem("short", 0, "C:\\TOOLS~1\\edit.exe")->Activate = 1;
  AddItem("bare", 0, "EDIT.exe")->Activate = 1;  // found by the shell's search: its file name
  for (int i = 0; i < 3; ++i) {
    system.foreground = 0;
    ExecItem(i);
    EXPECT_EQ(system.foreground, running) << i;
  }
  EXPECT_TRUE(p.launches.empty());
  // A shortcut to a document, a document, a folder and a URL start as before.
  AddItem("notes", 0, "C:\\Links\\Notes.lnk")->Activate = 1;
  AddItem("doc", 0, "C:\\Tools\\edit.txt")->Activate = 1;
  AddItem("folder", 0, "C:\\Tools")->Activate = 1;
  AddItem("site", 0, "https://edit.com")->Activate = 1;
  for (int i = 3; i < 7; ++i) ExecItem(i);
  ASSERT_EQ(p.launches.size(), 4u);
  EXPECT_EQ(p.launches[3].file, "https://edit.com");
}

TEST_F(StartOptions, ElevatedAndShownStartsAskTheShellForThem) {
  TVorlexType* item = Editor(0);
  AddItem("doc", 0, "C:\\a.txt")->RunAs = 1;
  item->Show = smMinimized;
  ExecItem(0);
  item->Show = smMaximized;
  item->RunAs = 1;
  ExecItem(0);
  item->RunAs = 0;
  item->Show = smNormal;
  ExecItem(0, true);  // Ctrl+Shift: elevated this once
  ExecItem(1);        // a document has no "runas": opened as before
  ExecItem(1, true);
  ASSERT_EQ(p.launches.size(), 5u);
  const std::vector<std::pair<std::string, int>> asked = {{"OPEN", kSwShowMinNoActive},
                                                          {"runas", kSwShowMaximized},
                                                          {"runas", kSwShow},
                                                          {"OPEN", kSwShow},
                                                          {"OPEN", kSwShow}};
  for (std::size_t i = 0; i < asked.size(); ++i) {
    EXPECT_EQ(p.launches[i].verb, asked[i].first) << i;
    EXPECT_EQ(p.launches[i].show, asked[i].second) << i;
  }
  // A minimized start leaves the foreground where it was.
  EXPECT_TRUE(system.otherWindows.back().minimized);
  auto startsProgram = [&](const std::string& exe) {
    int answers = 0;
    bool program = false;
    FindStartsProgram(exe, [&](bool found) {
      program = found;
      ++answers;
    });
    EXPECT_EQ(answers, 1) << exe;
    return program;
  };
  EXPECT_TRUE(startsProgram("C:\\x.cmd"));
  EXPECT_FALSE(startsProgram("mailto:a@b.com"));
  EXPECT_FALSE(startsProgram("C:\\"));
}

TEST_F(CoreTest, TheListKeepsRecordsAndChecksIndexes) {
  TVorlexType* a = AddItem("a");
  AddItem("b");
  EXPECT_EQ(a->Atom, 0);
  EXPECT_EQ(a->HotKey, 0);
  ExeList->Move(0, 1);
  EXPECT_EQ(ExeList->Items(1), a);  // records keep their address
  try {
    ExeList->Items(2);
    FAIL();
  } catch (const std::out_of_range& e) {
    EXPECT_EQ(std::string(e.what()), "リストのインデックスが範囲を超えています (2)");
  }
  MenuHotKeyItem.HotKey = 5;
  MenuHotKeyItem.Atom = 9;
  ClearExeList();
  EXPECT_EQ(ExeList->Count(), 0);
  EXPECT_EQ(MenuHotKeyItem.HotKey, 5);
  EXPECT_EQ(MenuHotKeyItem.Atom, 9);
  ClearExeList();
  EXPECT_EQ(ExeList->Count(), 0);
  MenuHotKeyItem.Atom = 0;
  // Records added after a clear are zero-filled, whatever the records the
  // list held before them had.
  TVorlexType* full = AddItem("full", 0x4041, "C:\\x.exe");
  full->Par = "-p";
  full->Dir = "C:\\";
  full->Atom = 7;
  ClearExeList();
  for (TVorlexType* r : {ExeList->Add(), ExeList->Insert(0), ExeList->Add()}) {
    EXPECT_EQ(r->Atom, 0);
    EXPECT_EQ(r->HotKey, 0);
    EXPECT_EQ(r->Name + r->Exe + r->Par + r->Dir, "");
  }
  EXPECT_EQ(ExeList->Count(), 3);
}

}  // namespace vx::test

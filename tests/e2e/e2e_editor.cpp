// End-to-end tests of the item editor, the other settings and the version
// box, by real clicks and keys.
#include "tests/e2e/e2e_fixture.h"

using namespace e2e;

TEST_F(E2E, AnItemAddedInTheEditorWithRealClicksAndKeysIsSavedAndItsHotkeyStartsIt) {
  Vorlex v(folder);
  StartWithItems(v);
  EXPECT_FALSE(HotKeyFree(kCtrlAlt, VK_F9));
  HWND editor = OpenEditor(v);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(WindowText(editor), L"メニュー項目設定");
  EXPECT_EQ(ClientSize(editor).cx, 656);
  EXPECT_EQ(ClientSize(editor).cy, 301);
  // While it is open every hotkey is free, and a click on the icon opens no menu.
  EXPECT_TRUE(HotKeyFree(kCtrlAlt, VK_F9));
  EXPECT_TRUE(HotKeyFree(kCtrlAlt, VK_F11));
  RECT icon;
  if (WineTrayIconRect(icon)) {
    PersonClick(icon, true, 1);
    EXPECT_TRUE(HoldsFor([&] { return !FindWindowOf(v.Pid(), L"#32768", true); }, 1000));
  }

  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"追加")));
  HWND list = ChildOfClass(editor, L"ListBox");
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(WaitUntil([list] { return SendMessageW(list, LB_GETCOUNT, 0, 0) == 4; }, 2000));
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
  Retype(ChildOfClass(editor, L"Edit", 0), L"Marker");
  wchar_t entry[64] = {};
  SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(entry));
  EXPECT_STREQ(entry, L"Marker");  // the list follows the typing
  Retype(ChildOfClass(editor, L"Edit", 1), folder + L"\\vx_marker.exe");
  Retype(ChildOfClass(editor, L"Edit", 2), L"z.txt");
  Retype(ChildOfClass(editor, L"Edit", 3), folder);
  EXPECT_TRUE(TypeHotkey(editor, {VK_CONTROL, VK_MENU}, VK_F8));
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Ok")));
  ASSERT_TRUE(WaitHidden(editor));

  const std::string ini = ReadBytes(Ini());
  EXPECT_NE(ini.find("Count=4"), std::string::npos);
  EXPECT_NE(ini.find("[0]\r\nName=\"Marker\"\r\nHotKey=" + std::to_string(0x4000 | 0x8000 | VK_F8) + "\r\nExe=\"" +
                     Cp932(folder) + "\\vx_marker.exe\"\r\nPar=\"z.txt\"\r\nDir=\"" + Cp932(folder) + "\"\r\n"),
            std::string::npos)
      << ini;
  EXPECT_FALSE(HotKeyFree(kCtrlAlt, VK_F9));  // registered again
  PressHotkey({VK_CONTROL, VK_MENU}, VK_F8);
  EXPECT_TRUE(WaitFile(folder + L"\\z.txt", 15000));
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, CancelInTheEditorLeavesTheFileAndTheHotkeysAsTheyWere) {
  Vorlex v(folder);
  StartWithItems(v);
  const std::string before = ReadBytes(Ini());
  HWND editor = OpenEditor(v);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"削除")));
  Retype(ChildOfClass(editor, L"Edit", 0), L"changed");
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Cancel")));
  ASSERT_TRUE(WaitHidden(editor));
  EXPECT_EQ(ReadBytes(Ini()), before);
  EXPECT_FALSE(HotKeyFree(kCtrlAlt, VK_F9));
  PressHotkey({VK_CONTROL, VK_MENU}, VK_F9);  // item 0 is back and answers
  EXPECT_TRUE(WaitFile(folder + L"\\work\\a.txt", 15000));
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, TheOtherSettingsAreModalAndTheirMenuHotkeyPopsTheMenuUpAfterOk) {
  Vorlex v(folder);
  HWND editor = StartWithEditor(v);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"その他の設定")));
  HWND etc = WaitWindowOf(v.Pid(), L"TForm_SetEtc", 10000, true);
  ASSERT_NE(etc, nullptr);
  EXPECT_FALSE(IsWindowEnabled(editor));  // no input for the editor meanwhile
  EXPECT_TRUE(TypeHotkey(etc, {VK_CONTROL, VK_MENU}, VK_F12));
  ASSERT_TRUE(ClickWindow(ChildWithText(etc, L"閉じる")));
  ASSERT_TRUE(WaitHidden(etc));
  // The editor is enabled again as the modal dialog's loop ends, just after.
  EXPECT_TRUE(WaitUntil([editor] { return IsWindowEnabled(editor) != FALSE; }, 2000));
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Ok")));
  ASSERT_TRUE(WaitHidden(editor));
  EXPECT_NE(ReadBytes(Ini()).find("[-1]\r\nHotKey=" + std::to_string(0x4000 | 0x8000 | VK_F12)), std::string::npos);
  PressHotkey({VK_CONTROL, VK_MENU}, VK_F12);
  ASSERT_TRUE(v.CloseMenu());  // the launch menu popped up; Escape closes it
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, TheVersionBoxOpensOnceEnterClosesItAndEscapeDoesNot) {
  Vorlex v(folder);
  StartWithItems(v);
  ASSERT_TRUE(ChooseCommand(v, "MI_About"));
  HWND about = WaitWindowOf(v.Pid(), L"TForm_About", 10000, true);
  ASSERT_NE(about, nullptr);
  ASSERT_TRUE(ChooseCommand(v, "MI_About"));
  auto shown = [&] {
    int n = 0;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      wchar_t cls[64];
      GetClassNameW(w, cls, 64);
      if (pid == v.Pid() && IsWindowVisible(w) && lstrcmpW(cls, L"TForm_About") == 0) ++n;
    }
    return n;
  };
  EXPECT_TRUE(HoldsFor([&] { return shown() == 1; }, 300));
  EXPECT_EQ(WindowText(about), L"バージョン情報");
  EXPECT_NE(ChildWithText(about, L"Vorlex Version 1.22"), nullptr);
  SetForegroundWindow(about);
  WaitUntil([about] { return GetForegroundWindow() == about; }, 2000);
  PressKeys({}, VK_ESCAPE);
  EXPECT_TRUE(HoldsFor([about] { return IsWindowVisible(about) != FALSE; }, 500));
  PressKeys({}, VK_RETURN);
  EXPECT_TRUE(WaitHidden(about));
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, TabAndShiftTabMoveThroughTheEditorInItsTabOrder) {
  Vorlex v(folder);
  HWND editor = StartWithEditor(v);
  ASSERT_NE(editor, nullptr);
  HWND list = ChildOfClass(editor, L"ListBox");
  ASSERT_TRUE(ClickWindow(list));
  EXPECT_TRUE(FocusComesTo(list));
  PressKeys({}, VK_TAB);
  EXPECT_TRUE(FocusComesTo(ChildOfClass(editor, L"Edit", 0)));
  PressKeys({}, VK_TAB);
  EXPECT_TRUE(FocusComesTo(ChildOfClass(editor, L"msctls_hotkey32")));
  PressKeys({}, VK_TAB);
  EXPECT_TRUE(FocusComesTo(ChildWithText(editor, L"Win")));  // the hotkey's Windows key
  PressKeys({}, VK_TAB);
  EXPECT_TRUE(FocusComesTo(ChildWithText(editor, L"参照")));
  for (int i = 0; i < 3; ++i) PressKeys({VK_SHIFT}, VK_TAB);
  EXPECT_TRUE(FocusComesTo(ChildOfClass(editor, L"Edit", 0)));
  // Enter and Escape press no button of the editor.
  PressKeys({}, VK_RETURN);
  PressKeys({}, VK_ESCAPE);
  EXPECT_TRUE(HoldsFor([editor] { return IsWindowVisible(editor) != FALSE; }, 300));
  EXPECT_TRUE(CancelAndClose(v, editor));
}

// The editor opens with the keyboard in its list, each field after its
// label; the session ending while it is open leaves the items as the file
// had them.
TEST_F(E2E, TheEditorOpensInItsListAndTheSessionEndingLeavesTheItemsAsTheFileHadThem) {
  Vorlex v(folder);
  HWND editor = StartWithEditor(v);
  ASSERT_NE(editor, nullptr);
  HWND list = ChildOfClass(editor, L"ListBox");
  EXPECT_TRUE(FocusComesTo(list));  // the keyboard is in the list, unclicked
  // A screen reader names a field after the static text just before it.
  ExpectLabelsBeforeFields(editor, {L"名前", L"HotKey", L"ﾌﾟﾛｸﾞﾗﾑ", L"ﾊﾟﾗﾒｰﾀ", L"ﾃﾞｨﾚｸﾄﾘ"});
  EXPECT_NE(WindowText(GetWindow(list, GW_HWNDPREV)), L"ﾀﾞﾌﾞﾙｸﾘｯｸ呼出");
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"削除")));  // neither Ok nor Cancel follows
  ASSERT_TRUE(WaitUntil([list] { return SendMessageW(list, LB_GETCOUNT, 0, 0) == 2; }, 2000));
  ASSERT_TRUE(EndSession(v));
  EXPECT_EQ(v.WaitExit(), 0u);
  const std::string ini = ReadBytes(Ini());
  EXPECT_NE(ini.find("[Basic]\r\nCount=3\r\n"), std::string::npos);
  EXPECT_NE(ini.find(Sjis("[0]\r\nName=\"項目 A\"")), std::string::npos);
  EXPECT_NE(ini.find("[2]\r\nName=\"Item C\""), std::string::npos);
  EXPECT_NE(TimeValue(ini, "Last"), L"<none>");  // the run's end is stored as ever
}

// "Change icon..." opens Windows' icon picker on the item's program; where
// the system has no picker (Wine answers -1), the icon's file is chosen in
// the open dialog. The editor shows the chosen icon at once, and Ok stores it.
TEST_F(E2E, AnIconChosenInTheEditorIsShownThereAndStored) {
  CreateDirectoryW((folder + L"\\icons").c_str(), nullptr);
  const std::wstring red = folder + L"\\icons\\red.ico";
  WriteBytes(red, SolidIcon(32, 0xFF0000));
  Vorlex v(folder);
  HWND editor = StartWithEditor(v);
  ASSERT_NE(editor, nullptr);
  HWND preview = nullptr;
  for (int i = 0; HWND c = ChildOfClass(editor, L"Static", i); ++i)
    if ((GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) preview = c;
  ASSERT_NE(preview, nullptr);
  RECT shown;
  ASSERT_TRUE(GetWindowRect(preview, &shown));
  EXPECT_EQ(RedPixels(shown), 0);  // the program's own icon
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"アイコンの変更...")));
  HWND picker = WaitWindowOf(v.Pid(), L"#32770", 10000, true);
  ASSERT_NE(picker, nullptr);
  // Wine has no picker: the open dialog's file name field takes the path.
  HWND name =
      FindWindowExW(FindWindowExW(GetDlgItem(picker, 1148), nullptr, L"ComboBox", nullptr), nullptr, L"Edit", nullptr);
  ASSERT_NE(name, nullptr);
  Retype(name, red);
  PressKeys({}, VK_RETURN);
  ASSERT_TRUE(WaitHidden(picker, 10000));
  EXPECT_TRUE(WaitUntil([&] { return RedPixels(shown) >= 32 * 32 * 3 / 4; }, 5000)) << RedPixels(shown);
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Ok")));
  ASSERT_TRUE(WaitHidden(editor));
  EXPECT_NE(ReadBytes(Ini()).find("Icon=\"" + Cp932(red) + ",0\"\r\n"), std::string::npos) << ReadBytes(Ini());
  EXPECT_EQ(v.Close(), 0u);
}

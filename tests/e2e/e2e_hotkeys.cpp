// End-to-end tests of hotkeys and launching.
#include "tests/e2e/e2e_fixture.h"

using namespace e2e;

TEST_F(E2E, AnItemsHotkeyStartsTheItemOnceEachPress) {
  Vorlex v(folder);
  StartWithItems(v);
  const std::wstring marker = folder + L"\\work\\a.txt";
  PressHotkey({VK_CONTROL, VK_MENU}, VK_F9);
  ASSERT_TRUE(WaitFile(marker, 15000));
  const std::wstring text = ReadMarker(marker);
  EXPECT_EQ(text.substr(0, text.find(L'\n')), L"a.txt first \"quoted two\"");
  EXPECT_NE(text.find(L"\n" + folder + L"\\work\n"), std::wstring::npos) << Cp932(text);
  // Released, then pressed again: one more start, and no other effect.
  DeleteFileW(marker.c_str());
  PressHotkey({VK_CONTROL, VK_MENU}, VK_F9);
  EXPECT_TRUE(WaitFile(marker, 15000));
  EXPECT_EQ(FindWindowOf(v.Pid(), L"#32770", true), nullptr);
  EXPECT_EQ(v.Close(), 0u);
}

// The Win box ticked in the editor by a click, the key typed into the
// hotkey field: Win+Ctrl+F9 pressed starts the item, Ctrl+F9 alone does not.
TEST_F(E2E, AWindowsKeyHotkeySetInTheEditorStartsItsItem) {
  Vorlex v(folder);
  HWND editor = StartWithEditor(v);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(TypeHotkey(editor, {VK_CONTROL}, VK_F9));
  EXPECT_EQ(SendMessageW(ChildOfClass(editor, L"msctls_hotkey32"), HKM_GETHOTKEY, 0, 0),
            (HOTKEYF_CONTROL << 8) | VK_F9);
  HWND win = ChildWithText(editor, L"Win");
  ASSERT_TRUE(ClickWindow(win));
  EXPECT_TRUE(WaitUntil([win] { return SendMessageW(win, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 2000));
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Ok")));
  ASSERT_TRUE(WaitHidden(editor));
  EXPECT_NE(ReadBytes(Ini()).find("HotKey=" + std::to_string(0x4000 | VK_F9) + "\r\n"), std::string::npos);
  EXPECT_NE(ReadBytes(Ini()).find("Win=1\r\n"), std::string::npos);
  EXPECT_FALSE(HotKeyFree(MOD_WIN | MOD_CONTROL, VK_F9));
  EXPECT_TRUE(HotKeyFree(MOD_CONTROL, VK_F9));

  const std::wstring marker = folder + L"\\work\\a.txt";
  PressHotkey({VK_CONTROL}, VK_F9);
  EXPECT_FALSE(WaitFile(marker, 1000));
  PressHotkey({VK_LWIN, VK_CONTROL}, VK_F9);
  EXPECT_TRUE(WaitFile(marker, 15000));
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, ATakenHotkeyIsReportedNamingTheItemAndItsKey) {
  const auto [text, keys] = StartWithCtrlAltF9Taken();
  EXPECT_EQ(text, L"HotKeyの登録に失敗しました。\r\nそのHotKeyはすでに使用されている可能性があります。\r\n[項目 A (" +
                      keys + L")]");
}

TEST_F(E2E, AHotkeyMessageWithoutAnItemIsReported) {
  Vorlex v(folder);
  StartWithItems(v);
  PostMessageW(v.MainWindow(), WM_HOTKEY, 0xC999, 0);
  const auto [caption, text] = v.TakeMessageBox();
  EXPECT_EQ(caption, L"Vorlex");
  EXPECT_EQ(text, L"Error[キーに対応するアプリが無い]");
  EXPECT_EQ(v.Close(), 0u);
}

// An item added to the settings file by hand while Vorlex runs, as a text
// editor saves it: its hotkey starts it at once, and the exit keeps it.
TEST_F(E2E, AnItemAddedByHandWhileRunningStartsByItsHotkeyAndStays) {
  Vorlex v(folder);
  StartWithItems(v);
  std::string ini = Items(folder);
  ini.replace(ini.find("Count=3"), 7, "Count=4");
  ini += "[3]\r\nName=\"D\"\r\nHotKey=" + std::to_string(0x4000 | 0x8000 | VK_F8) + "\r\nExe=\"" + Cp932(folder) +
         "\\vx_marker.exe\"\r\nPar=\"d.txt\"\r\nDir=\"" + Cp932(folder) + "\"\r\n";
  WriteBytes(Ini(), ini);
  const std::wstring marker = folder + L"\\d.txt";
  // Read once the folder's notices have paused: pressed until it starts.
  EXPECT_TRUE(WaitUntil(
      [&] {
        PressHotkey({VK_CONTROL, VK_MENU}, VK_F8);
        return WaitFile(marker, 500);
      },
      10000));
  EXPECT_EQ(v.Close(), 0u);
  EXPECT_NE(ReadBytes(Ini()).find("Count=4\r\n"), std::string::npos);
  EXPECT_NE(ReadBytes(Ini()).find("[3]\r\nName=\"D\""), std::string::npos);
}

// A second start with a command line hands it to the running copy and ends
// with 0: "/run NAME" starts that item there, "/menu" pops the launch menu
// up at the cursor.
TEST_F(E2E, TheCommandLineOfASecondStartDrivesTheRunningCopy) {
  Vorlex v(folder);
  StartWithItems(v);
  Vorlex run(folder);
  ASSERT_TRUE(run.Start(L"", L"/run \"" + Utf16(kItemNames[0]) + L"\""));
  EXPECT_EQ(run.WaitExit(), 0u);
  EXPECT_TRUE(WaitFile(folder + L"\\work\\a.txt", 15000));
  const POINT cursor{GetSystemMetrics(SM_CXSCREEN) / 3, GetSystemMetrics(SM_CYSCREEN) / 3};
  SetCursorPos(cursor.x, cursor.y);
  Vorlex menu(folder);
  ASSERT_TRUE(menu.Start(L"", L"/menu"));
  EXPECT_EQ(menu.WaitExit(), 0u);
  EXPECT_TRUE(MenuOpensAt(v.Pid(), cursor));
  ASSERT_TRUE(v.CloseMenu());
  EXPECT_EQ(v.Close(), 0u);
}

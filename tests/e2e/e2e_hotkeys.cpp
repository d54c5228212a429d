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

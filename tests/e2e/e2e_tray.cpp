// End-to-end tests of the tray icon and its menus, clicked and double-clicked
// as a person does.
#include "tests/e2e/e2e_fixture.h"

using namespace e2e;

TEST_F(E2E, ALeftClickOpensTheLaunchMenuAndAnEntryStartsItsItem) {
  Vorlex v(folder);
  StartWithItems(v);
  ASSERT_NE(v.TrayWindow(), nullptr);
  v.Tray(WM_LBUTTONDOWN);
  v.Tray(WM_LBUTTONUP);
  ASSERT_TRUE(v.ChooseFromMenu(ItemDowns("Item B")));
  EXPECT_TRUE(WaitFile(folder + L"\\b.txt", 15000));
  EXPECT_FALSE(FileExists(folder + L"\\c.txt"));
  // The menu hotkey pops the same menu up at the cursor.
  PressHotkey({VK_CONTROL, VK_MENU}, VK_F11);
  ASSERT_TRUE(v.ChooseFromMenu(ItemDowns("Item C")));
  EXPECT_TRUE(WaitFile(folder + L"\\c.txt", 15000));
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, DoubleClicksStartEachButtonsItemAndTheirLastButtonUpOpensNoMenu) {
  Vorlex v(folder);
  StartWithItems(v);
  // The bottom-right corner is away from any window (Wine's tray sits at the
  // top left): the held button clicks nothing.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 5, GetSystemMetrics(SM_CYSCREEN) - 5);
  for (bool left : {true, false}) {
    // The first click of the pair is an ordinary click: its menu opens.
    v.Tray(left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN);
    v.Tray(left ? WM_LBUTTONUP : WM_RBUTTONUP);
    ASSERT_TRUE(v.CloseMenu());
    // The double-click's button-down comes while the button is held.
    MouseButton(left, true);
    ASSERT_TRUE(WaitUntil([&] { return GetAsyncKeyState(left ? VK_LBUTTON : VK_RBUTTON) < 0; }, 2000));
    v.Tray(left ? WM_LBUTTONDBLCLK : WM_RBUTTONDBLCLK);
    Sleep(300);
    MouseButton(left, false);
    v.Tray(left ? WM_LBUTTONUP : WM_RBUTTONUP);
    EXPECT_TRUE(WaitFile(folder + (left ? L"\\b.txt" : L"\\c.txt"), 15000)) << left;
    EXPECT_EQ(WaitWindowOf(v.Pid(), L"#32768", 1500), nullptr) << left;
  }
  EXPECT_EQ(v.Close(), 0u);
}

// Real clicks of the X11 mouse on the icon in Wine's notification area, with
// a person's timing: a press of 80 ms, 100 ms between the clicks.
TEST_F(E2E, APersonsDoubleClickOnTheIconStartsTheItemAndAClickOpensTheMenu) {
  Vorlex v(folder);
  StartWithItems(v);
  RECT icon;
  ASSERT_TRUE(WaitUntil([&] { return WineTrayIconRect(icon); }, 5000)) << "no icon in Wine's notification area";
  for (bool left : {true, false}) {
    ASSERT_TRUE(PersonClick(icon, left, 2));
    EXPECT_TRUE(WaitFile(folder + (left ? L"\\b.txt" : L"\\c.txt"), 15000)) << left;
    EXPECT_EQ(WaitWindowOf(v.Pid(), L"#32768", 1000), nullptr) << "a menu opened, left " << left;
  }
  // A single click: the menu opens within the double-click time and 200 ms.
  ASSERT_TRUE(PersonClick(icon, true, 1));
  const DWORD clicked = GetTickCount();
  HWND menu = WaitWindowOf(v.Pid(), L"#32768", 5000);
  ASSERT_NE(menu, nullptr);
  EXPECT_LE(GetTickCount() - clicked, GetDoubleClickTime() + 200);
  ASSERT_TRUE(v.CloseMenu());
  EXPECT_FALSE(FileExists(folder + L"\\a.txt"));
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, TheCloseCommandEndsWithZeroAndReleasesEveryHotkey) {
  Vorlex v(folder);
  StartWithItems(v);
  EXPECT_FALSE(HotKeyFree(kCtrlAlt, VK_F9));
  EXPECT_FALSE(HotKeyFree(kCtrlAlt, VK_F11));
  const bool wineTray = WineTrayIcons() >= 0;
  if (wineTray) {
    EXPECT_EQ(WineTrayIcons(), 1);
  }
  v.Tray(WM_RBUTTONDOWN);
  v.Tray(WM_RBUTTONUP);
  ASSERT_TRUE(v.ChooseFromMenu(vx::CommandDowns("MI_Close")));
  EXPECT_EQ(v.WaitExit(), 0u);
  EXPECT_TRUE(HotKeyFree(kCtrlAlt, VK_F9));
  EXPECT_TRUE(HotKeyFree(kCtrlAlt, VK_F11));
  if (wineTray) {
    EXPECT_TRUE(WaitUntil([] { return WineTrayIcons() == 0; }, 5000));
  }
}

TEST_F(E2E, TheLaunchMenusIconsHaveNoBlackAroundThemAndTheSelectionShowsThroughABlankOne) {
  // A program with an icon, a folder and a program that is missing; the
  // last one selected with a person's keys.
  constexpr const char* kNames[] = {"Marker", "Folder", "Missing"};
  const std::string marker = Cp932(folder) + "\\vx_marker.exe";
  WriteBytes(Ini(),
             ";Vorlex Initialize File\r\n[Basic]\r\nCount=3\r\nVisibleMenuIcon=1\r\n"
             "[0]\r\nName=\"Marker\"\r\nExe=\"" +
                 marker +
                 "\"\r\n"
                 "[1]\r\nName=\"Folder\"\r\nExe=\"C:\\\"\r\n"
                 "[2]\r\nName=\"Missing\"\r\nExe=\"C:\\missing\\gone.exe\"\r\n");
  Vorlex v(folder);
  StartReady(v);
  HWND menu = OpenTrayMenu(v, true);
  ASSERT_NE(menu, nullptr);
  for (int i = 0; i < MenuDowns(kNames, "Missing"); ++i) PressKeys({}, VK_DOWN);
  Sleep(500);  // the icons that come late and the selection drawn
  RECT r;
  ASSERT_TRUE(GetWindowRect(menu, &r));
  const int size = GetSystemMetrics(SM_CXICON);
  const int width = r.right - r.left, height = r.bottom - r.top;
  ASSERT_GE(height, 3 * size);
  const std::vector<DWORD> pixels = CaptureScreen(r);
  // The icon column inside the menu's frame: no black pixel anywhere (none
  // of these icons has one).
  int black = 0;
  for (int y = 3; y < height - 3; ++y)
    for (int x = 3; x < size + 3 && x < width; ++x) {
      const DWORD p = pixels[static_cast<std::size_t>(y) * width + x];
      if (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 48) ++black;
    }
  EXPECT_EQ(black, 0);
  // The selected entry's blank image shows the selection's colour.
  const DWORD sel = GetSysColor(COLOR_HIGHLIGHT);
  const DWORD want = (GetRValue(sel) << 16) | (GetGValue(sel) << 8) | GetBValue(sel);
  int selected = 0;
  for (int y = 2 * height / 3; y < height; ++y)
    for (int x = 4; x < size; ++x)
      if (pixels[static_cast<std::size_t>(y) * width + x] == want) ++selected;
  EXPECT_GE(selected, size * size / 2);
  ASSERT_TRUE(v.CloseMenu());
  EXPECT_EQ(v.Close(), 0u);
}

// Two items start the same program; the first has an icon of its own, in a
// file named relative to Vorlex's folder. The launch menu draws that icon's
// pixels for it, and the program's for the other.
TEST_F(E2E, AnItemsOwnIconIsDrawnInTheLaunchMenu) {
  CreateDirectoryW((folder + L"\\icons").c_str(), nullptr);
  WriteBytes(folder + L"\\icons\\red.ico", SolidIcon(32, 0xFF0000));
  const std::string marker = Cp932(folder) + "\\vx_marker.exe";
  WriteBytes(Ini(),
             ";Vorlex Initialize File\r\n[Basic]\r\nCount=2\r\nVisibleMenuIcon=1\r\n"
             "[0]\r\nName=\"Own\"\r\nExe=\"" +
                 marker + "\"\r\nIcon=\"icons\\red.ico,0\"\r\n[1]\r\nName=\"Plain\"\r\nExe=\"" + marker + "\"\r\n");
  Vorlex v(folder);
  StartReady(v);
  HWND menu = OpenTrayMenu(v, true);
  ASSERT_NE(menu, nullptr);
  RECT r;
  ASSERT_TRUE(GetWindowRect(menu, &r));
  // The icon column of each half of the menu, one entry each.
  const int size = GetSystemMetrics(SM_CXICON), middle = (r.top + r.bottom) / 2;
  const RECT own{r.left, r.top, r.left + size + 6, middle}, plain{r.left, middle, r.left + size + 6, r.bottom};
  EXPECT_TRUE(WaitUntil([&] { return RedPixels(own) >= size * size / 2; }, 5000)) << RedPixels(own);
  EXPECT_EQ(RedPixels(plain), 0);  // the program's own icon has no red
  int blue = 0;
  for (const DWORD p : CaptureScreen(plain)) blue += (p & 0xFF) > 140 && ((p >> 16) & 0xFF) < 80;
  EXPECT_GE(blue, size * size / 4);
  ASSERT_TRUE(v.CloseMenu());
  EXPECT_EQ(v.Close(), 0u);
}

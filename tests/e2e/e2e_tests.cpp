// End-to-end tests: the real Vorlex.exe, started in a fresh folder and
// driven as the system and a user drive it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/e2e/driver.h"

using namespace e2e;

namespace {

constexpr const char kHeader[] = ";Vorlex Initialize File\r\n[Head]\r\nName=\"Vorlex.exe\"\r\nVersion=\"1.22\"\r\n";
constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;
constexpr int kCtrlAltF9 = 0x4000 | 0x8000 | VK_F9;     // item 0
constexpr int kCtrlAltF11 = 0x4000 | 0x8000 | VK_F11;   // the menu hotkey

std::wstring TestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return Utf16(std::string(info->test_suite_name()) + "." + info->name());
}

// Three items that start vx_marker.exe, each writing its own file.
std::string Items(const std::wstring& folder) {
  const std::string dir = Cp932(folder);
  const std::string marker = dir + "\\vx_marker.exe";
  return ";Vorlex Initialize File\r\n"
         "[Basic]\r\nCount=3\r\nLeftDoubleClickMenuNo=1\r\nRightDoubleClickMenuNo=2\r\n"
         "[-1]\r\nHotKey=" + std::to_string(kCtrlAltF11) + "\r\n"
         "[0]\r\nName=\"項目 A\"\r\nHotKey=" + std::to_string(kCtrlAltF9) + "\r\nExe=\"" + marker +
         "\"\r\nPar=\"a.txt first \"quoted two\"\"\r\nDir=\"" + dir + "\\work\"\r\n"
         "[1]\r\nName=\"Item B\"\r\nExe=\"" + marker + "\"\r\nPar=\"b.txt\"\r\nDir=\"" + dir + "\"\r\n"
         "[2]\r\nName=\"Item C\"\r\nExe=\"" + marker + "\"\r\nPar=\"c.txt\"\r\nDir=\"" + dir + "\"\r\n";
}

class E2E : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = NewFolder(TestName());
    CreateDirectoryW((folder + L"\\work").c_str(), nullptr);
  }
  std::wstring Ini() const { return folder + L"\\Vorlex.ini"; }
  // Starts a copy and waits until it is idle in its message loop.
  void StartReady(Vorlex& v) {
    ASSERT_TRUE(v.Start());
    ASSERT_TRUE(v.WaitReady());
    ASSERT_NE(v.MainWindow(), nullptr);
  }
  std::wstring folder;
};

// The file without its Time section, which holds the moments of the runs.
std::string WithoutTime(const std::string& ini) {
  const std::size_t at = ini.find("[Time]\r\n");
  if (at == std::string::npos) return ini;
  const std::size_t next = ini.find("\r\n[", at);
  return ini.substr(0, at) + (next == std::string::npos ? "" : ini.substr(next + 2));
}

// A value of the Time section; "<none>" when it is missing.
std::wstring TimeValue(const std::string& ini, const std::string& key) {
  const std::size_t section = ini.find("[Time]\r\n");
  if (section == std::string::npos) return L"<none>";
  const std::size_t at = ini.find("\r\n" + key + "=", section);
  const std::size_t next = ini.find("\r\n[", section);
  if (at == std::string::npos || (next != std::string::npos && at > next)) return L"<none>";
  const std::size_t start = at + 3 + key.size();
  return Utf16(ini.substr(start, ini.find("\r\n", start) - start));
}

// Hotkeys are free once the registration of `v` is gone: this driver can take them.
bool HotKeyFree(UINT mods, UINT vk) {
  if (!RegisterHotKey(nullptr, 0x77, mods, vk)) return false;
  UnregisterHotKey(nullptr, 0x77);
  return true;
}

}  // namespace

TEST_F(E2E, FirstStartWritesTheHeaderAndACloseEndsWithZero) {
  Vorlex v(folder);
  const long long started = NowSeconds();
  StartReady(v);
  // The header, and the run's start once the file exists.
  EXPECT_EQ(WithoutTime(ReadBytes(Ini())), kHeader);
  EXPECT_EQ(ReadBytes(Ini()).find("[Time]\r\nStart="), std::string(kHeader).size());
  EXPECT_LE(std::llabs(Seconds(TimeValue(ReadBytes(Ini()), "Start")) - started), 2);
  EXPECT_EQ(WindowText(v.MainWindow()), L"Tallowmere");
  EXPECT_FALSE(IsWindowVisible(v.MainWindow()));
  // The application's window has no taskbar button.
  HWND app = FindWindowOf(v.Pid(), L"TApplication");
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(WindowText(app), L"Vorlex");
  EXPECT_TRUE(GetWindowLongW(app, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  for (const wchar_t* cls : {L"TForm_Set", L"TForm_About", L"TForm_SetEtc", L"TForm_Time"})
    EXPECT_NE(FindWindowOf(v.Pid(), cls), nullptr) << cls;
  PostMessageW(app, WM_CLOSE, 0, 0);
  EXPECT_EQ(v.WaitExit(), 0u);
  EXPECT_EQ(WithoutTime(ReadBytes(Ini())), kHeader);  // no items: none written
}

TEST_F(E2E, ASecondStartEndsWithZeroAndChangesNoFile) {
  WriteBytes(Ini(), Items(folder));
  Vorlex first(folder);
  StartReady(first);
  const std::string before = ReadBytes(Ini());
  Vorlex second(folder);
  ASSERT_TRUE(second.Start());
  EXPECT_EQ(second.WaitExit(), 0u);
  EXPECT_EQ(ReadBytes(Ini()), before);
  EXPECT_EQ(first.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_FALSE(HotKeyFree(kCtrlAlt, VK_F9));  // the first copy still holds its hotkey
  EXPECT_EQ(first.Close(), 0u);
}

TEST_F(E2E, ACloseSavesTheItemsAndKeepsEveryForeignByte) {
  const std::string hand =
      "; my own launcher file\r\n\r\n[Notes]\n  anything = goes \n"
      "[basic]\r\n  count = 1 \r\n; keep\r\n[0]\r\n name = \"  Spaced  \" \r\nhotkey=$41\r\n[Tail]\r\nx=y";
  WriteBytes(Ini(), hand);
  Vorlex v(folder);
  StartReady(v);
  EXPECT_EQ(v.Close(), 0u);
  EXPECT_EQ(WithoutTime(ReadBytes(Ini())),
            "; my own launcher file\r\n\r\n[Notes]\n  anything = goes \n"
            "[basic]\r\nCount=1\r\nAtomName=\"Atom_Vorlex\"\r\nShortCutView=0\r\nLeftDoubleClickMenuNo=-1\r\n"
            "RightDoubleClickMenuNo=-1\r\nVisibleMenuIcon=1\r\n; keep\r\n"
            "[0]\r\nName=\"  Spaced  \"\r\nHotKey=65\r\nExe=\"\"\r\nPar=\"\"\r\nDir=\"\"\r\n"
            "[Tail]\r\nx=y\r\n"
            "[Head]\r\nName=\"Vorlex.exe\"\r\nVersion=\"1.22\"\r\n"
            "[-1]\r\nName=\"MenuHotKey\"\r\nHotKey=0\r\nExe=\"\"\r\nPar=\"\"\r\nDir=\"\"\r\n");
}

TEST_F(E2E, ASettingsFileThatCannotBeCreatedEndsWithTheErrorAndCode1) {
  ASSERT_TRUE(CreateDirectoryW(Ini().c_str(), nullptr));  // a folder where the file should be
  Vorlex v(folder);
  ASSERT_TRUE(v.Start());
  const auto [caption, text] = v.TakeMessageBox();
  EXPECT_EQ(caption, L"Vorlex");
  EXPECT_EQ(text.rfind(Ini() + L" を作成できません", 0), 0u) << Cp932(text);
  // Then the run's end, which cannot be stored either.
  EXPECT_EQ(v.TakeMessageBoxesUntilExit(), std::vector<std::wstring>{Ini() + L" に書き込めません"});
  EXPECT_EQ(v.WaitExit(), 1u);
}

TEST_F(E2E, AReadOnlySettingsFileAtExitIsReportedAndNothingIsLost) {
  WriteBytes(Ini(), Items(folder));
  Vorlex v(folder);
  StartReady(v);
  const std::string before = ReadBytes(Ini());
  SetFileAttributesW(Ini().c_str(), FILE_ATTRIBUTE_READONLY);
  PostMessageW(v.MainWindow(), WM_CLOSE, 0, 0);
  // The time record's save and the items' save, each refused and shown.
  EXPECT_EQ(v.TakeMessageBoxesUntilExit(),
            (std::vector<std::wstring>{Ini() + L" に書き込めません", Ini() + L" に書き込めません"}));
  EXPECT_EQ(v.WaitExit(), 0u);
  SetFileAttributesW(Ini().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(Ini()), before);
  EXPECT_TRUE(HotKeyFree(kCtrlAlt, VK_F9));  // released all the same
}

TEST_F(E2E, AnItemsHotkeyStartsTheItemOnceEachPress) {
  WriteBytes(Ini(), Items(folder));
  Vorlex v(folder);
  StartReady(v);
  const std::wstring marker = folder + L"\\work\\a.txt";
  PressKeys({VK_CONTROL, VK_MENU}, VK_F9);
  ASSERT_TRUE(WaitFile(marker, 15000));
  const std::wstring text = ReadMarker(marker);
  EXPECT_EQ(text.substr(0, text.find(L'\n')), L"a.txt first \"quoted two\"");
  EXPECT_NE(text.find(L"\n" + folder + L"\\work\n"), std::wstring::npos) << Cp932(text);
  // Released, then pressed again: one more start, and no other effect.
  DeleteFileW(marker.c_str());
  PressKeys({VK_CONTROL, VK_MENU}, VK_F9);
  EXPECT_TRUE(WaitFile(marker, 15000));
  EXPECT_EQ(FindWindowOf(v.Pid(), L"#32770", true), nullptr);
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, ATakenHotkeyIsReportedNamingTheItemAndItsKey) {
  WriteBytes(Ini(), Items(folder));
  ASSERT_TRUE(RegisterHotKey(nullptr, 1, kCtrlAlt, VK_F9));  // someone else holds Ctrl+Alt+F9
  Vorlex v(folder);
  ASSERT_TRUE(v.Start());
  const std::wstring keys = KeyName(VK_CONTROL) + L" + " + KeyName(VK_MENU) + L" + " + KeyName(VK_F9);
  EXPECT_EQ(v.TakeMessageBox().second,
            L"HotKeyの登録に失敗しました。\r\nそのHotKeyはすでに使用されている可能性があります。\r\n[項目 A (" + keys +
                L")]");
  ASSERT_TRUE(v.WaitReady());
  UnregisterHotKey(nullptr, 1);
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, ALeftClickOpensTheLaunchMenuAndAnEntryStartsItsItem) {
  WriteBytes(Ini(), Items(folder));
  Vorlex v(folder);
  StartReady(v);
  ASSERT_NE(v.TrayWindow(), nullptr);
  v.Tray(WM_LBUTTONDOWN);
  v.Tray(WM_LBUTTONUP);
  ASSERT_TRUE(v.ChooseFromMenu(2));  // the second entry, "Item B"
  EXPECT_TRUE(WaitFile(folder + L"\\b.txt", 15000));
  EXPECT_FALSE(FileExists(folder + L"\\c.txt"));
  // The menu hotkey pops the same menu up at the cursor.
  PressKeys({VK_CONTROL, VK_MENU}, VK_F11);
  ASSERT_TRUE(v.ChooseFromMenu(3));
  EXPECT_TRUE(WaitFile(folder + L"\\c.txt", 15000));
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, DoubleClicksStartEachButtonsItemAndTheirLastButtonUpOpensNoMenu) {
  WriteBytes(Ini(), Items(folder));
  Vorlex v(folder);
  StartReady(v);
  // The bottom-right corner is away from any window (Wine's tray sits at the
  // top left): the held button clicks nothing.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 5, GetSystemMetrics(SM_CYSCREEN) - 5);
  for (bool left : {true, false}) {
    // The first click of the pair is an ordinary click: its menu opens.
    v.Tray(left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN);
    v.Tray(left ? WM_LBUTTONUP : WM_RBUTTONUP);
    ASSERT_TRUE(v.ChooseFromMenu(0));
    // The double-click's button-down comes while the button is held.
    MouseButton(left, true);
    Sleep(200);
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
  WriteBytes(Ini(), Items(folder));
  Vorlex v(folder);
  StartReady(v);
  RECT icon;
  for (int i = 0; i < 100 && !WineTrayIconRect(icon); ++i) Sleep(50);
  ASSERT_TRUE(WineTrayIconRect(icon)) << "no icon in Wine's notification area";
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
  ASSERT_TRUE(v.ChooseFromMenu(0));
  EXPECT_FALSE(FileExists(folder + L"\\a.txt"));
  EXPECT_EQ(v.Close(), 0u);
}

// A settings file that another program holds open, sharing it for deletion
// only, cannot be read: the start says so and writes nothing.
TEST_F(E2E, ASettingsFileThatCannotBeReadIsReportedAndKeepsEveryByte) {
  WriteBytes(Ini(), Items(folder));
  const std::string before = ReadBytes(Ini());
  HANDLE held = CreateFileW(Ini().c_str(), GENERIC_READ, FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Vorlex v(folder);
  ASSERT_TRUE(v.Start());
  // Each routine that opens the file says so: the time record's load, the
  // start-up, the time record's save at the end.
  const std::vector<std::wstring> texts = v.TakeMessageBoxesUntilExit();
  ASSERT_FALSE(texts.empty());
  for (const std::wstring& text : texts) EXPECT_EQ(text.rfind(Ini() + L" を読み込めません\r\n", 0), 0u) << Cp932(text);
  EXPECT_EQ(v.WaitExit(), 1u);
  CloseHandle(held);
  EXPECT_EQ(ReadBytes(Ini()), before);
  EXPECT_FALSE(FileExists(Ini() + L".vxtmp"));
}

TEST_F(E2E, AHiddenSettingsFileIsStillHiddenAfterAStartAndAClose) {
  WriteBytes(Ini(), Items(folder));
  ASSERT_TRUE(SetFileAttributesW(Ini().c_str(), FILE_ATTRIBUTE_HIDDEN));
  Vorlex v(folder);
  StartReady(v);
  EXPECT_EQ(v.Close(), 0u);
  const DWORD attrs = GetFileAttributesW(Ini().c_str());
  EXPECT_TRUE(attrs & FILE_ATTRIBUTE_HIDDEN) << attrs;
  EXPECT_NE(ReadBytes(Ini()).find("[2]\r\nName=\"Item C\"\r\n"), std::string::npos);
}

TEST_F(E2E, ASettingsFileBeyondTheLargestSizeIsReportedAndNothingIsWritten) {
  std::string big = Items(folder);
  big.resize(70u << 20, ';');
  WriteBytes(Ini(), big);
  Vorlex v(folder);
  ASSERT_TRUE(v.Start());
  const std::vector<std::wstring> texts = v.TakeMessageBoxesUntilExit();
  ASSERT_FALSE(texts.empty());
  for (const std::wstring& text : texts) EXPECT_EQ(text, Ini() + L" は大きすぎます (設定ファイルは 64 MiB までです)");
  EXPECT_EQ(v.WaitExit(), 1u);
  EXPECT_EQ(ReadBytes(Ini()).size(), big.size());
}

TEST_F(E2E, FiftyMegabytesOfBlankLinesLoad) {
  std::string text = Items(folder);
  text.append(50u << 20, '\n');
  WriteBytes(Ini(), text);
  Vorlex v(folder);
  StartReady(v);
  EXPECT_EQ(FindWindowOf(v.Pid(), L"#32770", true), nullptr);
  EXPECT_EQ(v.Close(), 0u);
  EXPECT_EQ(ReadBytes(Ini()).rfind(Items(folder).substr(0, 30), 0), 0u);
}

TEST_F(E2E, TheCloseCommandEndsWithZeroAndReleasesEveryHotkey) {
  WriteBytes(Ini(), Items(folder));
  Vorlex v(folder);
  StartReady(v);
  EXPECT_FALSE(HotKeyFree(kCtrlAlt, VK_F9));
  EXPECT_FALSE(HotKeyFree(kCtrlAlt, VK_F11));
  const bool wineTray = WineTrayIcons() >= 0;
  if (wineTray) {
    EXPECT_EQ(WineTrayIcons(), 1);
  }
  v.Tray(WM_RBUTTONDOWN);
  v.Tray(WM_RBUTTONUP);
  ASSERT_TRUE(v.ChooseFromMenu(-1));  // Up from nothing: the last entry, "終了"
  EXPECT_EQ(v.WaitExit(), 0u);
  EXPECT_TRUE(HotKeyFree(kCtrlAlt, VK_F9));
  EXPECT_TRUE(HotKeyFree(kCtrlAlt, VK_F11));
  for (int i = 0; wineTray && i < 100 && WineTrayIcons() > 0; ++i) Sleep(50);
  if (wineTray) {
    EXPECT_EQ(WineTrayIcons(), 0);
  }
}

TEST_F(E2E, WhileIdleItUsesNoProcessorTime) {
  WriteBytes(Ini(), Items(folder));
  Vorlex v(folder);
  StartReady(v);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, v.Pid());
  ASSERT_NE(process, nullptr);
  auto cpuMs = [process] {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    auto ms = [](FILETIME f) { return ((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000; };
    return ms(kernel) + ms(user);
  };
  Sleep(500);
  const ULONGLONG before = cpuMs();
  Sleep(3000);
  EXPECT_LE(cpuMs() - before, 20u);  // no timer, no polling: it waits for messages
  CloseHandle(process);
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, AHotkeyMessageWithoutAnItemIsReported) {
  WriteBytes(Ini(), Items(folder));
  Vorlex v(folder);
  StartReady(v);
  PostMessageW(v.MainWindow(), WM_HOTKEY, 0xC999, 0);
  const auto [caption, text] = v.TakeMessageBox();
  EXPECT_EQ(caption, L"Vorlex");
  EXPECT_EQ(text, L"Error[キーに対応するアプリが無い]");
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, TheEndOfTheSessionSavesAndEndsTheProgram) {
  WriteBytes(Ini(), Items(folder));
  Vorlex v(folder);
  StartReady(v);
  HWND app = FindWindowOf(v.Pid(), L"TApplication");
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutW(app, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 10000, &answer));
  EXPECT_EQ(answer, 1u);
  SendMessageTimeoutW(app, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 10000, &answer);
  EXPECT_EQ(v.WaitExit(), 0u);
  EXPECT_NE(ReadBytes(Ini()).find("[Basic]\r\nCount=3\r\nLeftDoubleClickMenuNo=1\r\nRightDoubleClickMenuNo=2\r\n"
                                  "AtomName=\"Atom_Vorlex\"\r\nShortCutView=0\r\nVisibleMenuIcon=1\r\n"),
            std::string::npos);
  EXPECT_TRUE(HotKeyFree(kCtrlAlt, VK_F9));
}

// ------------------------------------------------------------ time record

namespace {

constexpr const wchar_t kLastLabel[] = L"前回終了";

std::wstring Log(const std::wstring& folder) { return folder + L"\\Vorlex.log"; }

// The height in pixels of the dark text drawn inside a window, read from
// the screen.
int InkHeight(HWND wnd) {
  RECT r;
  GetWindowRect(wnd, &r);
  const int w = r.right - r.left;
  const std::vector<DWORD> px = CaptureScreen(r);
  int top = -1, bottom = -1;
  for (std::size_t i = 0; i < px.size(); ++i) {
    const DWORD c = px[i];
    if (((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF)) < 3 * 100) {
      if (top < 0) top = static_cast<int>(i) / w;
      bottom = static_cast<int>(i) / w;
    }
  }
  return top < 0 ? 0 : bottom - top + 1;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// A row's start ("yy/mm/dd hh:mm:ss"), end and elapsed pieces.
struct Row {
  std::wstring start, end, elapsed;
};
Row Pieces(const std::string& row) {
  return Row{Utf16(row.substr(0, 8) + " " + row.substr(11, 8)), Utf16(row.substr(22, 8)), Utf16(row.substr(33, 8))};
}

int ClockSeconds(const std::wstring& hms) {
  return std::stoi(hms.substr(0, 2)) * 3600 + std::stoi(hms.substr(3, 2)) * 60 + std::stoi(hms.substr(6, 2));
}

}  // namespace

TEST_F(E2E, ARunWithTheLogOnLeavesLastAndOneRowWhosePiecesMatchTheRun) {
  WriteBytes(Ini(), std::string(kHeader) + "[Time]\r\nLogFile=1\r\n");
  Vorlex v(folder);
  const long long started = NowSeconds();
  StartReady(v);
  Sleep(2200);
  const long long closing = NowSeconds();
  EXPECT_EQ(v.Close(), 0u);
  const long long closed = NowSeconds();

  const std::string ini = ReadBytes(Ini());
  const long long last = Seconds(TimeValue(ini, "Last"));
  EXPECT_GE(last, closing);
  EXPECT_LE(last, closed);
  EXPECT_EQ(TimeValue(ini, "LogFile"), L"1");
  const std::vector<std::string> lines = Lines(ReadBytes(Log(folder)));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "[Vorlex LogFile]");
  EXPECT_EQ(lines[1], Cp932(L"日付     | 起動時刻 | 終了時刻 | 経過時間"));
  for (const std::string& line : {lines[1], lines[2]}) {
    ASSERT_EQ(line.size(), 41u) << line;
    EXPECT_EQ(line.substr(9, 1) + line.substr(20, 1) + line.substr(31, 1), "|||") << line;
  }
  const Row row = Pieces(lines[2]);
  EXPECT_EQ(row.start, TimeValue(ini, "Start"));
  EXPECT_GE(Seconds(row.start), started - 1);
  EXPECT_LE(Seconds(row.start), started + 1);
  EXPECT_EQ(row.end, TimeValue(ini, "Last").substr(9));
  const int elapsed = ClockSeconds(row.elapsed);
  EXPECT_GE(elapsed, 2);
  EXPECT_LE(std::abs(elapsed - static_cast<int>(last - Seconds(row.start))), 1);

  // The next start shows that end as the previous one, as it was stored.
  Vorlex next(folder);
  StartReady(next);
  HWND time = OpenTimeWindow(next);
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(TextAfter(time, kLastLabel), TimeValue(ini, "Last"));
  EXPECT_EQ(next.Close(), 0u);
  EXPECT_EQ(Lines(ReadBytes(Log(folder))).size(), 4u);
}

TEST_F(E2E, TheTimeWindowsClockAdvancesEverySecondAndItsTimerStopsWhenItIsClosed) {
  WriteBytes(Ini(), Items(folder));
  Vorlex v(folder);
  StartReady(v);
  HWND time = OpenTimeWindow(v);
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(WindowText(time), L"時間情報");
  const SIZE collapsed = ClientSize(time);
  EXPECT_EQ(collapsed.cx, 321);
  EXPECT_EQ(collapsed.cy, 113);
  // The first refresh comes within 100 ms of the show (until then the label
  // holds the time of the last refresh); watched for 2.5 s after it, the
  // clock label steps on a second at a time.
  Sleep(300);
  std::vector<long long> shown;
  for (int i = 0; i < 50; ++i, Sleep(50)) {
    const long long now = Seconds(TextAfter(time, L"現在時刻"));
    if (shown.empty() || shown.back() != now) shown.push_back(now);
  }
  EXPECT_GE(shown.size(), 3u);
  for (std::size_t i = 1; i < shown.size(); ++i) EXPECT_EQ(shown[i] - shown[i - 1], 1) << i;
  EXPECT_GE(Seconds(TextAfter(time, L"起動時刻")), 0);

  // "設定" opens the options below; OK hides the window.
  ASSERT_TRUE(ClickWindow(ChildWithText(time, L"設定")));
  for (int i = 0; i < 50 && ClientSize(time).cy != 185; ++i) Sleep(20);
  EXPECT_EQ(ClientSize(time).cy, 185);
  EXPECT_TRUE(IsWindowVisible(ChildWithText(time, L"Logファイルを作る")));
  ASSERT_TRUE(ClickWindow(ChildWithText(time, L"OK")));
  EXPECT_TRUE(WaitNoWindowOf(v.Pid(), L"TForm_Time", 5000));

  // Hidden, it takes no processor time: its timer has stopped.
  Sleep(500);
  const ULONGLONG before = ProcessCpuMs(v.Pid());
  Sleep(10000);
  EXPECT_LE(ProcessCpuMs(v.Pid()) - before, 20u);
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, AReadOnlyLogFileShowsTheAccessErrorAndLastIsStillSaved) {
  WriteBytes(Ini(), std::string(kHeader) + "[Time]\r\nLogFile=1\r\nLast=26/01/01 00:00:00\r\n");
  WriteBytes(Log(folder), "kept\r\n");
  ASSERT_TRUE(SetFileAttributesW(Log(folder).c_str(), FILE_ATTRIBUTE_READONLY));
  Vorlex v(folder);
  StartReady(v);
  PostMessageW(v.MainWindow(), WM_CLOSE, 0, 0);
  EXPECT_EQ(v.TakeMessageBoxesUntilExit(),
            std::vector<std::wstring>{L"ファイルへのアクセスが拒否されました\r\n" + Log(folder)});
  EXPECT_EQ(v.WaitExit(), 0u);
  SetFileAttributesW(Log(folder).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(Log(folder)), "kept\r\n");
  EXPECT_LE(std::llabs(Seconds(TimeValue(ReadBytes(Ini()), "Last")) - NowSeconds()), 5);
}

TEST_F(E2E, WithSuspendSavedAStandbyEndsTheRunAndTheResumeStartsANewOne) {
  WriteBytes(Ini(), std::string(kHeader) + "[Time]\r\nLogFile=1\r\nSuspend=1\r\n");
  Vorlex v(folder);
  StartReady(v);
  Sleep(1100);
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutW(v.MainWindow(), WM_POWERBROADCAST, PBT_APMSUSPEND, 0, SMTO_NORMAL, 10000, &answer));
  ASSERT_EQ(Lines(ReadBytes(Log(folder))).size(), 3u);
  const std::wstring suspended = TimeValue(ReadBytes(Ini()), "Last");
  EXPECT_LE(std::llabs(Seconds(suspended) - NowSeconds()), 2);
  EXPECT_EQ(Pieces(Lines(ReadBytes(Log(folder)))[2]).end, suspended.substr(9));

  Sleep(2100);
  ASSERT_TRUE(
      SendMessageTimeoutW(v.MainWindow(), WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0, SMTO_NORMAL, 10000, &answer));
  HWND time = OpenTimeWindow(v);
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(TextAfter(time, kLastLabel), suspended);
  EXPECT_GE(Seconds(TextAfter(time, L"起動時刻")) - Seconds(suspended), 2);
  EXPECT_EQ(v.Close(), 0u);
  const std::vector<std::string> lines = Lines(ReadBytes(Log(folder)));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(Pieces(lines[3]).start, TimeValue(ReadBytes(Ini()), "Start"));
}

TEST_F(E2E, AtTwiceTheDpiTheTimeWindowIsTwiceAsLargeAndItsTextTwiceAsTall) {
  WriteBytes(Ini(), Items(folder));
  auto inkAt = [this](DWORD dpi, SIZE& collapsed, SIZE& expanded) {
    SetWineDpi(dpi);
    Vorlex v(folder);
    StartReady(v);
    HWND time = OpenTimeWindow(v);
    int ink = 0;
    if (time) {
      collapsed = ClientSize(time);
      Sleep(300);
      ink = InkHeight(ChildWithText(time, L"経過時間"));
      ClickWindow(ChildWithText(time, L"設定"));
      for (int i = 0; i < 50 && ClientSize(time).cy == collapsed.cy; ++i) Sleep(20);
      expanded = ClientSize(time);
    }
    v.Close();
    return ink;
  };
  SIZE small{}, smallOpen{}, large{}, largeOpen{};
  const int inkLarge = inkAt(192, large, largeOpen);
  const int inkSmall = inkAt(96, small, smallOpen);
  EXPECT_EQ(large.cx, 642);
  EXPECT_EQ(large.cy, 226);
  EXPECT_EQ(largeOpen.cy, 370);
  EXPECT_EQ(small.cx, 321);
  EXPECT_EQ(smallOpen.cy, 185);
  // The label's text is drawn with a font made at the size, not a small one.
  EXPECT_GE(inkSmall, 8);
  EXPECT_GE(inkLarge, inkSmall * 17 / 10) << inkSmall << " " << inkLarge;
}

// ------------------------------------------------------------------ editor

namespace {

constexpr int kAboutEntry = 4;   // ..., HotKey表示, ﾊﾞｰｼﾞｮﾝ情報

}  // namespace

TEST_F(E2E, AnItemAddedInTheEditorWithRealClicksAndKeysIsSavedAndItsHotkeyStartsIt) {
  WriteBytes(Ini(), Items(folder));
  Vorlex v(folder);
  StartReady(v);
  EXPECT_FALSE(HotKeyFree(kCtrlAlt, VK_F9));
  HWND editor = OpenEditor(v);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(WindowText(editor), L"メニュー項目設定");
  EXPECT_EQ(ClientSize(editor).cx, 629);
  EXPECT_EQ(ClientSize(editor).cy, 269);
  // While it is open every hotkey is free, and a click on the icon opens no menu.
  EXPECT_TRUE(HotKeyFree(kCtrlAlt, VK_F9));
  EXPECT_TRUE(HotKeyFree(kCtrlAlt, VK_F11));
  RECT icon;
  if (WineTrayIconRect(icon)) {
    PersonClick(icon, true, 1);
    Sleep(1000);
    EXPECT_EQ(FindWindowOf(v.Pid(), L"#32768", true), nullptr);
  }

  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"追加")));
  Sleep(200);
  HWND list = ChildOfClass(editor, L"ListBox");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 4);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
  Retype(ChildOfClass(editor, L"Edit", 0), L"Marker");
  wchar_t entry[64] = {};
  SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(entry));
  EXPECT_STREQ(entry, L"Marker");  // the list follows the typing
  Retype(ChildOfClass(editor, L"Edit", 1), folder + L"\\vx_marker.exe");
  Retype(ChildOfClass(editor, L"Edit", 2), L"z.txt");
  Retype(ChildOfClass(editor, L"Edit", 3), folder);
  ClickWindow(ChildOfClass(editor, L"msctls_hotkey32"));
  Sleep(100);
  PressKeys({VK_CONTROL, VK_MENU}, VK_F8);
  Sleep(200);
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Ok")));
  ASSERT_TRUE(WaitHidden(editor));

  const std::string ini = ReadBytes(Ini());
  EXPECT_NE(ini.find("Count=4"), std::string::npos);
  EXPECT_NE(ini.find("[0]\r\nName=\"Marker\"\r\nHotKey=" + std::to_string(0x4000 | 0x8000 | VK_F8) + "\r\nExe=\"" +
                     Cp932(folder) + "\\vx_marker.exe\"\r\nPar=\"z.txt\"\r\nDir=\"" + Cp932(folder) + "\"\r\n"),
            std::string::npos)
      << ini;
  EXPECT_FALSE(HotKeyFree(kCtrlAlt, VK_F9));  // registered again
  PressKeys({VK_CONTROL, VK_MENU}, VK_F8);
  EXPECT_TRUE(WaitFile(folder + L"\\z.txt", 15000));
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, CancelInTheEditorLeavesTheFileAndTheHotkeysAsTheyWere) {
  WriteBytes(Ini(), Items(folder));
  Vorlex v(folder);
  StartReady(v);
  const std::string before = ReadBytes(Ini());
  HWND editor = OpenEditor(v);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"削除")));
  Retype(ChildOfClass(editor, L"Edit", 0), L"changed");
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Cancel")));
  ASSERT_TRUE(WaitHidden(editor));
  EXPECT_EQ(ReadBytes(Ini()), before);
  EXPECT_FALSE(HotKeyFree(kCtrlAlt, VK_F9));
  PressKeys({VK_CONTROL, VK_MENU}, VK_F9);  // item 0 is back and answers
  EXPECT_TRUE(WaitFile(folder + L"\\work\\a.txt", 15000));
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, TheOtherSettingsAreModalAndTheirMenuHotkeyPopsTheMenuUpAfterOk) {
  WriteBytes(Ini(), Items(folder));
  Vorlex v(folder);
  StartReady(v);
  HWND editor = OpenEditor(v);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"その他の設定")));
  HWND etc = WaitWindowOf(v.Pid(), L"TForm_SetEtc", 10000, true);
  ASSERT_NE(etc, nullptr);
  EXPECT_FALSE(IsWindowEnabled(editor));  // no input for the editor meanwhile
  ClickWindow(ChildOfClass(etc, L"msctls_hotkey32"));
  Sleep(100);
  PressKeys({VK_CONTROL, VK_MENU}, VK_F12);
  Sleep(200);
  ASSERT_TRUE(ClickWindow(ChildWithText(etc, L"閉じる")));
  ASSERT_TRUE(WaitHidden(etc));
  // The editor is enabled again as the modal dialog's loop ends, just after.
  for (int i = 0; i < 100 && !IsWindowEnabled(editor); ++i) Sleep(20);
  EXPECT_TRUE(IsWindowEnabled(editor));
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Ok")));
  ASSERT_TRUE(WaitHidden(editor));
  EXPECT_NE(ReadBytes(Ini()).find("[-1]\r\nHotKey=" + std::to_string(0x4000 | 0x8000 | VK_F12)), std::string::npos);
  PressKeys({VK_CONTROL, VK_MENU}, VK_F12);
  ASSERT_TRUE(v.ChooseFromMenu(0));  // the launch menu popped up; Escape closes it
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, TheVersionBoxOpensOnceEnterClosesItAndEscapeDoesNot) {
  WriteBytes(Ini(), Items(folder));
  Vorlex v(folder);
  StartReady(v);
  ASSERT_TRUE(ChooseCommand(v, kAboutEntry));
  HWND about = WaitWindowOf(v.Pid(), L"TForm_About", 10000, true);
  ASSERT_NE(about, nullptr);
  ASSERT_TRUE(ChooseCommand(v, kAboutEntry));
  Sleep(300);
  int shown = 0;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t cls[64];
    GetClassNameW(w, cls, 64);
    if (pid == v.Pid() && IsWindowVisible(w) && lstrcmpW(cls, L"TForm_About") == 0) ++shown;
  }
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(WindowText(about), L"バージョン情報");
  EXPECT_NE(ChildWithText(about, L"Vorlex Version 1.22"), nullptr);
  SetForegroundWindow(about);
  Sleep(200);
  PressKeys({}, VK_ESCAPE);
  Sleep(500);
  EXPECT_TRUE(IsWindowVisible(about));
  PressKeys({}, VK_RETURN);
  EXPECT_TRUE(WaitHidden(about));
  EXPECT_EQ(v.Close(), 0u);
}

namespace {
// The control that has the keyboard focus in the process's window thread.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}
}  // namespace

TEST_F(E2E, TabAndShiftTabMoveThroughTheEditorInItsTabOrder) {
  WriteBytes(Ini(), Items(folder));
  Vorlex v(folder);
  StartReady(v);
  HWND editor = OpenEditor(v);
  ASSERT_NE(editor, nullptr);
  HWND list = ChildOfClass(editor, L"ListBox");
  ASSERT_TRUE(ClickWindow(list));
  Sleep(200);
  EXPECT_EQ(FocusOf(editor), list);
  PressKeys({}, VK_TAB);
  Sleep(200);
  EXPECT_EQ(FocusOf(editor), ChildOfClass(editor, L"Edit", 0));
  PressKeys({}, VK_TAB);
  Sleep(200);
  EXPECT_EQ(FocusOf(editor), ChildOfClass(editor, L"msctls_hotkey32"));
  PressKeys({}, VK_TAB);
  Sleep(200);
  EXPECT_EQ(FocusOf(editor), ChildWithText(editor, L"参照"));
  PressKeys({VK_SHIFT}, VK_TAB);
  PressKeys({VK_SHIFT}, VK_TAB);
  Sleep(200);
  EXPECT_EQ(FocusOf(editor), ChildOfClass(editor, L"Edit", 0));
  // Enter and Escape press no button of the editor.
  PressKeys({}, VK_RETURN);
  PressKeys({}, VK_ESCAPE);
  Sleep(300);
  EXPECT_TRUE(IsWindowVisible(editor));
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Cancel")));
  EXPECT_TRUE(WaitHidden(editor));
  EXPECT_EQ(v.Close(), 0u);
}

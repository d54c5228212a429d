// End-to-end tests of the items' start options: a running program brought
// forward, a program started minimized or maximized, and the editor's boxes
// for them, by real keys and clicks.
#include "tests/e2e/e2e_fixture.h"

#include <algorithm>
#include <vector>

using namespace e2e;

namespace {

constexpr int kCtrlAltF10 = 0x4000 | 0x8000 | VK_F10;
constexpr int kCtrlAltF7 = 0x4000 | 0x8000 | VK_F7;
constexpr int kCtrlAltF6 = 0x4000 | 0x8000 | VK_F6;

// Items that start vx_window.exe, each copy titled and logging as named.
// The second item's program is another copy of it, in a folder of its own:
// the same file name, another program.
std::string WindowItems(const std::wstring& folder) {
  CreateDirectoryW((folder + L"\\other").c_str(), nullptr);
  CopyFileW((folder + L"\\vx_window.exe").c_str(), (folder + L"\\other\\vx_window.exe").c_str(), FALSE);
  const std::string dir = Cp932(folder);
  auto item = [&](int n, const char* title, int hotKey, const std::string& exe, const char* options) {
    return "[" + std::to_string(n) + "]\r\nName=\"" + title + "\"\r\nHotKey=" + std::to_string(hotKey) + "\r\nExe=\"" +
           exe + "\"\r\nPar=\"" + title + " \"" + dir + "\\" + title + ".log\"\"\r\nDir=\"" + dir + "\"\r\n" + options;
  };
  const std::string program = dir + "\\vx_window.exe", other = dir + "\\other\\vx_window.exe";
  return ";Vorlex Initialize File\r\n[Basic]\r\nCount=4\r\n" + item(0, "first", kCtrlAltF9, program, "Activate=1\r\n") +
         item(1, "second", kCtrlAltF10, other, "") + item(2, "minimized", kCtrlAltF7, program, "Show=1\r\n") +
         item(3, "maximized", kCtrlAltF6, program, "Show=2\r\n");
}

// The open windows of vx_window.exe with that title.
struct TitleWalk {
  const std::wstring* title;
  std::vector<HWND> found;
};

BOOL CALLBACK TakeTitled(HWND wnd, LPARAM param) {
  auto& w = *reinterpret_cast<TitleWalk*>(param);
  wchar_t cls[32] = {};
  GetClassNameW(wnd, cls, 32);
  if (IsWindowVisible(wnd) && std::wstring(cls) == L"VxWindow" && WindowText(wnd) == *w.title) w.found.push_back(wnd);
  return TRUE;
}

std::vector<HWND> Titled(const std::wstring& title) {
  TitleWalk walk{&title, {}};
  EnumWindows(TakeTitled, reinterpret_cast<LPARAM>(&walk));
  return walk.found;
}

// The one window of that title, once it is open; null when none opened.
HWND WaitTitled(const std::wstring& title, std::size_t copies = 1) {
  if (!WaitUntil([&] { return Titled(title).size() == copies; }, 15000)) return nullptr;
  return Titled(title).front();
}

// How many copies were started, as they logged themselves.
std::size_t Started(const std::wstring& log) {
  const std::string text = ReadBytes(log);
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class StartOptions : public E2E {
 protected:
  void TearDown() override {
    // The started programs end with their windows; a copy still starting
    // is waited for, so that none outlives the test.
    auto open = [] {
      std::size_t n = 0;
      for (const wchar_t* title : {L"first", L"second", L"minimized", L"maximized"}) {
        for (HWND wnd : Titled(title)) PostMessageW(wnd, WM_CLOSE, 0, 0);
        n += Titled(title).size();
      }
      return n;
    };
    WaitUntil([&] { return open() == 0; }, 5000, 100);
    HoldsFor([&] { return open() == 0; }, 500, 100);
  }
  std::wstring Log(const wchar_t* title) const { return folder + L"\\" + title + L".log"; }
  // Starts Vorlex on the items of WindowItems() and waits until it is ready.
  void StartWithWindowItems(Vorlex& v) {
    WriteBytes(Ini(), WindowItems(folder));
    StartReady(v);
  }
  // Presses Ctrl+Alt and the key, an item's hotkey, as a person does and
  // waits until `copies` windows of that title are open: the first of
  // them, or null when they did not open.
  HWND Press(UINT vk, const wchar_t* title, std::size_t copies = 1) {
    PressHotkey({VK_CONTROL, VK_MENU}, vk);
    return WaitTitled(title, copies);
  }
};

}  // namespace

TEST_F(StartOptions, ASecondPressBringsTheRunningProgramForwardInsteadOfAnotherCopy) {
  Vorlex v(folder);
  StartWithWindowItems(v);
  HWND first = Press(VK_F9, L"first");
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == first; }, 5000));
  // Another program comes in front of it.
  HWND second = Press(VK_F10, L"second");
  ASSERT_NE(second, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == second; }, 5000));

  PressHotkey({VK_CONTROL, VK_MENU}, VK_F9);
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == first; }, 5000));
  EXPECT_TRUE(HoldsFor([] { return Titled(L"first").size() == 1; }, 1500));
  EXPECT_EQ(Started(Log(L"first")), 1u);

  // Minimized, it is restored and in front.
  ShowWindow(first, SW_MINIMIZE);
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(first) != FALSE; }, 5000));
  PressHotkey({VK_CONTROL, VK_MENU}, VK_F9);
  EXPECT_TRUE(WaitUntil([&] { return !IsIconic(first) && GetForegroundWindow() == first; }, 5000))
      << IsIconic(first) << " " << (GetForegroundWindow() == first) << " " <<
      [] {
        HWND f = GetForegroundWindow();
        wchar_t cls[64] = {};
        GetClassNameW(f, cls, 64);
        DWORD pid = 0;
        GetWindowThreadProcessId(f, &pid);
        return Cp932(cls) + " pid " + std::to_string(pid) + " mine " + std::to_string(GetCurrentProcessId());
      }()
      << " vorlex " << v.Pid();
  EXPECT_EQ(Titled(L"first").size(), 1u);
  EXPECT_EQ(Started(Log(L"first")), 1u);

  // An item without the option starts a copy each press.
  EXPECT_NE(Press(VK_F10, L"second", 2), nullptr);
  EXPECT_EQ(Started(Log(L"second")), 2u);
  EXPECT_EQ(v.Close(), 0u);
}

// Two windows of the program open, another program in front: three
// presses of the item's hotkey bring them forward in turn.
TEST_F(StartOptions, ThreePressesGoThroughTheProgramsTwoWindowsInTurn) {
  Vorlex v(folder);
  StartWithWindowItems(v);
  HWND a = Press(VK_F6, L"maximized");
  HWND b = Press(VK_F7, L"minimized");
  HWND other = Press(VK_F10, L"second");
  ASSERT_TRUE(a && b && other);
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other; }, 5000));
  std::vector<HWND> seen;
  for (int i = 0; i < 3; ++i) {
    const HWND before = GetForegroundWindow();
    PressHotkey({VK_CONTROL, VK_MENU}, VK_F9);
    ASSERT_TRUE(WaitUntil(
        [&] {
          const HWND now = GetForegroundWindow();
          return now != before && (now == a || now == b);
        },
        5000))
        << "press " << i;
    seen.push_back(GetForegroundWindow());
  }
  EXPECT_NE(seen[0], seen[1]);
  EXPECT_EQ(seen[0], seen[2]);
  EXPECT_EQ(Started(Log(L"first")), 0u);  // nothing new started
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(StartOptions, ProgramsStartMinimizedOrMaximizedAsTheirItemsSay) {
  Vorlex v(folder);
  StartWithWindowItems(v);
  HWND minimized = Press(VK_F7, L"minimized");
  ASSERT_NE(minimized, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return IsIconic(minimized) != FALSE; }, 5000));
  EXPECT_NE(GetForegroundWindow(), minimized);  // started without taking the focus
  HWND maximized = Press(VK_F6, L"maximized");
  ASSERT_NE(maximized, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return IsZoomed(maximized) != FALSE; }, 5000));
  EXPECT_FALSE(IsIconic(maximized));
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, TheEditorsOptionBoxesAreStoredAndClearingThemGivesTheUntouchedFile) {
  Vorlex v(folder);
  HWND editor = StartWithEditor(v);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Ok")));
  ASSERT_TRUE(WaitHidden(editor));
  const std::string untouched = WithoutTime(ReadBytes(Ini()));

  // Ticked, and 最大化 chosen from the drop-down list by keys.
  auto choose = [&](HWND list, WORD key) {
    if (!ClickWindow(list)) return false;
    if (!WaitUntil([&] { return FindWindowOf(v.Pid(), L"ComboLBox", true) != nullptr; }, 5000)) return false;
    PressKeys({}, key);
    PressKeys({}, key);
    PressKeys({}, VK_RETURN);
    return WaitUntil([&] { return FindWindowOf(v.Pid(), L"ComboLBox", true) == nullptr; }, 5000);
  };
  editor = OpenEditor(v);
  ASSERT_NE(editor, nullptr);
  HWND list = ChildOfClass(editor, L"ComboBox");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(FieldText(list), L"通常");
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"管理者として実行")));
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"起動中なら前面に表示")));
  ASSERT_TRUE(choose(list, VK_DOWN));
  EXPECT_TRUE(WaitUntil([&] { return FieldText(list) == L"最大化"; }, 2000));
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Ok")));
  ASSERT_TRUE(WaitHidden(editor));
  const std::string ini = ReadBytes(Ini());
  EXPECT_NE(ini.find("\\work\"\r\nActivate=1\r\nRunAs=1\r\nShow=2\r\n[1]"), std::string::npos) << ini;

  // Shown again as stored, then cleared.
  editor = OpenEditor(v);
  ASSERT_NE(editor, nullptr);
  list = ChildOfClass(editor, L"ComboBox");
  EXPECT_EQ(FieldText(list), L"最大化");
  EXPECT_EQ(SendMessageW(ChildWithText(editor, L"管理者として実行"), BM_GETCHECK, 0, 0), BST_CHECKED);
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"管理者として実行")));
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"起動中なら前面に表示")));
  ASSERT_TRUE(choose(list, VK_UP));
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Ok")));
  ASSERT_TRUE(WaitHidden(editor));
  EXPECT_EQ(WithoutTime(ReadBytes(Ini())), untouched);
  EXPECT_EQ(v.Close(), 0u);
}

namespace {

// The Run key's value "Vorlex", as Windows reads it at sign-in; empty when
// there is none.
std::wstring RunValue() {
  wchar_t data[1024] = {};
  DWORD size = sizeof data;
  const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                      L"Vorlex", RRF_RT_REG_SZ, nullptr, data, &size);
  return status == ERROR_SUCCESS ? data : L"";
}

// In the other settings, ticks or clears Windows の起動時に実行 as a person
// does, and closes them with 閉じる.
void SetStartWithWindows(const Vorlex& v, HWND editor, bool on) {
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"その他の設定")));
  HWND etc = WaitWindowOf(v.Pid(), L"TForm_SetEtc", 5000, true);
  ASSERT_NE(etc, nullptr);
  HWND box = ChildWithText(etc, L"Windows の起動時に実行");
  ASSERT_NE(box, nullptr);
  // The click reaches the box through the X server a moment later.
  auto shows = [&] { return (SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED) == on; };
  if (!shows()) {
    EXPECT_TRUE(ClickUntil(box, shows));
  }
  ASSERT_TRUE(ClickWindow(ChildWithText(etc, L"閉じる")));
  ASSERT_TRUE(WaitHidden(etc));
}

}  // namespace

TEST_F(E2E, TheSwitchToStartWithWindowsWritesAndRemovesTheRunValueOnOkAlone) {
  RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Vorlex");
  Vorlex v(folder);
  StartWithItems(v);
  const std::wstring quoted = L"\"" + folder + L"\\Vorlex.exe\"";
  // Ticked, cleared and cancelled, cleared with Ok: the value after each.
  const struct {
    bool on;
    const wchar_t* button;
    std::wstring after;
  } steps[] = {{true, L"Ok", quoted}, {false, L"Cancel", quoted}, {false, L"Ok", L""}};
  for (const auto& step : steps) {
    HWND editor = OpenEditor(v);
    ASSERT_NE(editor, nullptr);
    SetStartWithWindows(v, editor, step.on);
    EXPECT_EQ(RunValue(), step.on ? L"" : quoted);  // nothing before the editor closes
    ASSERT_TRUE(ClickWindow(ChildWithText(editor, step.button)));
    ASSERT_TRUE(WaitHidden(editor));
    EXPECT_EQ(RunValue(), step.after) << step.button;
  }
  EXPECT_EQ(v.Close(), 0u);
}

// End-to-end figures of the real Vorlex.exe under Wine (or on Windows):
// start-up time with 0 and with 200 items that all have hotkeys and icons,
// the time from a hotkey press to the started program running, and the
// processor time of the time window's clock while it shows and once hidden.
// Prints a Markdown table.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/driver.h"

using namespace e2e;

namespace {

double Ms(LONGLONG ticks) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(f.QuadPart);
}

LONGLONG Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// `items` items, each with its own hotkey and its own program: a copy of
// vx_marker.exe, so that no two icons come from the same file.
std::string Settings(const std::wstring& folder, int items) {
  const WORD keys[] = {'A', 'B', 'C', 'D', 'E', 'G', 'H',   'I',   'J',   'K',   'L',   'M',   'N',  'O',
                       'P', 'Q', 'R', 'S', 'T', 'U', 'V',   'W',   'X',   'Y',   'Z',   '1',   '2',  '3',
                       '4', '5', '6', '7', '8', '9', VK_F2, VK_F3, VK_F5, VK_F6, VK_F7, VK_F8, VK_F9};
  const int mods[] = {0x4000 | 0x8000, 0x4000 | 0x2000, 0x8000 | 0x2000, 0x4000 | 0x8000 | 0x2000, 0x4000};
  // No double-click item: a click opens the launch menu without waiting.
  std::string s = "[Basic]\r\nCount=" + std::to_string(items) +
                  "\r\nVisibleMenuIcon=1\r\nShortCutView=0\r\nLeftDoubleClickMenuNo=-1\r\n";
  const int nkeys = static_cast<int>(sizeof keys / sizeof keys[0]);
  for (int i = 0; i < items; ++i) {
    const int hotkey = mods[i / nkeys] | keys[i % nkeys];
    const std::wstring program = folder + L"\\marker" + std::to_wstring(i) + L".exe";
    CopyFileW((folder + L"\\vx_marker.exe").c_str(), program.c_str(), FALSE);
    const std::string marker = Cp932(program);
    s += "[" + std::to_string(i) + "]\r\nName=\"Item " + std::to_string(i) + "\"\r\nHotKey=" + std::to_string(hotkey) +
         "\r\nExe=\"" + marker + "\"\r\nPar=\"m" + std::to_string(i) + ".txt\"\r\n";
  }
  return s;
}

struct StartUp {
  double ready;     // process start to the first message answered: start-up done
  double idle;      // process start to idle, every menu icon asked for
  double menuOpen;  // a click on the icon to the launch menu open, its icons still coming
  double close;     // close request to the process's end (settings saved, icon gone)
};

// Waits for the main window, then for its first answer: sent messages are
// handled only once the message loop runs, that is once start-up is done.
bool WaitAnswering(const Vorlex& v) {
  for (int i = 0; i < 6000 && !v.MainWindow(); ++i) Sleep(1);
  DWORD_PTR result;
  return v.MainWindow() && SendMessageTimeoutW(v.MainWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
}

StartUp StartUpMs(int items, int rounds) {
  const std::wstring folder = NewFolder(L"bench-start-" + std::to_wstring(items));
  std::vector<double> ready, idle, menu, close;
  for (int k = 0; k < rounds; ++k) {
    WriteBytes(folder + L"\\Vorlex.ini", Settings(folder, items));
    Vorlex v(folder);
    const LONGLONG t0 = Now();
    if (!v.Start() || !WaitAnswering(v)) return {-1, -1, -1, -1};
    ready.push_back(Ms(Now() - t0));
    if (items > 0) {
      // At once after start-up, while the icons are still being looked up.
      const LONGLONG click = Now();
      v.Tray(WM_LBUTTONDOWN);
      v.Tray(WM_LBUTTONUP);
      if (!WaitWindowOf(v.Pid(), L"#32768", 60000)) return {-3, -3, -3, -3};
      menu.push_back(Ms(Now() - click));
      v.CloseMenu();
    }
    if (!v.WaitReady(60000)) return {-1, -1, -1, -1};
    idle.push_back(Ms(Now() - t0));
    if (FindWindowOf(v.Pid(), L"#32770", true)) return {-2, -2, -2, -2};  // a hotkey failed: not a fair run
    Sleep(200);
    const LONGLONG t1 = Now();
    PostMessageW(v.MainWindow(), WM_CLOSE, 0, 0);
    v.WaitExit();
    close.push_back(Ms(Now() - t1));
  }
  return {Median(ready), Median(idle), menu.empty() ? 0 : Median(menu), Median(close)};
}

double HotKeyToRunningMs(int rounds) {
  const std::wstring folder = NewFolder(L"bench-hotkey");
  WriteBytes(folder + L"\\Vorlex.ini", Settings(folder, 1));
  Vorlex v(folder);
  if (!v.Start() || !v.WaitReady(60000)) return -1;
  std::vector<double> times;
  const std::wstring marker = folder + L"\\m0.txt";
  for (int k = 0; k < rounds; ++k) {
    DeleteFileW(marker.c_str());
    const LONGLONG t0 = Now();
    PressKeys({VK_CONTROL, VK_MENU}, 'A');
    if (!WaitFile(marker, 15000)) return -1;
    const std::wstring text = ReadMarker(marker);
    const std::size_t last = text.rfind(L'\n', text.size() - 2);
    const LONGLONG started = std::stoll(text.substr(last + 1));
    times.push_back(Ms(started - t0));
    Sleep(200);
  }
  PostMessageW(v.MainWindow(), WM_CLOSE, 0, 0);
  v.WaitExit();
  return Median(times);
}

// Processor time over 10 s with the time window shown (its clock refreshed
// every 100 ms), then over 10 s after it was closed.
// The editor's Ok with 1,000 items (the first 200 with hotkeys): from the
// button's click to its handler's end: the item stored, the file saved with
// its durable flush, every hotkey registered, the launch menu rebuilt.
double EditorOkMs(int rounds) {
  const std::wstring folder = NewFolder(L"bench-editor");
  std::string ini = Settings(folder, 200);
  const std::string marker = Cp932(folder + L"\\vx_marker.exe");
  ini.replace(ini.find("Count=200"), 9, "Count=1000");
  for (int i = 200; i < 1000; ++i)
    ini += "[" + std::to_string(i) + "]\r\nName=\"Item " + std::to_string(i) + "\"\r\nExe=\"" + marker + "\"\r\n";
  WriteBytes(folder + L"\\Vorlex.ini", ini);
  Vorlex v(folder);
  if (!v.Start() || !v.WaitReady(60000)) return -1;
  std::vector<double> times;
  for (int k = 0; k < rounds; ++k) {
    if (!ChooseCommand(v, "MI_Set")) return -1;
    HWND editor = WaitWindowOf(v.Pid(), L"TForm_Set", 10000, true);
    HWND ok = editor ? ChildWithText(editor, L"Ok") : nullptr;
    if (!ok) return -1;
    DWORD_PTR result;
    const LONGLONG t0 = Now();
    SendMessageTimeoutW(ok, BM_CLICK, 0, 0, SMTO_NORMAL, 60000, &result);
    times.push_back(Ms(Now() - t0));
    if (!WaitNoWindowOf(v.Pid(), L"TForm_Set", 10000)) return -1;
    Sleep(300);
  }
  PostMessageW(v.MainWindow(), WM_CLOSE, 0, 0);
  v.WaitExit();
  return Median(times);
}

double g_cpuBeforeWatch = 0;  // processor time from start-up to the window shown, as the counter works
std::pair<double, double> TimeWindowCpuMs() {
  const std::wstring folder = NewFolder(L"bench-time-window");
  Vorlex v(folder);
  if (!v.Start() || !v.WaitReady(60000)) return {-1, -1};
  HWND time = OpenTimeWindow(v);
  if (!time) return {-1, -1};
  Sleep(500);
  ULONGLONG before = ProcessCpuMs(v.Pid());
  g_cpuBeforeWatch = static_cast<double>(before);
  Sleep(10000);
  const double shown = static_cast<double>(ProcessCpuMs(v.Pid()) - before);
  PostMessageW(time, WM_CLOSE, 0, 0);
  Sleep(500);
  before = ProcessCpuMs(v.Pid());
  Sleep(10000);
  const double hidden = static_cast<double>(ProcessCpuMs(v.Pid()) - before);
  PostMessageW(v.MainWindow(), WM_CLOSE, 0, 0);
  v.WaitExit();
  return {shown, hidden};
}

}  // namespace

int main() {
  const StartUp none = StartUpMs(0, 5);
  const StartUp full = StartUpMs(200, 5);
  const double hotkey = HotKeyToRunningMs(10);
  const auto [cpuShown, cpuHidden] = TimeWindowCpuMs();
  const double editorOk = EditorOkMs(5);
  std::printf("| measure | median ms |\n|---|---|\n");
  std::printf("| start-up, 0 items | %.1f |\n", none.ready);
  std::printf("| start-up, 200 items with hotkeys and icons | %.1f |\n", full.ready);
  std::printf("| ratio 200 / 0 | %.2f |\n", full.ready / none.ready);
  std::printf("| to idle, 0 items | %.1f |\n", none.idle);
  std::printf("| to idle, 200 items, a menu shown and every icon asked for | %.1f |\n", full.idle);
  std::printf("| click to the launch menu open just after start-up, 200 items | %.1f |\n", full.menuOpen);
  std::printf("| close request to the end of the process, 0 items | %.1f |\n", none.close);
  std::printf("| close request to the end of the process, 200 items | %.1f |\n", full.close);
  std::printf("| hotkey press to started program running | %.1f |\n", hotkey);
  std::printf("| the editor's Ok, 1,000 items (200 with hotkeys) | %.1f |\n", editorOk);
  std::printf("| processor time from start to the time window shown | %.0f |\n", g_cpuBeforeWatch);
  std::printf("| processor time over 10 s, time window shown | %.0f |\n", cpuShown);
  std::printf("| processor time over 10 s, time window closed | %.0f |\n", cpuHidden);
  return none.ready > 0 && full.ready > 0 && hotkey > 0 ? 0 : 1;
}

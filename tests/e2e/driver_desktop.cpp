// The driver's hands and eyes on the desktop: Wine's own notification area,
// the host's tools (xdotool clicks as a person clicks), the mouse buttons,
// what vx_marker.exe recorded, texts beside captions, processor time and
// the clock's text forms, the processes running.
#include "tests/e2e/driver.h"

#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/scoped.h"

namespace e2e {

namespace {
BOOL CALLBACK CountTrayIcon(HWND child, LPARAM count) {
  wchar_t cls[64];
  GetClassNameW(child, cls, 64);
  if (lstrcmpW(cls, L"__winex11_tray_icon") == 0 && IsWindowVisible(child)) ++*reinterpret_cast<int*>(count);
  return TRUE;
}
}  // namespace

int WineTrayIcons() {
  HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
  if (!tray) return IsWindow(FindWindowW(L"Shell_TrayWnd", nullptr)) ? 0 : -1;
  int count = 0;
  EnumChildWindows(tray, CountTrayIcon, reinterpret_cast<LPARAM>(&count));
  return count;
}

std::wstring ReadMarker(const std::wstring& path) {
  const std::string bytes = ReadBytes(path);
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

void MouseButton(bool left, bool down) {
  INPUT i{};
  i.type = INPUT_MOUSE;
  i.mi.dwFlags =
      left ? (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP) : (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP);
  SendInput(1, &i, sizeof i);
}

bool RunUnix(const std::wstring& commandLine, DWORD ms) {
  // Wine starts a program of the host, but gives no handle to wait on: the
  // shell that runs it leaves a file behind when it is done.
  const std::wstring done =
      L"/tmp/vx-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount()) + L".done";
  std::wstring cmd = L"/bin/sh -c \"" + commandLine + L"; : > " + done + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  const vx::win32::ScopedHandle process(pi.hProcess), thread(pi.hThread);
  std::wstring windowsPath = L"Z:" + done;
  for (wchar_t& c : windowsPath)
    if (c == L'/') c = L'\\';
  const bool ran = WaitFile(windowsPath, ms);
  DeleteFileW(windowsPath.c_str());
  return ran;
}

namespace {
BOOL CALLBACK FirstTrayIcon(HWND child, LPARAM out) {
  wchar_t cls[64];
  GetClassNameW(child, cls, 64);
  if (lstrcmpW(cls, L"__winex11_tray_icon") == 0 && IsWindowVisible(child)) {
    *reinterpret_cast<HWND*>(out) = child;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

bool WineTrayIconRect(RECT& r) {
  HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
  if (!tray) return false;
  HWND icon = nullptr;
  EnumChildWindows(tray, FirstTrayIcon, reinterpret_cast<LPARAM>(&icon));
  return icon && GetWindowRect(icon, &r);
}

bool PersonClick(const RECT& r, bool left, int clicks, int pressMs, int gapMs) {
  const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  const std::wstring button = left ? L"1" : L"3";
  auto seconds = [](int ms) {
    return std::to_wstring(ms / 1000) + L"." + std::to_wstring(ms % 1000 / 100) + std::to_wstring(ms % 100 / 10) +
           std::to_wstring(ms % 10);
  };
  std::wstring cmd = L"/usr/bin/xdotool mousemove " + std::to_wstring(x) + L" " + std::to_wstring(y) + L" sleep 0.2";
  for (int i = 0; i < clicks; ++i) {
    if (i > 0) cmd += L" sleep " + seconds(gapMs);
    cmd += L" mousedown " + button + L" sleep " + seconds(pressMs) + L" mouseup " + button;
  }
  return RunUnix(cmd);
}

bool ClickUntil(HWND wnd, const std::function<bool()>& done) {
  for (int click = 0; click < 2; ++click) {
    if (!ClickWindow(wnd)) return false;
    if (WaitUntil(done, 2000)) return true;
  }
  return done();
}

bool ClickWindow(HWND wnd) {
  RECT r;
  return GetWindowRect(wnd, &r) && PersonClick(r, true, 1);
}

namespace {
struct TextSearch {
  const std::wstring* text;
  HWND found;
};
BOOL CALLBACK MatchText(HWND child, LPARAM l) {
  auto* s = reinterpret_cast<TextSearch*>(l);
  if (WindowText(child) == *s->text) {
    s->found = child;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND ChildWithText(HWND parent, const std::wstring& text) {
  TextSearch s{&text, nullptr};
  EnumChildWindows(parent, MatchText, reinterpret_cast<LPARAM>(&s));  // every descendant
  return s.found;
}

std::wstring TextAfter(HWND parent, const std::wstring& label) {
  HWND caption = ChildWithText(parent, label);
  HWND value = caption ? GetWindow(caption, GW_HWNDNEXT) : nullptr;
  return value ? WindowText(value) : L"";
}

ULONGLONG ProcessCpuMs(DWORD pid) {
  const vx::win32::ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid));
  if (!process.Valid()) return 0;
  FILETIME created, exited, kernel, user;
  GetProcessTimes(process.Get(), &created, &exited, &kernel, &user);
  auto ms = [](FILETIME f) { return ((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000; };
  return ms(kernel) + ms(user);
}

namespace {
long long SecondsOf(int y, int mo, int d, int h, int mi, int s) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(mo);
  st.wDay = static_cast<WORD>(d);
  st.wHour = static_cast<WORD>(h);
  st.wMinute = static_cast<WORD>(mi);
  st.wSecond = static_cast<WORD>(s);
  FILETIME ft;
  if (!SystemTimeToFileTime(&st, &ft)) return -1;
  const ULONGLONG t = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<long long>(t / 10000000ULL) - 12591158400LL;  // from 2000-01-01
}
}  // namespace

long long Seconds(const std::wstring& text) {
  int y, mo, d, h, mi, s;
  wchar_t a, b, c, e;
  if (text.size() != 17 ||
      swscanf(text.c_str(), L"%2d%lc%2d%lc%2d %2d%lc%2d%lc%2d", &y, &a, &mo, &b, &d, &h, &c, &mi, &e, &s) != 10)
    return -1;
  if (a != L'/' || b != L'/' || c != L':' || e != L':') return -1;
  return SecondsOf(2000 + y, mo, d, h, mi, s);
}

long long NowSeconds() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return SecondsOf(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

// The processes of that program file name now running.
std::vector<DWORD> Processes(const wchar_t* exe) {
  std::vector<DWORD> found;
  const vx::win32::ScopedHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap.Valid()) return found;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  for (BOOL more = Process32FirstW(snap.Get(), &e); more; more = Process32NextW(snap.Get(), &e))
    if (lstrcmpiW(e.szExeFile, exe) == 0) found.push_back(e.th32ProcessID);
  return found;
}

NewConsoleHosts::NewConsoleHosts() : before_(Processes(L"conhost.exe")) {}

NewConsoleHosts::~NewConsoleHosts() {
  for (DWORD pid : Processes(L"conhost.exe")) {
    if (std::find(before_.begin(), before_.end(), pid) != before_.end()) continue;
    const vx::win32::ScopedHandle host(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!host.Valid()) continue;
    TerminateProcess(host.Get(), 0);
    WaitForSingleObject(host.Get(), 5000);
  }
}

}  // namespace e2e

// The end-to-end driver: files, folders, keys, windows of a process, a
// running Vorlex.exe (start, wait, close, message boxes, menus), and the
// editor and time window opened as a person opens them.
#include "tests/e2e/driver.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "base/names.h"
#include "platform/win32/scoped.h"

namespace e2e {

using vx::win32::ScopedGdiObject;
using vx::win32::ScopedGetDC;
using vx::win32::ScopedHandle;
using vx::win32::ScopedMemoryDC;
using vx::win32::ScopedSelect;

std::string ReadBytes(const std::wstring& path) {
  std::string out;
  const ScopedHandle h(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
  if (!h.Valid()) return out;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h.Get(), buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  return out;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  const ScopedHandle h(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  if (h.Valid()) WriteFile(h.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WaitUntil(const std::function<bool()>& done, DWORD ms, DWORD everyMs) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(everyMs);  // the one poll of the driver: every wait for the program comes here
  }
}

bool WaitFile(const std::wstring& path, DWORD ms) {
  return WaitUntil([&] { return FileExists(path); }, ms);
}

namespace {
std::wstring Decode(UINT codePage, const std::string& s) {
  if (s.empty()) return std::wstring();
  const int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
  return out;
}
}  // namespace

std::wstring Utf16(const std::string& s) { return Decode(CP_UTF8, s); }
std::wstring FromSjis(const std::string& bytes) { return Decode(932, bytes); }
std::string Sjis(const std::string& utf8) { return Cp932(Utf16(utf8)); }

std::wstring IniText(const std::wstring& path) {
  const std::string bytes = ReadBytes(path);
  if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE') return FromSjis(bytes);
  std::wstring text((bytes.size() - 2) / 2, L'\0');
  std::memcpy(&text[0], bytes.data() + 2, text.size() * 2);
  return text;
}

namespace {

std::wstring DriverFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  return p.substr(0, p.find_last_of(L'\\'));
}

void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = dir + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(full);
      else
        DeleteFileW(full.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

}  // namespace

std::wstring NewFolder(const std::wstring& name) {
  const std::wstring here = DriverFolder();
  const std::wstring root = here + L"\\e2e-work";
  CreateDirectoryW(root.c_str(), nullptr);
  const std::wstring dir = root + L"\\" + name;
  RemoveTree(dir);
  CreateDirectoryW(dir.c_str(), nullptr);
  CopyFileW((here + L"\\Vorlex.exe").c_str(), (dir + L"\\Vorlex.exe").c_str(), FALSE);
  CopyFileW((here + L"\\vx_marker.exe").c_str(), (dir + L"\\vx_marker.exe").c_str(), FALSE);
  CopyFileW((here + L"\\vx_window.exe").c_str(), (dir + L"\\vx_window.exe").c_str(), FALSE);
  return dir;
}

std::wstring KeyName(UINT vk) {
  wchar_t buf[256];
  const LONG lParam = static_cast<LONG>(MapVirtualKeyW(vk, 0) << 16);
  if (lParam == 0) return L"";
  const int n = GetKeyNameTextW(lParam, buf, 256);
  return std::wstring(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

void PressKeys(const std::vector<WORD>& modifiers, WORD vk) {
  std::vector<INPUT> in;
  auto key = [&in](WORD k, bool up) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = k;
    i.ki.wScan = static_cast<WORD>(MapVirtualKeyW(k, 0));
    i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    in.push_back(i);
  };
  for (WORD m : modifiers) key(m, false);
  key(vk, false);
  key(vk, true);
  for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) key(*it, true);
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

void PressHotkey(const std::vector<WORD>& modifiers, WORD vk) {
  // Wine's X11 driver sets its modifier keys to the X server's whenever one
  // of its windows takes the focus or the pointer, and the X server never
  // saw the keys SendInput holds: a window closed just before takes their
  // Ctrl and Alt away in the middle of the chord, and the hotkey never
  // comes. A person presses the next key after the desktop has settled.
  auto state = [] {
    POINT cursor{};
    GetCursorPos(&cursor);
    return std::make_pair(GetForegroundWindow(), WindowFromPoint(cursor));
  };
  auto last = state();
  ULONGLONG stillSince = GetTickCount64();
  WaitUntil(
      [&] {
        const auto now = state();
        if (now != last) {
          last = now;
          stillSince = GetTickCount64();
        }
        return GetTickCount64() - stillSince >= 250;
      },
      5000);
  PressKeys(modifiers, vk);
}

namespace {
struct Search {
  DWORD pid;
  const wchar_t* cls;
  bool visibleOnly;
  HWND found;
};
BOOL CALLBACK Match(HWND wnd, LPARAM l) {
  auto* s = reinterpret_cast<Search*>(l);
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  wchar_t cls[128];
  GetClassNameW(wnd, cls, 128);
  if (pid == s->pid && lstrcmpW(cls, s->cls) == 0 && (!s->visibleOnly || IsWindowVisible(wnd))) {
    s->found = wnd;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND FindWindowOf(DWORD pid, const wchar_t* cls, bool visibleOnly) {
  Search s{pid, cls, visibleOnly, nullptr};
  EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WaitWindowOf(DWORD pid, const wchar_t* cls, DWORD ms, bool visibleOnly) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindWindowOf(pid, cls, visibleOnly)) != nullptr; }, ms);
  return found;
}

bool WaitNoWindowOf(DWORD pid, const wchar_t* cls, DWORD ms) {
  return WaitUntil([&] { return !FindWindowOf(pid, cls, true); }, ms);
}

std::wstring WindowText(HWND wnd) {
  wchar_t buf[4096];
  const int n = GetWindowTextW(wnd, buf, 4096);
  return std::wstring(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::wstring MessageBoxText(HWND box) {
  wchar_t buf[4096];
  const UINT n = GetDlgItemTextW(box, 0xFFFF, buf, 4096);
  return std::wstring(buf, n);
}

Vorlex::~Vorlex() {
  if (pi_.hProcess) {
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(pi_.hProcess, 99);
      WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
  }
}

bool Vorlex::Start(const std::wstring& workingFolder, const std::wstring& args) {
  std::wstring cmd = L"\"" + Path(L"Vorlex.exe") + L"\"" + (args.empty() ? L"" : L" " + args);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  const std::wstring& cwd = workingFolder.empty() ? folder_ : workingFolder;
  // Wine's process creation now and then fails while the processes of the
  // test before are still ending; the failure is reported, and tried once
  // more after a moment, as a person would double-click again.
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::wstring line = cmd;
    if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, cwd.c_str(), &si, &pi_)) return true;
    std::fprintf(stderr, "CreateProcessW %s failed: error %lu\n", Cp932(cmd).c_str(), GetLastError());
    Sleep(500);
  }
  return false;
}

bool Vorlex::WaitReady(DWORD ms) { return WaitForInputIdle(pi_.hProcess, ms) == 0; }

DWORD Vorlex::WaitExit(DWORD ms) {
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0) GetExitCodeProcess(pi_.hProcess, &code);
  return code;
}

DWORD Vorlex::Close() {
  PostMessageW(MainWindow(), WM_CLOSE, 0, 0);
  return WaitExit();
}

std::pair<std::wstring, std::wstring> Vorlex::TakeMessageBox(DWORD ms) const {
  HWND box = WaitWindowOf(Pid(), L"#32770", ms);
  if (!box) return {};
  std::pair<std::wstring, std::wstring> result{WindowText(box), MessageBoxText(box)};
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  WaitUntil([box] { return !IsWindow(box); }, 5000);  // gone before the next one is looked for
  return result;
}

std::vector<std::wstring> Vorlex::TakeMessageBoxesUntilExit(DWORD ms) const {
  std::vector<std::wstring> texts;
  WaitUntil(
      [&] {
        if (FindWindowOf(Pid(), L"#32770", true)) texts.push_back(TakeMessageBox(0).second);
        return WaitForSingleObject(pi_.hProcess, 0) != WAIT_TIMEOUT;
      },
      ms);
  return texts;
}

void Vorlex::Tray(UINT mouseMessage) const { PostMessageW(TrayWindow(), vx::kTrayCallbackMessage, 1, mouseMessage); }

bool Vorlex::ChooseFromMenu(int downs, DWORD ms) const {
  if (downs <= 0) {
    CloseMenu(ms);
    return false;  // a name the menu lacks: nothing is chosen
  }
  HWND menu = WaitMenuReady(Pid(), ms);
  if (!menu) return false;
  for (int i = 0; i < downs; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  return WaitNoWindowOf(Pid(), L"#32768", ms);
}

bool Vorlex::CloseMenu(DWORD ms) const {
  HWND menu = WaitMenuReady(Pid(), ms);
  if (!menu) return false;
  PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  return WaitNoWindowOf(Pid(), L"#32768", ms);
}

}  // namespace e2e

namespace e2e {

std::string Cp932(const std::wstring& w) {
  if (w.empty()) return std::string();
  const int n = WideCharToMultiByte(932, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(932, 0, w.data(), static_cast<int>(w.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::vector<DWORD> CaptureScreen(const RECT& r) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  std::vector<DWORD> pixels;
  if (w <= 0 || h <= 0) return pixels;
  const ScopedGetDC screen(nullptr);
  const ScopedMemoryDC mem(screen.Get());
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  const ScopedGdiObject<HBITMAP> bmp(CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (bmp.Get()) {
    const ScopedSelect selected(mem.Get(), bmp.Get());
    BitBlt(mem.Get(), 0, 0, w, h, screen.Get(), r.left, r.top, SRCCOPY);
    GdiFlush();
    const auto* px = static_cast<const DWORD*>(bits);
    pixels.assign(px, px + static_cast<std::size_t>(w) * h);
  }
  return pixels;
}

bool SaveScreenBmp(const RECT& r, const std::wstring& path, const std::vector<RECT>& only) {
  std::vector<DWORD> px = CaptureScreen(r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (px.empty()) return false;
  if (!only.empty()) {
    // What lies outside the windows is the bare X screen: it shows as
    // Windows' own desktop colour instead.
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const POINT at{r.left + x, r.top + y};
        bool inside = false;
        for (const RECT& keep : only) inside = inside || PtInRect(&keep, at);
        if (!inside) px[static_cast<std::size_t>(y) * w + x] = 0x3A6EA5;
      }
  }
  const int stride = (w * 3 + 3) & ~3;
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  ih.biSize = sizeof ih;
  ih.biWidth = w;
  ih.biHeight = h;  // bottom-up, as BMP files are read everywhere
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  ih.biSizeImage = static_cast<DWORD>(stride * h);
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = fh.bfOffBits + ih.biSizeImage;
  std::string bytes(reinterpret_cast<const char*>(&fh), sizeof fh);
  bytes.append(reinterpret_cast<const char*>(&ih), sizeof ih);
  std::string row(static_cast<std::size_t>(stride), '\0');
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      const DWORD c = px[static_cast<std::size_t>(y) * w + x];
      row[x * 3] = static_cast<char>(c & 0xFF);
      row[x * 3 + 1] = static_cast<char>(c >> 8 & 0xFF);
      row[x * 3 + 2] = static_cast<char>(c >> 16 & 0xFF);
    }
    bytes += row;
  }
  WriteBytes(path, bytes);
  return true;
}

HWND WaitMenuReady(DWORD pid, DWORD ms) {
  HWND menu = WaitWindowOf(pid, L"#32768", ms);
  // The menu takes keys once its loop runs, of which Wine gives no sign:
  // a person's glance at it first.
  if (menu) Sleep(150);
  return menu;
}

bool MenuOpensAt(DWORD pid, POINT at) {
  HWND menu = WaitMenuReady(pid, 10000);
  RECT r;
  return menu && GetWindowRect(menu, &r) && std::abs(r.left - at.x) <= 2 && std::abs(r.top - at.y) <= 2;
}

HWND OpenTrayMenu(const Vorlex& v, bool left) {
  RECT icon;
  if (WineTrayIconRect(icon)) {
    PersonClick(icon, left, 1);
  } else {
    v.Tray(left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN);
    v.Tray(left ? WM_LBUTTONUP : WM_RBUTTONUP);
  }
  return WaitMenuReady(v.Pid(), 10000);
}

HWND OpenTimeWindow(const Vorlex& v) {
  static_assert(vx::CommandDowns("MI_Time") == 1, "時間情報 is the command menu's first entry, which a person clicks");
  HWND menu = OpenTrayMenu(v, false);
  if (!menu) return nullptr;
  RECT r;
  GetWindowRect(menu, &r);
  const RECT first{r.left, r.top, r.right, r.top + 24};
  PersonClick(first, true, 1);
  return WaitWindowOf(v.Pid(), L"TForm_Time", 10000, true);
}

void SetWineDpi(DWORD dpi) {
  // Wine takes the screen's DPI from these values when a program starts.
  const std::pair<HKEY, const wchar_t*> keys[] = {{HKEY_CURRENT_USER, L"Control Panel\\Desktop"},
                                                  {HKEY_CURRENT_CONFIG, L"Software\\Fonts"}};
  for (const auto& [root, path] : keys) {
    HKEY key;
    if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) continue;
    RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    RegCloseKey(key);
  }
}

bool ChooseCommand(const Vorlex& v, const char* name) { return ChooseCommandAt(v, vx::CommandDowns(name)); }

bool ChooseCommandAt(const Vorlex& v, int downs) {
  if (downs == 0 || !OpenTrayMenu(v, false)) return false;
  for (int i = 0; i < downs; ++i) PressKeys({}, VK_DOWN);
  PressKeys({}, VK_RETURN);
  return WaitNoWindowOf(v.Pid(), L"#32768", 5000);
}

namespace {
struct ClassSearch {
  const wchar_t* cls;
  int n;
  HWND found;
};
BOOL CALLBACK MatchClass(HWND child, LPARAM l) {
  auto* s = reinterpret_cast<ClassSearch*>(l);
  wchar_t cls[64];
  GetClassNameW(child, cls, 64);
  if (lstrcmpiW(cls, s->cls) == 0 && s->n-- == 0) {
    s->found = child;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND ChildOfClass(HWND parent, const wchar_t* cls, int n) {
  ClassSearch s{cls, n, nullptr};
  EnumChildWindows(parent, MatchClass, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

void TypeText(const std::wstring& text) {
  for (wchar_t c : text) {
    INPUT in[2]{};
    for (int i = 0; i < 2; ++i) {
      in[i].type = INPUT_KEYBOARD;
      in[i].ki.wScan = c;
      in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
    }
    SendInput(2, in, sizeof(INPUT));
    Sleep(20);
  }
}

SIZE ClientSize(HWND wnd) {
  RECT r{};
  GetClientRect(wnd, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

HWND OpenEditor(const Vorlex& v) {
  if (!ChooseCommand(v, "MI_Set")) return nullptr;
  return WaitWindowOf(v.Pid(), L"TForm_Set", 10000, true);
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

bool FocusComesTo(HWND control, DWORD ms) {
  return WaitUntil([control] { return FocusOf(control) == control; }, ms);
}

bool HoldsFor(const std::function<bool()>& holds, DWORD ms, DWORD everyMs) {
  return !WaitUntil([&] { return !holds(); }, ms, everyMs);
}

void Retype(HWND field, const std::wstring& text) {
  ClickWindow(field);
  FocusComesTo(field);
  PressKeys({}, VK_HOME);
  PressKeys({VK_SHIFT}, VK_END);
  TypeText(text);
  WaitUntil([&] { return FieldText(field) == text; }, 2000);  // a field at its limit shows less
}

bool WaitHidden(HWND wnd, DWORD ms) {
  return WaitUntil([wnd] { return !IsWindowVisible(wnd); }, ms);
}

std::wstring FieldText(HWND field) {
  const LRESULT n = SendMessageW(field, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(SendMessageW(field, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
  return text;
}

namespace {
// The path on the machine Wine runs on of a path on Wine's drive Z:.
std::wstring UnixPath(const std::wstring& path) {
  std::wstring out = path.size() > 2 && (path[0] == L'Z' || path[0] == L'z') && path[1] == L':' ? path.substr(2) : path;
  for (wchar_t& c : out)
    if (c == L'\\') c = L'/';
  return out;
}
}  // namespace

bool DropFilesOn(const std::wstring& title, const std::vector<std::wstring>& files) {
  const std::wstring stem =
      L"/tmp/vx-drop-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount());
  std::wstring list = title + L"\n";
  for (const std::wstring& f : files) list += UnixPath(f) + L"\n";
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, list.data(), static_cast<int>(list.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, list.data(), static_cast<int>(list.size()), &utf8[0], n, nullptr, nullptr);
  const std::wstring listFile = L"Z:" + stem + L".txt", okFile = L"Z:" + stem + L".ok";
  WriteBytes(listFile, utf8);
  const bool ran =
      RunUnix(L"/usr/bin/python3 " + Utf16(VX_XDND_SCRIPT) + L" " + stem + L".txt && : > " + stem + L".ok");
  const bool ok = ran && FileExists(okFile);
  DeleteFileW(listFile.c_str());
  DeleteFileW(okFile.c_str());
  return ok;
}

}  // namespace e2e

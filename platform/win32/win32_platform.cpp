// The Win32 backend: text conversions, windows and the message primitive,
// dialogs, menus, icons, keyboard, hotkeys, atoms and the shell.
#include <algorithm>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "base/pixels.h"
#include "platform/win32/win32.h"

namespace vx::win32 {

// ---------------------------------------------------------------- Text

std::wstring Wide(const std::string& s) {
  if (s.empty()) return std::wstring();
  const int n = MultiByteToWideChar(932, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(932, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
  return out;
}

std::string Narrow(const std::wstring& w) {
  if (w.empty()) return std::string();
  const int n =
      WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), nullptr, 0, "?", nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), &out[0], n, "?", nullptr);
  return out;
}

std::u16string ToU16(const std::wstring& w) { return std::u16string(w.begin(), w.end()); }
std::wstring FromU16(const std::u16string& t) { return std::wstring(t.begin(), t.end()); }
std::wstring WideUtf8(const std::string& utf8) { return FromU16(Utf8ToUtf16(utf8)); }
std::wstring WidePath(const FilePath& path) { return WideUtf8(path.utf8); }
std::string Utf8(const std::wstring& wide) { return Utf16ToUtf8(ToU16(wide)); }
FilePath PathFromWide(const std::wstring& wide) { return FilePath(Utf8(wide), Narrow(wide)); }

std::string Win32CodePage::Encode(std::u16string_view text) const {
  return Narrow(std::wstring(text.begin(), text.end()));
}

std::u16string Win32CodePage::Decode(std::string_view cp932) const { return ToU16(Wide(std::string(cp932))); }

void ThrowLastError(const char* function, DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = text ? text : L"";
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
    message.pop_back();
  throw SystemError(std::string(function) + " (" + std::to_string(error) + "): " + Narrow(message), error);
}

// ------------------------------------------------------------ Windows

namespace {

// Wine's menus draw a 32-bit image's see-through pixels black instead of
// blending them, so under Wine the entries' images are drawn by the menu's
// owner onto the menu's own background (HBMMENU_CALLBACK). On Windows that
// would turn the menu's visual style off: there the menu blends them.
bool RunsOnWine() {
  static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

bool g_menuDrawsImages = false;  // a menu whose images its owner draws is up

// WM_MEASUREITEM and WM_DRAWITEM for such an image, whose bitmap is the
// entry's item data; false for any other.
bool MenuImageMessage(UINT msg, LPARAM l) {
  if (msg == WM_MEASUREITEM) {
    auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(l);
    BITMAP bm{};
    if (m->CtlType != ODT_MENU || !GetObjectW(reinterpret_cast<HBITMAP>(m->itemData), sizeof bm, &bm)) return false;
    m->itemWidth = static_cast<UINT>(bm.bmWidth);
    m->itemHeight = static_cast<UINT>(bm.bmHeight);
    return true;
  }
  auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(l);
  BITMAP bm{};
  if (d->CtlType != ODT_MENU || !GetObjectW(reinterpret_cast<HBITMAP>(d->itemData), sizeof bm, &bm)) return false;
  // The menu has drawn the entry's background, the selection's colour on a
  // selected entry; the premultiplied image is blended over it.
  const ScopedMemoryDC dc(d->hDC);
  const ScopedSelect selected(dc.Get(), reinterpret_cast<HBITMAP>(d->itemData));
  const int top = d->rcItem.top + ((d->rcItem.bottom - d->rcItem.top) - bm.bmHeight) / 2;
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(d->hDC, d->rcItem.left, top, bm.bmWidth, bm.bmHeight, dc.Get(), 0, 0, bm.bmWidth, bm.bmHeight, blend);
  return true;
}

// An open pop-up menu's window among this thread's windows draws anew.
BOOL CALLBACK RedrawIfMenu(HWND wnd, LPARAM) {
  wchar_t cls[16];
  if (GetClassNameW(wnd, cls, 16) && lstrcmpW(cls, L"#32768") == 0 && IsWindowVisible(wnd))
    InvalidateRect(wnd, nullptr, TRUE);
  return TRUE;
}

LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (g_menuDrawsImages && (msg == WM_MEASUREITEM || msg == WM_DRAWITEM) && w == 0 && MenuImageMessage(msg, l))
    return TRUE;
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(l);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    if (auto* bound = static_cast<WindowProc*>(cs->lpCreateParams)) bound->window = reinterpret_cast<Handle>(hwnd);
  }
  auto* proc = reinterpret_cast<WindowProc*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  // Until the window is bound, and for the window's own end, Windows answers.
  if (!proc || msg == WM_NCCREATE || msg == WM_NCDESTROY) return DefWindowProcW(hwnd, msg, w, l);
  return proc->Dispatch(msg, w, l);
}

}  // namespace

Win32Platform::Win32Platform() : instance_(GetModuleHandleW(nullptr)) {
  // The manifest asks for the themed controls; they come with this call.
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_HOTKEY_CLASS};
  InitCommonControlsEx(&icc);
}

Win32Platform::~Win32Platform() {
  if (!icons_) return;
  std::lock_guard<std::mutex> held(icons_->lock);
  icons_->stop = true;
  icons_->jobs.clear();
  for (const auto& [ticket, icon] : icons_->answers)
    if (icon) ::DestroyIcon(icon);
  icons_->answers.clear();
  icons_->wake.notify_one();
}

FilePath Win32Platform::ExePath() {
  std::wstring buf(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, &buf[0], static_cast<DWORD>(buf.size()));
  if (n == 0) ThrowLastError("GetModuleFileNameW");
  buf.resize(n);
  return PathFromWide(buf);
}

namespace {
// A text the system writes into a buffer the caller sizes: asked for its
// length first (with the zero), then for the text; false when it gives none.
bool Fetched(const std::function<DWORD(wchar_t*, DWORD)>& get, std::wstring& text) {
  const DWORD n = get(nullptr, 0);
  if (n == 0) return false;
  std::wstring buf(n, L'\0');
  const DWORD m = get(&buf[0], n);
  if (m >= n) return false;  // it grew meanwhile, or failed (0 for an empty text is fine)
  buf.resize(m);
  text = std::move(buf);
  return true;
}
}  // namespace

bool Win32Platform::ShortPathName(const std::u16string& path, std::u16string& shortPath) {
  const std::wstring wide = FromU16(path);
  std::wstring found;
  if (!Fetched([&](wchar_t* buf, DWORD n) { return GetShortPathNameW(wide.c_str(), buf, n); }, found) || found.empty())
    return false;
  shortPath = ToU16(found);
  return true;
}

bool Win32Platform::GetEnvironmentVariable(const std::string& nameUtf8, std::string& valueUtf8) {
  const std::wstring name = WideUtf8(nameUtf8);
  std::wstring value;
  if (!Fetched([&](wchar_t* buf, DWORD n) { return GetEnvironmentVariableW(name.c_str(), buf, n); }, value))
    return false;
  valueUtf8 = Utf8(value);
  return true;
}

bool Win32Platform::IsWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

bool Win32Platform::CreateSingleInstanceMutex(const std::string& name) {
  // Creation and the test for an existing mutex are one step, so two copies
  // started at the same moment cannot both pass.
  HANDLE h = CreateMutexW(nullptr, FALSE, Wide(name).c_str());
  const DWORD error = GetLastError();
  if (AnotherCopyHoldsMutex(h != nullptr, error)) {
    if (h) CloseHandle(h);
    return false;
  }
  mutex_.Reset(h);  // held until the process ends; a failure runs unguarded
  return true;
}

void Win32Platform::ExitProcess(int code) { ::ExitProcess(static_cast<UINT>(code)); }

void Win32Platform::RegisterClassOnce(const std::wstring& name) {
  if (classes_.count(name)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = StaticWndProc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name.c_str();
  wc.hIcon = LoadIconW(instance_, L"MAINICON");
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) ThrowLastError("RegisterClassExW");
  classes_.insert(name);
}

Handle Win32Platform::CreateWindow(const WindowSpec& desc, WindowProc* proc) {
  const std::wstring cls = Wide(desc.className);
  RegisterClassOnce(cls);
  DWORD style = 0, exStyle = 0;
  int x = 0, y = 0, w = 0, h = 0;
  switch (desc.kind) {
    case WindowKind::AppWindow:
      style = WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;
      break;
    case WindowKind::Utility:
      style = WS_POPUP;
      exStyle = WS_EX_TOOLWINDOW;
      break;
    case WindowKind::Form: {
      style = WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
      // Tab and Shift+Tab move through the controls of its panels too.
      exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
      RECT r{0, 0, desc.width, desc.height};
      AdjustWindowRectEx(&r, style, FALSE, exStyle);
      w = r.right - r.left;
      h = r.bottom - r.top;
      x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
      y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
      break;
    }
  }
  HWND hwnd = CreateWindowExW(exStyle, cls.c_str(), Wide(desc.caption).c_str(), style, x, y, w, h, H(desc.owner),
                              nullptr, instance_, proc);
  if (!hwnd) ThrowLastError("CreateWindowExW");
  return reinterpret_cast<Handle>(hwnd);
}

void Win32Platform::DestroyWindow(Handle wnd) {
  // Messages that arrive while the window goes must not reach its owner.
  SetWindowLongPtrW(H(wnd), GWLP_USERDATA, 0);
  ::DestroyWindow(H(wnd));
}

void Win32Platform::ShowWindow(Handle wnd, bool show) {
  // A control shows without taking the activation or the focus.
  const bool child = (GetWindowLongW(H(wnd), GWL_STYLE) & WS_CHILD) != 0;
  ::ShowWindow(H(wnd), !show ? SW_HIDE : child ? SW_SHOWNA : SW_SHOWNORMAL);
}
void Win32Platform::SetWindowText(Handle wnd, const std::string& text) { SetWindowTextW(H(wnd), Wide(text).c_str()); }
bool Win32Platform::IsWindowVisible(Handle wnd) { return ::IsWindowVisible(H(wnd)) != FALSE; }

void Win32Platform::BringToFront(Handle wnd) {
  ::SetForegroundWindow(H(wnd));
  ::BringWindowToTop(H(wnd));
}

std::uint32_t Win32Platform::GetExStyle(Handle wnd) {
  return static_cast<std::uint32_t>(GetWindowLongW(H(wnd), GWL_EXSTYLE));
}

void Win32Platform::SetExStyle(Handle wnd, std::uint32_t style) {
  SetWindowLongW(H(wnd), GWL_EXSTYLE, static_cast<LONG>(style));
}

std::intptr_t Win32Platform::DefWindowProc(Handle wnd, std::uint32_t msg, std::uintptr_t w, std::intptr_t l) {
  return DefWindowProcW(H(wnd), msg, w, l);
}

void Win32Platform::PostMessage(Handle wnd, std::uint32_t msg, std::uintptr_t w, std::intptr_t l) {
  PostMessageW(H(wnd), msg, w, l);
}

std::intptr_t Win32Platform::SendMessage(Handle wnd, std::uint32_t msg, std::uintptr_t w, std::intptr_t l) {
  // A hung receiver must not hang the sender.
  DWORD_PTR result = 0;
  SendMessageTimeoutW(H(wnd), msg, w, l, SMTO_NORMAL | SMTO_ABORTIFHUNG, 5000, &result);
  return static_cast<std::intptr_t>(result);
}

void Win32Platform::PostQuitMessage(int code) { ::PostQuitMessage(code); }

PumpResult Win32Platform::PumpMessage(bool wait) {
  MSG msg;
  if (wait) {
    const BOOL r = GetMessageW(&msg, nullptr, 0, 0);
    if (r == 0) return PumpResult::Quit;
    if (r == -1) return PumpResult::Idle;
  } else {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return PumpResult::Idle;
    if (msg.message == WM_QUIT) return PumpResult::Quit;
  }
  // Keys for a form with controls go through the dialog manager, which
  // moves the focus with Tab and Shift+Tab in the controls' tab order.
  if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && msg.hwnd) {
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (root && (GetWindowLongW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) && GetWindow(root, GW_CHILD) &&
        IsDialogMessageW(root, &msg))
      return PumpResult::Dispatched;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return PumpResult::Dispatched;
}

void Win32Platform::WaitMessage(std::uint32_t ms) {
  MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

std::uint64_t Win32Platform::TickCount64() { return GetTickCount64(); }

std::int64_t Win32Platform::LocalTimeMSecs() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);  // the local time taken as a count, no zone applied
  ULARGE_INTEGER u;
  u.LowPart = ft.dwLowDateTime;
  u.HighPart = ft.dwHighDateTime;
  // A FILETIME counts 100 ns from 1601-01-01, 109,205 days before 1899-12-30.
  constexpr std::int64_t kDays1601To1899 = 109205;
  return static_cast<std::int64_t>(u.QuadPart / 10000) - kDays1601To1899 * 86'400'000LL;
}

void Win32Platform::SetTimer(Handle wnd, std::uintptr_t id, std::uint32_t ms) {
  if (!::SetTimer(H(wnd), id, ms, nullptr)) ThrowLastError("SetTimer");
}

void Win32Platform::KillTimer(Handle wnd, std::uintptr_t id) { ::KillTimer(H(wnd), id); }

std::uint32_t Win32Platform::DoubleClickTime() { return GetDoubleClickTime(); }

bool Win32Platform::SetForegroundWindow(Handle wnd) { return ::SetForegroundWindow(H(wnd)) != FALSE; }

void Win32Platform::SetFocus(Handle wnd) { ::SetFocus(H(wnd)); }

Handle Win32Platform::FindWindow(const std::string& className, const std::string& caption) {
  return reinterpret_cast<Handle>(FindWindowW(Wide(className).c_str(), Wide(caption).c_str()));
}

// ------------------------------------------------- Dialogs, help, menus

void Win32Platform::MessageBox(const std::string& text, const std::string& caption, BoxKind kind) {
  const UINT icon = kind == BoxKind::Error ? MB_ICONSTOP : 0;
  MessageBoxW(GetActiveWindow(), Wide(text).c_str(), Wide(caption).c_str(), MB_OK | MB_SETFOREGROUND | icon);
}

void Win32Platform::WinHelp(Handle wnd, const std::string& file, std::uint32_t command, std::uintptr_t data) {
  WinHelpW(H(wnd), Wide(file).c_str(), command, data);
}

void Win32Platform::MessageBeep(std::uint32_t type) { ::MessageBeep(type); }

int Win32Platform::TrackPopupMenu(const std::vector<MenuEntrySpec>& entries, Point at, Handle owner) {
  std::unique_ptr<std::remove_pointer<HMENU>::type, decltype(&DestroyMenu)> menu(CreatePopupMenu(), &DestroyMenu);
  if (!menu) ThrowLastError("CreatePopupMenu");
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const MenuEntrySpec& e = entries[i];
    const UINT id = static_cast<UINT>(i + 1);
    if (e.separator) {
      AppendMenuW(menu.get(), MF_SEPARATOR, id, nullptr);
      continue;
    }
    UINT flags = MF_STRING | (e.checked ? MF_CHECKED : 0u) | (e.enabled ? 0u : MF_GRAYED);
    AppendMenuW(menu.get(), flags, id, Wide(e.caption).c_str());
    if (e.bitmap) {
      MENUITEMINFOW mii{};
      mii.cbSize = sizeof mii;
      mii.fMask = MIIM_BITMAP | MIIM_DATA;
      mii.hbmpItem = RunsOnWine() ? HBMMENU_CALLBACK : reinterpret_cast<HBITMAP>(e.bitmap);
      mii.dwItemData = static_cast<ULONG_PTR>(e.bitmap);
      SetMenuItemInfoW(menu.get(), id, FALSE, &mii);
    }
  }
  // The menu closes on a click elsewhere only when its owner is the
  // foreground window; the caller has just made one of ours foreground.
  HWND fg = GetForegroundWindow();
  DWORD pid = 0;
  if (fg) GetWindowThreadProcessId(fg, &pid);
  HWND menuOwner = (fg && pid == GetCurrentProcessId()) ? fg : H(owner);
  g_menuDrawsImages = RunsOnWine();
  shownMenu_ = menu.get();
  const int chosen = ::TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x,
                                      at.y, 0, menuOwner, nullptr);
  shownMenu_ = nullptr;
  g_menuDrawsImages = false;
  // A task switch must reach the owner before the menu shows again, or its
  // second showing may vanish at once (TrackPopupMenu's remarks).
  PostMessageW(menuOwner, WM_NULL, 0, 0);
  return chosen > 0 ? chosen - 1 : -1;
}

void Win32Platform::SetShownMenuBitmap(int index, Handle bitmap) {
  if (!shownMenu_) return;
  MENUITEMINFOW mii{};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_BITMAP | MIIM_DATA;
  mii.hbmpItem = RunsOnWine() ? HBMMENU_CALLBACK : reinterpret_cast<HBITMAP>(bitmap);
  mii.dwItemData = static_cast<ULONG_PTR>(bitmap);
  SetMenuItemInfoW(shownMenu_, static_cast<UINT>(index + 1), FALSE, &mii);
  // The open menu's window draws the new image now; the entry keeps its
  // size, for the blank image had the same.
  EnumThreadWindows(GetCurrentThreadId(), RedrawIfMenu, 0);
}

// ------------------------------------------------------ Icons and images

Handle Win32Platform::LoadMainIcon() {
  return reinterpret_cast<Handle>(LoadImageW(instance_, L"MAINICON", IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
}

Handle Win32Platform::LoadSmallMainIcon() {
  // The icon file holds the small icon drawn at 100 to 200 %; LoadImage
  // takes the image of the exact size, so the icon shows sharp.
  // The size is the taskbar's: its monitor's DPI may have changed since
  // sign-in, when the system DPI was fixed (Windows 10 1607 and later).
  using ForDpiFn = int(WINAPI*)(int, UINT);
  using WindowDpiFn = UINT(WINAPI*)(HWND);
  static const auto metricsForDpi = User32<ForDpiFn>("GetSystemMetricsForDpi");
  static const auto windowDpi = User32<WindowDpiFn>("GetDpiForWindow");
  HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
  const UINT dpi = taskbar && windowDpi ? windowDpi(taskbar) : 0;
  const int size = dpi && metricsForDpi ? metricsForDpi(SM_CXSMICON, dpi) : GetSystemMetrics(SM_CXSMICON);
  return reinterpret_cast<Handle>(LoadImageW(instance_, L"MAINICON", IMAGE_ICON, size, size, 0));
}

Handle Win32Platform::CopyIcon(Handle icon) {
  return reinterpret_cast<Handle>(::CopyIcon(reinterpret_cast<HICON>(icon)));
}

void Win32Platform::DestroyIcon(Handle icon) { ::DestroyIcon(reinterpret_cast<HICON>(icon)); }

HICON LookUpFileIcon(const std::wstring& wide) {
  // For a program given by its full path the shell's large icon is the
  // program's first icon at the large-icon size; reading it directly is many
  // times faster than the shell's lookup (which Wine does slowly).
  const bool absolute = wide.size() > 2 && (wide[1] == L':' || (wide[0] == L'\\' && wide[1] == L'\\'));
  if (absolute && wide.size() > 4 && lstrcmpiW(wide.c_str() + wide.size() - 4, L".exe") == 0) {
    HICON large = nullptr;
    if (ExtractIconExW(wide.c_str(), 0, &large, nullptr, 1) == 1 && large) return large;
  }
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(wide.c_str(), 0, &info, sizeof info, SHGFI_ICON)) return nullptr;
  return info.hIcon;
}

void IconLookups::Work(std::shared_ptr<IconLookups> self) {
  // SHGetFileInfo wants COM initialised on the thread that calls it.
  const ScopedComInit com;
  std::unique_lock<std::mutex> held(self->lock);
  for (;;) {
    self->wake.wait(held, [&] { return self->stop || !self->jobs.empty(); });
    if (self->stop) break;
    const Job job = std::move(self->jobs.front());
    self->jobs.pop_front();
    held.unlock();
    HICON icon = LookUpFileIcon(job.path);
    held.lock();
    if (self->stop) {
      if (icon) DestroyIcon(icon);
      break;
    }
    self->answers[job.ticket] = icon;
    PostMessageW(job.wnd, job.msg, job.ticket, 0);
  }
  self->running = false;
}

std::uintptr_t Win32Platform::RequestFileIcon(const FilePath& path, Handle wnd, std::uint32_t msg) {
  if (!icons_) icons_ = std::make_shared<IconLookups>();
  std::lock_guard<std::mutex> held(icons_->lock);
  const std::uintptr_t ticket = ++icons_->lastTicket;
  icons_->jobs.push_back(IconLookups::Job{ticket, WidePath(path), H(wnd), msg});
  if (!icons_->running) {
    // One worker; detached, so that a lookup hanging on a share cannot hold
    // up the end of the program (the thread keeps the queue alive).
    std::thread(IconLookups::Work, icons_).detach();
    icons_->running = true;
  }
  icons_->wake.notify_one();
  return ticket;
}

Handle Win32Platform::TakeFileIcon(std::uintptr_t ticket) {
  if (!icons_) return 0;
  std::lock_guard<std::mutex> held(icons_->lock);
  auto it = icons_->answers.find(ticket);
  if (it == icons_->answers.end()) return 0;
  const Handle icon = reinterpret_cast<Handle>(it->second);
  icons_->answers.erase(it);
  return icon;
}

Point Win32Platform::LargeIconSize() { return Point{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)}; }

namespace {

// A top-down 32-bit DIB of the size and its pixels, or null.
HBITMAP NewDib(Point size, std::uint32_t*& pixels) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = size.x;
  bi.bmiHeader.biHeight = -size.y;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const ScopedGetDC screen(nullptr);
  HBITMAP bmp = CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  pixels = static_cast<std::uint32_t*>(bits);
  return bits ? bmp : nullptr;
}

}  // namespace

Handle Win32Platform::IconBitmap(Handle icon, Point size) {
  // Menus of Windows Vista and later blend a 32-bit image by its
  // premultiplied alpha. The icon is drawn on black and on white, which
  // gives its alpha whether it has an alpha channel or a mask (see
  // base/pixels.h); without an icon every pixel is see-through.
  std::uint32_t* pixels = nullptr;
  ScopedGdiObject<HBITMAP> bmp(NewDib(size, pixels));
  if (!bmp.Get()) return 0;
  const std::size_t count = static_cast<std::size_t>(size.x) * static_cast<std::size_t>(size.y);
  if (icon) {
    std::uint32_t* white = nullptr;
    const ScopedGdiObject<HBITMAP> onWhite(NewDib(size, white));
    if (!onWhite.Get()) return 0;
    std::fill(white, white + count, 0xFFFFFFFFu);
    const ScopedMemoryDC dc(nullptr);
    {
      const ScopedSelect selected(dc.Get(), bmp.Get());
      DrawIconEx(dc.Get(), 0, 0, reinterpret_cast<HICON>(icon), size.x, size.y, 0, nullptr, DI_NORMAL);
    }
    {
      const ScopedSelect selected(dc.Get(), onWhite.Get());
      DrawIconEx(dc.Get(), 0, 0, reinterpret_cast<HICON>(icon), size.x, size.y, 0, nullptr, DI_NORMAL);
    }
    GdiFlush();
    PremultipliedFromBackgrounds(pixels, white, pixels, count);
  }
  return reinterpret_cast<Handle>(bmp.Release());
}

void Win32Platform::DestroyBitmap(Handle bitmap) { DeleteObject(reinterpret_cast<HGDIOBJ>(bitmap)); }

// ------------------------------------------- Keyboard, hotkeys and atoms

Point Win32Platform::GetCursorPos() {
  POINT p{0, 0};
  ::GetCursorPos(&p);
  return Point{p.x, p.y};
}

std::int16_t Win32Platform::GetKeyState(int vk) { return ::GetKeyState(vk); }

std::uint32_t Win32Platform::MapVirtualKey(std::uint32_t vk) { return MapVirtualKeyW(vk, 0 /* MAPVK_VK_TO_VSC */); }

std::string Win32Platform::GetKeyNameText(std::int32_t lParam) {
  wchar_t buf[256];
  const int n = GetKeyNameTextW(lParam, buf, 256);
  return n > 0 ? Narrow(std::wstring(buf, static_cast<std::size_t>(n))) : std::string();
}

std::uint16_t Win32Platform::GlobalAddAtom(const std::string& name) { return GlobalAddAtomW(Wide(name).c_str()); }

void Win32Platform::GlobalDeleteAtom(std::uint16_t atom) { ::GlobalDeleteAtom(atom); }

bool Win32Platform::RegisterHotKey(Handle wnd, int id, std::uint32_t modifiers, std::uint32_t vk) {
  return ::RegisterHotKey(H(wnd), id, modifiers, vk) != FALSE;
}

bool Win32Platform::UnregisterHotKey(Handle wnd, int id) { return ::UnregisterHotKey(H(wnd), id) != FALSE; }

// ----------------------------------------------------------------- Shell

bool Win32Platform::ShellExecute(const std::string& verb, const LaunchRequest& target, int show) {
  // Vorlex received the input that starts the item, so it may hand the
  // right to take the foreground on: the started program's window comes to
  // the front instead of flashing behind the current one.
  AllowSetForegroundWindow(ASFW_ANY);
  // Without an owner window the shell shows its own message for a failure
  // (a missing file, no program for a document).
  const HINSTANCE result = ShellExecuteW(nullptr, Wide(verb).c_str(), WidePath(target.file).c_str(),
                                         WideUtf8(target.params).c_str(), WidePath(target.dir).c_str(), show);
  return reinterpret_cast<INT_PTR>(result) > 32;  // 32 and below are the shell's error numbers
}

// ------------------------------------------------- Other programs' windows

namespace {

// The full path of the process's program, or empty when it cannot be
// asked. The limited right is granted across integrity levels, so an
// elevated program's path is read from an ordinary Vorlex too.
std::wstring ImageOf(DWORD pid) {
  const ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process.Valid()) return std::wstring();
  std::wstring path(32768, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  if (!QueryFullProcessImageNameW(process.Get(), 0, &path[0], &size)) return std::wstring();
  path.resize(size);
  return path;
}

// What the taskbar shows: a visible window that no other owns, neither a
// tool window nor one the system keeps out of sight (cloaked: on another
// virtual desktop's view or a suspended app's frame).
bool SwitchedTo(HWND wnd) {
  if (!IsWindowVisible(wnd) || GetWindow(wnd, GW_OWNER)) return false;
  const LONG_PTR ex = GetWindowLongPtrW(wnd, GWL_EXSTYLE);
  if ((ex & WS_EX_TOOLWINDOW) && !(ex & WS_EX_APPWINDOW)) return false;
  DWORD cloaked = 0;
  using GetAttribute = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);
  static const auto get = reinterpret_cast<GetAttribute>(
      reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"dwmapi.dll"), "DwmGetWindowAttribute")));
  constexpr DWORD kDwmwaCloaked = 14;
  return !(get && get(wnd, kDwmwaCloaked, &cloaked, sizeof cloaked) == S_OK && cloaked);
}

}  // namespace

namespace {
struct WindowWalk {
  std::vector<ProgramWindow> found;
  std::map<DWORD, std::wstring> images;  // asked once per process
};

BOOL CALLBACK TakeProgramWindow(HWND wnd, LPARAM param) {
  auto& w = *reinterpret_cast<WindowWalk*>(param);
  if (!SwitchedTo(wnd)) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  auto known = w.images.find(pid);
  if (known == w.images.end()) known = w.images.emplace(pid, ImageOf(pid)).first;
  if (!known->second.empty())
    w.found.push_back(ProgramWindow{ToHandle(wnd), FilePath(Utf8(known->second)), IsIconic(wnd) != FALSE});
  return TRUE;
}
}  // namespace

std::vector<ProgramWindow> Win32Platform::ProgramWindows() {
  // EnumWindows goes through the top-level windows in their Z order, the
  // frontmost first.
  WindowWalk walk;
  EnumWindows(TakeProgramWindow, reinterpret_cast<LPARAM>(&walk));
  return walk.found;
}

Handle Win32Platform::ForegroundWindow() { return ToHandle(GetForegroundWindow()); }

bool Win32Platform::BringForward(Handle wnd) {
  // Asynchronously: a program that hangs must not hang Vorlex with it.
  if (IsIconic(H(wnd))) ShowWindowAsync(H(wnd), SW_RESTORE);
  // Vorlex may take the foreground here: it received the input (the
  // hotkey, the click or the key that chose the item) and its menu has
  // closed. Otherwise Windows flashes the window's taskbar button instead.
  return ::SetForegroundWindow(H(wnd)) != FALSE;
}

bool Win32Platform::ShortcutTarget(const FilePath& link, FilePath& target) {
  ScopedCom<IShellLinkW> shellLink;
  ScopedCom<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shellLink.Out())) ||
      FAILED(shellLink->QueryInterface(IID_IPersistFile, file.Out())) ||
      FAILED(file->Load(WidePath(link).c_str(), STGM_READ)))
    return false;
  // The path as stored, its variables expanded; no Resolve, which may
  // search the disks or ask the person.
  wchar_t path[MAX_PATH] = {};
  if (shellLink->GetPath(path, MAX_PATH, nullptr, 0) != S_OK || path[0] == L'\0') return false;
  target = FilePath(Utf8(path));
  return true;
}

namespace {
// The path in its long form, as a process's image path is given; the
// path as it is when it names nothing.
std::wstring LongForm(const std::wstring& path) {
  std::wstring full(32768, L'\0');
  DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
  if (n == 0 || n >= full.size()) return path;
  full.resize(n);
  std::wstring longer(32768, L'\0');
  n = GetLongPathNameW(full.c_str(), &longer[0], static_cast<DWORD>(longer.size()));
  if (n == 0 || n >= longer.size()) return full;
  longer.resize(n);
  return longer;
}
}  // namespace

bool Win32Platform::SameFile(const FilePath& a, const FilePath& b) {
  const std::wstring x = LongForm(WidePath(a)), y = LongForm(WidePath(b));
  // The file system's own rule for names: ordinal, case ignored by its
  // upper-case table (so "Jürgen" and "JÜRGEN" are one folder).
  return CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(), static_cast<int>(y.size()), TRUE) ==
         CSTR_EQUAL;
}

bool Win32Platform::ShellNotifyIcon(NotifyOp op, const NotifyIconData& data) {
  NOTIFYICONDATAW nid{};
  nid.cbSize = NOTIFYICONDATAW_V1_SIZE;
  nid.hWnd = H(data.hWnd);
  nid.uID = data.uID;
  nid.uFlags = data.uFlags;
  nid.uCallbackMessage = data.uCallbackMessage;
  nid.hIcon = reinterpret_cast<HICON>(data.hIcon);
  const std::wstring tip = Wide(std::string(data.szTip));
  lstrcpynW(nid.szTip, tip.c_str(), 64);
  if (op == NotifyOp::Add) {
    // An elevated Vorlex hears Explorer's TaskbarCreated only when UIPI
    // lets it through to the icon's window.
    ChangeWindowMessageFilterEx(nid.hWnd, RegisterWindowMessageW(L"TaskbarCreated"), MSGFLT_ALLOW, nullptr);
  }
  return Shell_NotifyIconW(static_cast<DWORD>(op), &nid) != FALSE;
}

}  // namespace vx::win32

// The Win32 backend: text conversions, windows and the message primitive,
// dialogs, menus, keyboard, hotkeys, atoms and the tray icon.
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/win32.h"

namespace vx::win32 {

// ---------------------------------------------------------------- Text

std::u16string ToU16(const std::wstring& w) { return std::u16string(w.begin(), w.end()); }
std::wstring FromU16(const std::u16string& t) { return std::wstring(t.begin(), t.end()); }
std::wstring Wide(const std::string& utf8) { return FromU16(Utf8ToUtf16(utf8)); }
std::string Narrow(const std::wstring& wide) { return Utf16ToUtf8(ToU16(wide)); }
std::wstring WidePath(const FilePath& path) { return Wide(path.utf8); }
FilePath PathFromWide(const std::wstring& wide) { return FilePath(Narrow(wide)); }

// Code page 932 without best fit: a character it lacks becomes '?', never
// a look-alike (best fit turns a ü into u and a ¥ into a backslash).
std::string Win32CodePage::Encode(std::u16string_view text) const {
  if (text.empty()) return std::string();
  const wchar_t* w = reinterpret_cast<const wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, w, size, nullptr, 0, "?", nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, w, size, &out[0], n, "?", nullptr);
  return out;
}

std::u16string Win32CodePage::Decode(std::string_view sjis) const {
  if (sjis.empty()) return std::u16string();
  const int size = static_cast<int>(sjis.size());
  const int n = MultiByteToWideChar(932, 0, sjis.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(932, 0, sjis.data(), size, &out[0], n);
  return ToU16(out);
}

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

// WM_COPYDATA's kind for a text of Vorlex's (SendToWindow).
constexpr ULONG_PTR kCopiedTextKind = 0x56780001;

LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (ShownMenuMessage(msg, w, l)) return TRUE;
  if (msg == WM_COPYDATA) {
    // Only Vorlex's own kind, as text; the data is valid for this call alone.
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(l);
    auto* proc = reinterpret_cast<WindowProc*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!data || data->dwData != kCopiedTextKind || !proc) return FALSE;
    CopiedText copied{std::string(static_cast<const char*>(data->lpData), data->cbData)};
    return proc->Dispatch(kWmCopyData, w, reinterpret_cast<LPARAM>(&copied));
  }
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

Win32Platform::Win32Platform()
    : Win32Jobs(*this), Win32Menus(*this), Win32Icons(*this), instance_(GetModuleHandleW(nullptr)) {
  // The manifest asks for the themed controls; they come with this call.
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_HOTKEY_CLASS};
  InitCommonControlsEx(&icc);
}

Win32Platform::~Win32Platform() = default;

std::vector<std::string> Win32Platform::CommandLine() {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> out;
  if (!args) return out;
  for (int i = 1; i < count; ++i) out.push_back(Narrow(args[i]));
  LocalFree(args);
  return out;
}

bool Win32Platform::SendToWindow(Handle wnd, const std::string& text) {
  // This process was just started by the person, so it may hand the right
  // to take the foreground to the running copy, whose menu or editor then
  // comes to the front.
  DWORD pid = 0;
  if (GetWindowThreadProcessId(H(wnd), &pid)) AllowSetForegroundWindow(pid);
  COPYDATASTRUCT data{kCopiedTextKind, static_cast<DWORD>(text.size()), const_cast<char*>(text.data())};
  DWORD_PTR answer = 0;
  return SendMessageTimeoutW(H(wnd), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000,
                             &answer) != 0 &&
         answer != 0;
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

bool Win32Platform::GetEnvironmentVariable(const std::string& nameUtf8, std::string& valueUtf8) {
  const std::wstring name = Wide(nameUtf8);
  std::wstring value;
  if (!Fetched([&](wchar_t* buf, DWORD n) { return GetEnvironmentVariableW(name.c_str(), buf, n); }, value))
    return false;
  valueUtf8 = Narrow(value);
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

// ------------------------------------------------------ Dialogs, help

bool Win32Platform::MessageBox(const std::string& text, const std::string& caption, BoxKind kind) {
  const UINT style = kind == BoxKind::Error      ? MB_OK | MB_ICONSTOP
                     : kind == BoxKind::Question ? MB_YESNO | MB_ICONQUESTION
                                                 : MB_OK;
  // 0 when the box could not be shown: no question is taken as answered.
  const int answer =
      MessageBoxW(GetActiveWindow(), Wide(text).c_str(), Wide(caption).c_str(), style | MB_SETFOREGROUND);
  return kind == BoxKind::Question ? answer == IDYES : answer != 0;
}

void Win32Platform::WinHelp(Handle wnd, const std::string& file, std::uint32_t command, std::uintptr_t data) {
  WinHelpW(H(wnd), Wide(file).c_str(), command, data);
}

void Win32Platform::MessageBeep(std::uint32_t type) { ::MessageBeep(type); }

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

// ----------------------------------------------------------- The tray

bool Win32Shell::ShellNotifyIcon(NotifyOp op, const NotifyIconData& data) {
  NOTIFYICONDATAW nid{};
  nid.cbSize = NOTIFYICONDATAW_V1_SIZE;
  nid.hWnd = H(data.hWnd);
  nid.uID = data.uID;
  nid.uFlags = data.uFlags;
  nid.uCallbackMessage = data.uCallbackMessage;
  nid.hIcon = reinterpret_cast<HICON>(data.hIcon);
  // 63 Shift-JIS bytes are at most 63 UTF-16 units: the tip fits whole.
  const std::wstring tip = Wide(data.szTip);
  lstrcpynW(nid.szTip, tip.c_str(), ARRAYSIZE(nid.szTip));
  if (op == NotifyOp::Add) {
    // An elevated Vorlex hears Explorer's TaskbarCreated only when UIPI
    // lets it through to the icon's window.
    ChangeWindowMessageFilterEx(nid.hWnd, RegisterWindowMessageW(L"TaskbarCreated"), MSGFLT_ALLOW, nullptr);
  }
  return Shell_NotifyIconW(static_cast<DWORD>(op), &nid) != FALSE;
}

}  // namespace vx::win32

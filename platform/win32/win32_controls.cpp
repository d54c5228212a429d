// The Win32 backend's controls, sizes and fonts: controls made as they
// describe themselves, their texts, lists, hotkey values, the file-open
// dialog, file drops, fonts and DPI.
#include <string>
#include <vector>

#include "platform/win32/win32.h"

namespace vx::win32 {

// ------------------------------------------------ Controls, sizes, fonts

namespace {

// A frame paints its edges only. Its window is cut down to them, so that
// the form paints what lies inside and the controls there show.
void CutToEdges(HWND h, int width, int height) {
  ScopedGdiObject<HRGN> ring(CreateRectRgn(0, 0, width, height));
  const ScopedGdiObject<HRGN> inside(CreateRectRgn(2, 2, width - 2, height - 2));
  CombineRgn(ring.Get(), ring.Get(), inside.Get(), RGN_DIFF);
  if (SetWindowRgn(h, ring.Get(), TRUE)) ring.Release();  // the window owns the region from here on
}

}  // namespace

// The control's own description says what its window is; nothing here
// depends on what kind of control it is.
Handle Win32Platform::CreateControl(Handle parent, const ControlDesc& desc, WindowProc* proc) {
  const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (desc.visible ? WS_VISIBLE : 0u) |
                      (desc.enabled ? 0u : WS_DISABLED) | (desc.tabStop ? WS_TABSTOP : 0u) | desc.style;
  const std::wstring cls = Wide(desc.className);
  if (desc.ownClass) RegisterClassOnce(cls);
  const Rect& b = desc.bounds;
  HWND h = CreateWindowExW(desc.exStyle, cls.c_str(), Wide(desc.caption).c_str(), style, b.left, b.top, b.width,
                           b.height, H(parent), reinterpret_cast<HMENU>(static_cast<INT_PTR>(desc.id)), instance_,
                           desc.ownClass ? proc : nullptr);
  if (!h) {
    const DWORD error = GetLastError();
    ThrowLastError(("CreateWindowExW " + desc.className + " " + desc.name).c_str(), error);
  }
  if (desc.font) SendMessageW(h, WM_SETFONT, static_cast<WPARAM>(desc.font), FALSE);
  if (desc.edgesOnly) CutToEdges(h, b.width, b.height);
  for (const SetupMessage& m : desc.setup) SendMessageW(h, m.msg, m.wParam, m.lParam);
  return reinterpret_cast<Handle>(h);
}

// The interface speaks Windows' own numbers.
static_assert(kNifMessage == NIF_MESSAGE && kNifIcon == NIF_ICON && kNifTip == NIF_TIP && kBeepDefault == MB_OK &&
              kSwShow == SW_SHOW);
static_assert(kBmSetCheck == BM_SETCHECK && kEmLimitText == EM_LIMITTEXT && kLbSetItemHeight == LB_SETITEMHEIGHT &&
              kHkmSetRules == HKM_SETRULES);
static_assert(kWsVScroll == WS_VSCROLL && kWsClipChildren == WS_CLIPCHILDREN && kWsExClientEdge == WS_EX_CLIENTEDGE &&
              kWsExControlParent == WS_EX_CONTROLPARENT);
static_assert(kSsLeft == SS_LEFT && kSsIcon == SS_ICON && kSsEtchedHorz == SS_ETCHEDHORZ &&
              kSsEtchedFrame == SS_ETCHEDFRAME && kSsNoPrefix == SS_NOPREFIX && kSsRealSizeImage == SS_REALSIZEIMAGE);
static_assert(kBsPushButton == BS_PUSHBUTTON && kBsDefPushButton == BS_DEFPUSHBUTTON && kBsCheckBox == BS_CHECKBOX &&
              kLbsNotify == LBS_NOTIFY && kLbsNoIntegralHeight == LBS_NOINTEGRALHEIGHT &&
              kEsAutoHScroll == ES_AUTOHSCROLL);

std::u16string Win32Platform::GetEditText(Handle edit) {
  const int n = GetWindowTextLengthW(H(edit));
  if (n <= 0) return std::u16string();
  std::wstring buf(static_cast<std::size_t>(n) + 1, L'\0');
  buf.resize(static_cast<std::size_t>(GetWindowTextW(H(edit), &buf[0], n + 1)));
  return ToU16(buf);
}

void Win32Platform::SetEditText(Handle edit, const std::u16string& text) {
  SetWindowTextW(H(edit), FromU16(text).c_str());
}

void Win32Platform::GetEditSelection(Handle edit, int& start, int& end) {
  DWORD s = 0, e = 0;
  SendMessageW(H(edit), EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  start = static_cast<int>(s);
  end = static_cast<int>(e);
}

void Win32Platform::SetEditSelection(Handle edit, int start, int end) { SendMessageW(H(edit), EM_SETSEL, start, end); }

namespace {
// A list box and a drop-down list take the same requests under other
// message numbers.
struct ListMessages {
  UINT insert, remove, select, selection;
};
const ListMessages& MessagesOf(HWND list) {
  static const ListMessages box{LB_INSERTSTRING, LB_DELETESTRING, LB_SETCURSEL, LB_GETCURSEL};
  static const ListMessages combo{CB_INSERTSTRING, CB_DELETESTRING, CB_SETCURSEL, CB_GETCURSEL};
  wchar_t cls[16] = {};
  GetClassNameW(list, cls, 16);
  return lstrcmpiW(cls, L"ComboBox") == 0 ? combo : box;
}
}  // namespace

void Win32Platform::ListInsert(Handle list, int index, const std::string& text) {
  SendMessageW(H(list), MessagesOf(H(list)).insert, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

void Win32Platform::ListDelete(Handle list, int index) {
  SendMessageW(H(list), MessagesOf(H(list)).remove, static_cast<WPARAM>(index), 0);
}

void Win32Platform::ListSelect(Handle list, int index) {
  SendMessageW(H(list), MessagesOf(H(list)).select, static_cast<WPARAM>(index), 0);
}

int Win32Platform::ListSelection(Handle list) {
  return static_cast<int>(SendMessageW(H(list), MessagesOf(H(list)).selection, 0, 0));
}

void Win32Platform::SetHotKeyValue(Handle control, std::uint16_t value) {
  SendMessageW(H(control), HKM_SETHOTKEY, value, 0);
}

std::uint16_t Win32Platform::GetHotKeyValue(Handle control) {
  return static_cast<std::uint16_t>(SendMessageW(H(control), HKM_GETHOTKEY, 0, 0));
}

void Win32Platform::SetImageIcon(Handle control, Handle icon) { SendMessageW(H(control), STM_SETICON, icon, 0); }

bool Win32Platform::OpenFileDialog(Handle owner, std::u16string& path) {
  std::wstring buf(32768, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = H(owner);
  ofn.lpstrFile = &buf[0];
  ofn.nMaxFile = static_cast<DWORD>(buf.size());
  // A chosen shortcut stays the shortcut: started, it brings its own
  // arguments and working folder.
  // OFN_NOCHANGEDIR: the folder browsed must not become the program's
  // current folder, which would stay locked while it runs and would be where
  // an item without a folder of its own starts.
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NODEREFERENCELINKS | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&ofn)) return false;
  buf.resize(wcslen(buf.c_str()));
  path = ToU16(buf);
  return true;
}

bool Win32Platform::PickIconDialog(Handle owner, std::u16string& file, int& index) {
  // The buffer must hold MAX_PATH characters at least, or a chosen path
  // comes back cut; the page asks the caller to check the path it gets.
  std::wstring buf(32768, L'\0');
  const std::wstring start = FromU16(file);
  if (start.size() >= buf.size()) return false;
  std::copy(start.begin(), start.end(), buf.begin());
  int chosen = index;
  const int result = PickIconDlg(H(owner), &buf[0], static_cast<UINT>(buf.size()), &chosen);
  if (result == 0) return false;  // cancelled
  if (result != 1) {
    // The page warns that the picker may be changed or missing in later
    // versions, and some systems answer -1 without showing it: the person
    // then chooses the icon's file, whose first icon is taken.
    std::u16string path = file;
    if (!OpenFileDialog(owner, path)) return false;
    file = path;
    index = 0;
    return true;
  }
  buf.resize(wcslen(buf.c_str()));
  if (buf.empty()) return false;
  file = ToU16(buf);
  index = chosen;
  return true;
}

void Win32Platform::DragAcceptFiles(Handle wnd, bool accept) {
  ::DragAcceptFiles(H(wnd), accept);
  // Explorer runs at a lower integrity level than an elevated Vorlex, and
  // UIPI drops its drop messages unless the window lets them through.
  // WM_COPYGLOBALDATA (0x0049) carries the drop's data.
  if (accept)
    for (UINT msg : {UINT(WM_DROPFILES), UINT(WM_COPYDATA), 0x0049u})
      ChangeWindowMessageFilterEx(H(wnd), msg, MSGFLT_ALLOW, nullptr);
}

std::vector<std::u16string> Win32Platform::DroppedFiles(std::uintptr_t drop) {
  HDROP h = reinterpret_cast<HDROP>(drop);
  const UINT n = DragQueryFileW(h, 0xFFFFFFFF, nullptr, 0);
  std::vector<std::u16string> names;
  for (UINT i = 0; i < n; ++i) {
    std::wstring name(DragQueryFileW(h, i, nullptr, 0) + 1, L'\0');
    name.resize(DragQueryFileW(h, i, &name[0], static_cast<UINT>(name.size())));
    names.push_back(ToU16(name));
  }
  return names;
}

void Win32Platform::DragFinish(std::uintptr_t drop) { ::DragFinish(reinterpret_cast<HDROP>(drop)); }

void Win32Platform::SetControlBounds(Handle control, Rect b) {
  SetWindowPos(H(control), nullptr, b.left, b.top, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
  // Only a window cut down to its edges has a region: it is cut anew.
  const ScopedGdiObject<HRGN> old(CreateRectRgn(0, 0, 0, 0));
  if (GetWindowRgn(H(control), old.Get()) != ERROR) CutToEdges(H(control), b.width, b.height);
}

void Win32Platform::EnableWindow(Handle wnd, bool enabled) { ::EnableWindow(H(wnd), enabled); }

void Win32Platform::SetCheck(Handle control, bool checked) {
  SendMessageW(H(control), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32Platform::SetFont(Handle wnd, Handle font) {
  SendMessageW(H(wnd), WM_SETFONT, static_cast<WPARAM>(font), TRUE);
}

Handle Win32Platform::CreateFont(const std::string& face, int height, int charset) {
  HFONT f =
      CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, static_cast<DWORD>(charset), OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Wide(face).c_str());
  if (!f) ThrowLastError("CreateFontW");
  return reinterpret_cast<Handle>(f);
}

void Win32Platform::DestroyFont(Handle font) { DeleteObject(reinterpret_cast<HGDIOBJ>(font)); }

Point Win32Platform::TextExtent(Handle font, const std::string& text) {
  // GetTextExtentPoint32W gives the advance of the line as the control
  // draws it; without a DC or the font's selection it answers nothing.
  const ScopedGetDC screen(nullptr);
  if (!screen.Get()) return Point{};
  const HGDIOBJ shown = font ? reinterpret_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT);
  const ScopedSelect selected(screen.Get(), shown);
  const std::wstring wide = Wide(text.empty() ? std::string("Ag") : text);
  SIZE size{};
  if (!GetTextExtentPoint32W(screen.Get(), wide.c_str(), static_cast<int>(wide.size()), &size)) return Point{};
  return Point{text.empty() ? 0 : size.cx, size.cy};
}

namespace {
// EnumFontFamiliesExW runs it once per style of the family; one is enough.
int CALLBACK FontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}
}  // namespace

bool Win32Platform::FontInstalled(const std::string& face) {
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  const std::wstring wide = Wide(face);
  if (wide.empty() || wide.size() >= LF_FACESIZE) return false;
  lstrcpynW(lf.lfFaceName, wide.c_str(), LF_FACESIZE);
  bool found = false;
  const ScopedGetDC screen(nullptr);
  EnumFontFamiliesExW(screen.Get(), &lf, FontFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

bool Win32Platform::MessageFont(std::string& face, int& height) {
  // The metrics are in pixels at the system's DPI (this process is aware
  // of DPI); the toolkit scales from 96 to each window's own.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return false;
  const LOGFONTW& font = metrics.lfMessageFont;
  if (!font.lfFaceName[0] || font.lfHeight == 0) return false;
  const ScopedGetDC screen(nullptr);
  const int systemDpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
  face = Narrow(font.lfFaceName);
  height = MulDiv(font.lfHeight < 0 ? -font.lfHeight : font.lfHeight, 96, systemDpi > 0 ? systemDpi : 96);
  return height > 0;
}

std::string Win32Platform::UiLanguage() {
  // The first of the person's preferred UI languages (Windows 8 and later
  // keep a list); else the user's UI language.
  ULONG count = 0, size = 0;
  if (GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &size) && size > 1) {
    std::wstring names(size, L'\0');
    if (GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, &names[0], &size) && names[0])
      return Narrow(names.c_str());
  }
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  if (LCIDToLocaleName(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0) > 0)
    return Narrow(name);
  return std::string();
}

int Win32Platform::GetDpi(Handle wnd) {
  // Windows 10 knows each monitor's DPI; before it, the system's counts.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = User32<GetDpiForWindowFn>("GetDpiForWindow");
  if (getDpiForWindow) {
    const UINT dpi = getDpiForWindow(H(wnd));
    if (dpi) return static_cast<int>(dpi);
  }
  const ScopedGetDC screen(nullptr);
  const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
  return dpi > 0 ? dpi : 96;
}

void Win32Platform::SetClientSize(Handle wnd, int width, int height) {
  using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi = User32<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  const DWORD style = static_cast<DWORD>(GetWindowLongW(H(wnd), GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(H(wnd), GWL_EXSTYLE));
  RECT r{0, 0, width, height};
  if (!adjustForDpi || !adjustForDpi(&r, style, FALSE, exStyle, static_cast<UINT>(GetDpi(wnd))))
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
  SetWindowPos(H(wnd), nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Platform::SetWindowBounds(Handle wnd, const EdgeRect& b) {
  SetWindowPos(H(wnd), nullptr, b.left, b.top, b.right - b.left, b.bottom - b.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Platform::CenterOnScreen(Handle wnd) {
  RECT r;
  GetWindowRect(H(wnd), &r);
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromWindow(H(wnd), MONITOR_DEFAULTTOPRIMARY), &mi);
  const RECT& work = mi.rcWork;
  const int x = work.left + ((work.right - work.left) - (r.right - r.left)) / 2;
  const int y = work.top + ((work.bottom - work.top) - (r.bottom - r.top)) / 2;
  SetWindowPos(H(wnd), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::uint32_t Win32Platform::RegisterWindowMessage(const std::string& name) {
  return RegisterWindowMessageW(Wide(name).c_str());
}

}  // namespace vx::win32

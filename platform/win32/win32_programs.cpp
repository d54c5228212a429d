// The Win32 backend's part that starts programs and finds them again: the
// shell's open, the programs' windows as the taskbar shows them, a
// shortcut's target and the file system's comparison of paths.
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/win32.h"

#include <shlwapi.h>

namespace vx::win32 {

bool Win32Shell::ShellExecute(const std::string& verb, const LaunchRequest& target, int show, Handle owner) {
  // Vorlex received the input that starts the item, so it may hand the
  // right to take the foreground on: the started program's window comes to
  // the front instead of flashing behind the current one.
  AllowSetForegroundWindow(ASFW_ANY);
  // Called aside, on a thread with its own apartment: SEE_MASK_NOASYNC
  // keeps the start whole before the call returns (a DDE conversation, the
  // elevation prompt). A failure (a missing file, no program for a
  // document) is told by the shell itself, in a box owned by `owner`.
  const std::wstring wideVerb = Wide(verb), file = WidePath(target.file), params = Wide(target.params),
                     dir = WidePath(target.dir);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOASYNC;
  info.hwnd = H(owner);
  info.lpVerb = wideVerb.c_str();
  info.lpFile = file.c_str();
  info.lpParameters = params.c_str();
  info.lpDirectory = dir.c_str();
  info.nShow = show;
  return ShellExecuteExW(&info) != FALSE;
}

Handle Win32Shell::ForegroundWindow() { return ToHandle(GetForegroundWindow()); }

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
    w.found.push_back(ProgramWindow{ToHandle(wnd), FilePath(Narrow(known->second)), IsIconic(wnd) != FALSE,
                                    (GetWindowLongPtrW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0});
  return TRUE;
}
}  // namespace

std::vector<ProgramWindow> Win32Shell::ProgramWindows() {
  // EnumWindows goes through the top-level windows in their Z order, the
  // frontmost first.
  WindowWalk walk;
  EnumWindows(TakeProgramWindow, reinterpret_cast<LPARAM>(&walk));
  return walk.found;
}

bool Win32Shell::BringForward(Handle wnd) {
  // Asynchronously: a program that hangs must not hang Vorlex with it.
  if (IsIconic(H(wnd))) ShowWindowAsync(H(wnd), SW_RESTORE);
  // Vorlex may take the foreground here: it received the input (the
  // hotkey, the click or the key that chose the item) and its menu has
  // closed. Otherwise Windows flashes the window's taskbar button instead.
  return ::SetForegroundWindow(H(wnd)) != FALSE;
}

bool Win32Shell::ShortcutTarget(const FilePath& link, FilePath& target) {
  ScopedCom<IShellLinkW> shellLink;
  ScopedCom<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shellLink.Out())) ||
      FAILED(shellLink->QueryInterface(IID_IPersistFile, file.Out())) ||
      FAILED(file->Load(WidePath(link).c_str(), STGM_READ)))
    return false;
  // The path as stored, its variables not expanded (SLGP_RAWPATH): under
  // WOW64 the plain path of a link to "C:\Program Files\..." would point
  // into "Program Files (x86)". No Resolve, which may search the disks or
  // ask the person.
  wchar_t path[MAX_PATH] = {};
  if (shellLink->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH) != S_OK || path[0] == L'\0') return false;
  target = FilePath(Narrow(path));
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

bool Win32Shell::SameFile(const FilePath& a, const FilePath& b) {
  const std::wstring x = LongForm(WidePath(a)), y = LongForm(WidePath(b));
  // The file system's own rule for names: ordinal, case ignored by its
  // upper-case table (so "Jürgen" and "JÜRGEN" are one folder).
  return CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(), static_cast<int>(y.size()), TRUE) ==
         CSTR_EQUAL;
}

// ----------------------------------------------------------- Folders

bool Win32Shell::IsFolder(const FilePath& path) {
  const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Shell::ListFolder(const FilePath& folder, std::vector<FolderItem>& items) {
  items.clear();
  if (!IsFolder(folder)) return false;
  std::wstring path = WidePath(folder);
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
  path += L'*';
  // The basic information alone: no short names to make. A folder that
  // cannot be read (access denied, a share gone meanwhile) lists nothing.
  WIN32_FIND_DATAW data;
  HANDLE find =
      FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return true;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    FolderItem item;
    item.name = Narrow(name);
    item.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.hidden = (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
    items.push_back(std::move(item));
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return true;
}

void Win32Shell::WatchFolder(const FilePath& folder, Handle wnd, std::uint32_t msg) {
  // FindFirstChangeNotificationW's handle is signalled at a change and
  // again, after FindNextChangeNotification, at the next. A thread of its
  // own waits on it and on the stop; the handles it waits on are its own
  // copies, so that the platform's end never closes one under the wait.
  HANDLE change = FindFirstChangeNotificationW(
      WidePath(folder).c_str(), FALSE,
      FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE);
  if (change == INVALID_HANDLE_VALUE) return;
  HANDLE stop = nullptr;
  if (!stopWatching_.Valid() || !DuplicateHandle(GetCurrentProcess(), stopWatching_.Get(), GetCurrentProcess(), &stop,
                                                 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    FindCloseChangeNotification(change);
    return;
  }
  std::thread([change, stop, wnd = H(wnd), msg] {
    const ScopedHandle ownStop(stop);
    const HANDLE both[] = {change, stop};
    while (WaitForMultipleObjects(2, both, FALSE, INFINITE) == WAIT_OBJECT_0) {
      PostMessageW(wnd, msg, 0, 0);
      if (!FindNextChangeNotification(change)) break;
    }
    FindCloseChangeNotification(change);
  }).detach();
}

Win32Shell::~Win32Shell() {
  if (stopWatching_.Valid()) SetEvent(stopWatching_.Get());
}

bool Win32Shell::NameBefore(const std::string& a, const std::string& b) {
  return StrCmpLogicalW(Wide(a).c_str(), Wide(b).c_str()) < 0;
}

}  // namespace vx::win32

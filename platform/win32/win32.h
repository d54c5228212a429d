// The Win32 backend. The only product code that includes <windows.h>.
//
// Strings cross this boundary as UTF-8 and are converted to UTF-16 for the
// W functions, so every text reads right on any Windows locale.
#pragma once

// <windows.h> comes with the guards, lean and without min/max.
#include "platform/win32/scoped.h"

// After windows.h, before the names below are freed for the interface.
#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

// The interface uses these names for its own methods.
#undef CreateWindow
#undef DefWindowProc
#undef PostMessage
#undef SendMessage
#undef FindWindow
#undef RegisterWindowMessage
#undef MessageBox
#undef SetWindowText
#undef WinHelp
#undef ShellExecute
#undef MapVirtualKey
#undef GetKeyNameText
#undef GlobalAddAtom
#undef CreateFont
#undef GetWindowText
#undef DragAcceptFiles
#undef DragFinish
#undef GetEnvironmentVariable
#undef CreateFile
#undef MoveFile
#undef ReplaceFile
#undef DeleteFile

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/patient_files.h"
#include "platform/platform.h"
#include "platform/safe_files.h"
#include "platform/win32/scoped.h"
#include "platform/win32/win32_roles.h"

namespace vx::win32 {

static_assert(sizeof(EdgeRect) == sizeof(RECT) && offsetof(RECT, bottom) == offsetof(EdgeRect, bottom),
              "WM_DPICHANGED's rectangle is read as an EdgeRect");

// A function of user32.dll that older Windows may lack, or null.
template <class F>
F User32(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// The program's UTF-8 texts and paths, and the system's UTF-16.
std::wstring Wide(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
std::wstring WidePath(const FilePath& path);
FilePath PathFromWide(const std::wstring& wide);
std::u16string ToU16(const std::wstring& wide);
std::wstring FromU16(const std::u16string& text);

// The system's Shift-JIS conversions (code page 932).
class Win32CodePage : public CodePage {
 public:
  std::string Encode(std::u16string_view text) const override;
  std::u16string Decode(std::string_view sjis) const override;
};

inline HWND H(Handle h) { return reinterpret_cast<HWND>(h); }
inline Handle ToHandle(HWND wnd) { return reinterpret_cast<Handle>(wnd); }

// Throws SystemError naming the function, the error number and the system's
// text for it.
[[noreturn]] void ThrowLastError(const char* function, DWORD error = GetLastError());

// Files through the W calls; the steps between the calls are SafeFiles'.
class Win32Files : public SafeFiles {
 protected:
  bool ReadFile(const FilePath& path, std::string& bytes, std::size_t maxBytes) override;
  Attributes GetAttributes(const FilePath& path) override;
  FilePath FinalPath(const FilePath& path) override;
  std::unique_ptr<Writer> CreateFile(const FilePath& path, Open how) override;
  void MoveFile(const FilePath& from, const FilePath& to) override;
  void ReplaceFile(const FilePath& replaced, const FilePath& replacement, const FilePath& backup) override;
  bool DeleteFile(const FilePath& path) override;
  std::uint32_t LinkCount(const FilePath& path) override;
};

// The shell's icon of a file (its large icon), or null. It may take as long
// as a network share's time-out: it runs on a job thread (win32_jobs.cpp).
HICON LookUpFileIcon(const std::wstring& path);
// A message to the owner of the menu that is up, answered here: its
// images' measuring and drawing under Wine (true: answered), a submenu
// about to open (heard, and false: the window handles it as well).
bool ShownMenuMessage(UINT msg, WPARAM w, LPARAM l);

class Win32Platform : public Platform, public Win32Jobs, public Win32Menus, public Win32Icons, public Win32Shell {
 public:
  Win32Platform();
  ~Win32Platform() override;

  Files& files() override { return patientFiles_; }
  Menus& menus() override { return *this; }
  Icons& icons() override { return *this; }
  Shell& shell() override { return *this; }
  Jobs& jobs() override { return *this; }
  HINSTANCE Instance() const { return instance_; }
  const CodePage& codePage() override { return codePage_; }
  FilePath ExePath() override;
  bool GetEnvironmentVariable(const std::string& nameUtf8, std::string& valueUtf8) override;
  bool IsWow64() override;
  bool CreateSingleInstanceMutex(const std::string& name) override;
  void ExitProcess(int code) override;
  std::vector<std::string> CommandLine() override;
  bool SendToWindow(Handle wnd, const std::string& text) override;

  Handle CreateWindow(const WindowSpec& desc, WindowProc* proc) override;
  void DestroyWindow(Handle wnd) override;
  void ShowWindow(Handle wnd, bool show) override;
  void SetWindowText(Handle wnd, const std::string& text) override;
  bool IsWindowVisible(Handle wnd) override;
  void BringToFront(Handle wnd) override;
  std::uint32_t GetExStyle(Handle wnd) override;
  void SetExStyle(Handle wnd, std::uint32_t style) override;
  std::intptr_t DefWindowProc(Handle wnd, std::uint32_t msg, std::uintptr_t w, std::intptr_t l) override;
  void PostMessage(Handle wnd, std::uint32_t msg, std::uintptr_t w, std::intptr_t l) override;
  std::intptr_t SendMessage(Handle wnd, std::uint32_t msg, std::uintptr_t w, std::intptr_t l) override;
  void PostQuitMessage(int code) override;
  PumpResult PumpMessage(bool wait) override;
  void WaitMessage(std::uint32_t ms) override;
  std::uint64_t TickCount64() override;
  std::int64_t LocalTimeMSecs() override;
  void SetTimer(Handle wnd, std::uintptr_t id, std::uint32_t ms) override;
  void KillTimer(Handle wnd, std::uintptr_t id) override;
  std::uint32_t DoubleClickTime() override;
  bool SetForegroundWindow(Handle wnd) override;
  void SetFocus(Handle wnd) override;
  Handle FindWindow(const std::string& className, const std::string& caption) override;

  Handle CreateControl(Handle parent, const ControlDesc& desc, WindowProc* proc) override;
  void SetControlBounds(Handle control, Rect bounds) override;
  void EnableWindow(Handle wnd, bool enabled) override;
  void SetCheck(Handle control, bool checked) override;
  void SetFont(Handle wnd, Handle font) override;
  Handle CreateFont(const std::string& face, int height, int charset) override;
  void DestroyFont(Handle font) override;
  Point TextExtent(Handle font, const std::string& text) override;
  bool FontInstalled(const std::string& face) override;
  bool MessageFont(std::string& face, int& height) override;
  std::string UiLanguage() override;
  int GetDpi(Handle wnd) override;
  void SetClientSize(Handle wnd, int width, int height) override;
  void SetWindowBounds(Handle wnd, const EdgeRect& bounds) override;
  void CenterOnScreen(Handle wnd) override;
  std::u16string GetEditText(Handle edit) override;
  void SetEditText(Handle edit, const std::u16string& text) override;
  void GetEditSelection(Handle edit, int& start, int& end) override;
  void SetEditSelection(Handle edit, int start, int end) override;
  void ListInsert(Handle list, int index, const std::string& text) override;
  void ListDelete(Handle list, int index) override;
  void ListSelect(Handle list, int index) override;
  int ListSelection(Handle list) override;
  void SetHotKeyValue(Handle control, std::uint16_t value) override;
  std::uint16_t GetHotKeyValue(Handle control) override;
  void SetImageIcon(Handle control, Handle icon) override;
  bool OpenFileDialog(Handle owner, std::u16string& path) override;
  bool PickIconDialog(Handle owner, std::u16string& file, int& index) override;
  void DragAcceptFiles(Handle wnd, bool accept) override;
  std::vector<std::u16string> DroppedFiles(std::uintptr_t drop) override;
  void DragFinish(std::uintptr_t drop) override;

  std::uint32_t RegisterWindowMessage(const std::string& name) override;

  bool MessageBox(const std::string& text, const std::string& caption, BoxKind kind) override;
  void WinHelp(Handle wnd, const std::string& file, std::uint32_t command, std::uintptr_t data) override;
  void MessageBeep(std::uint32_t type) override;

  Point GetCursorPos() override;
  std::int16_t GetKeyState(int vk) override;
  std::uint32_t MapVirtualKey(std::uint32_t vk) override;
  std::string GetKeyNameText(std::int32_t lParam) override;
  std::uint16_t GlobalAddAtom(const std::string& name) override;
  void GlobalDeleteAtom(std::uint16_t atom) override;
  bool RegisterHotKey(Handle wnd, int id, std::uint32_t modifiers, std::uint32_t vk) override;
  bool UnregisterHotKey(Handle wnd, int id) override;

 private:
  void RegisterClassOnce(const std::wstring& name);
  Win32Files files_;
  PatientFiles patientFiles_{files_, [] { return GetTickCount64(); }, [](std::uint32_t ms) { ::Sleep(ms); }};
  Win32CodePage codePage_;
  HINSTANCE instance_;
  ScopedHandle mutex_;
  std::set<std::wstring> classes_;
  ScopedComInit com_;  // the shell's icon and launch functions want COM on this thread
};

}  // namespace vx::win32

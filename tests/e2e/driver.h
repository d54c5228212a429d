// The end-to-end driver's view of a running Vorlex.exe under Wine (or on
// Windows): start it in a fresh folder, find its windows, drive its tray icon,
// menus and message boxes, press hotkeys, and read the files it writes.
#pragma once

#include <windows.h>

#include "base/names.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

// How many presses of Down reach the entry of that name in a launch menu of
// items with these names, in their order (lines, named "-", are passed
// over); 0 for a name the menu lacks.
template <std::size_t N>
int MenuDowns(const char* const (&names)[N], std::string_view name) {
  int downs = 0;
  for (const char* entry : names) {
    if (std::string_view(entry) == "-") continue;
    ++downs;
    if (name == entry) return downs;
  }
  return 0;
}

std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
// Waits until `done` holds; false when it still does not after `ms`
// milliseconds. Every wait for the program goes through it.
// It asks every `everyMs`.
bool WaitUntil(const std::function<bool()>& done, DWORD ms, DWORD everyMs = 10);
// Waits until the file exists; false after `ms` milliseconds.
bool WaitFile(const std::wstring& path, DWORD ms);
// The driver's texts are UTF-8, as its literals are.
std::wstring Utf16(const std::string& utf8);
// A fresh, empty folder beside the driver holding Vorlex.exe, vx_marker.exe
// and vx_window.exe.
std::wstring NewFolder(const std::wstring& name);
// The key's name as the keyboard layout gives it (no extended bit).
std::wstring KeyName(UINT vk);
// Presses and releases modifiers + key with SendInput.
void PressKeys(const std::vector<WORD>& modifiers, WORD vk);
// Presses a system-wide hotkey as a person does: once the desktop is still
// (the foreground window and the window under the cursor unchanged for a
// person's pause), then modifiers + key in one SendInput.
void PressHotkey(const std::vector<WORD>& modifiers, WORD vk);
// Top-level window of process `pid` with the class, visible or not; null if none.
HWND FindWindowOf(DWORD pid, const wchar_t* cls, bool visibleOnly = false);
HWND WaitWindowOf(DWORD pid, const wchar_t* cls, DWORD ms, bool visibleOnly = true);
bool WaitNoWindowOf(DWORD pid, const wchar_t* cls, DWORD ms);
std::wstring WindowText(HWND wnd);
// The text of a message box (its static control).
std::wstring MessageBoxText(HWND box);

class Vorlex {
 public:
  explicit Vorlex(std::wstring folder) : folder_(std::move(folder)) {}
  ~Vorlex();
  Vorlex(const Vorlex&) = delete;
  Vorlex& operator=(const Vorlex&) = delete;

  // Starts the copy with its own folder as its working folder, or another,
  // and `args` after its path on the command line.
  bool Start(const std::wstring& workingFolder = L"", const std::wstring& args = L"");
  // Waits until start-up is done and the message loop waits for input.
  bool WaitReady(DWORD ms = 20000);
  // The exit code, or STILL_ACTIVE after `ms` milliseconds.
  DWORD WaitExit(DWORD ms = 20000);
  // A close request to the main window; then the exit code, as WaitExit.
  DWORD Close();
  // Waits for a message box of this copy, answers it with OK and returns
  // its caption and text; empty strings when none came.
  std::pair<std::wstring, std::wstring> TakeMessageBox(DWORD ms = 20000) const;
  // Answers every message box with OK until the copy ends; their texts.
  std::vector<std::wstring> TakeMessageBoxesUntilExit(DWORD ms = 30000) const;
  DWORD Pid() const { return pi_.dwProcessId; }
  HWND MainWindow() const { return FindWindowOf(Pid(), Utf16(vx::kMainFormClass).c_str()); }
  HWND TrayWindow() const { return FindWindowOf(Pid(), Utf16(vx::kTrayWindowClass).c_str()); }
  // Sends a tray callback (kTrayCallbackMessage) as the shell does, with a mouse message.
  void Tray(UINT mouseMessage) const;
  // Waits for the pop-up menu and chooses an entry by keys: `downs` presses of
  // Down, then Enter (see MenuDowns and vx::CommandDowns). With no such
  // entry (0) the menu is closed and the answer is false.
  bool ChooseFromMenu(int downs, DWORD ms = 10000) const;
  // Waits for the pop-up menu and closes it with Escape, choosing nothing.
  bool CloseMenu(DWORD ms = 10000) const;
  const std::wstring& Folder() const { return folder_; }
  std::wstring Path(const std::wstring& name) const { return folder_ + L"\\" + name; }

 private:
  std::wstring folder_;
  PROCESS_INFORMATION pi_{};
};

}  // namespace e2e

namespace e2e {
// Shift-JIS, as a settings file in that form and the log hold text: from
// UTF-16, from the driver's UTF-8, and back to UTF-16.
std::string Cp932(const std::wstring& s);
std::string Sjis(const std::string& utf8);
std::wstring FromSjis(const std::string& bytes);
// A settings file's text whatever its form: Shift-JIS, or UTF-16 LE after
// a byte-order mark.
std::wstring IniText(const std::wstring& path);
// Icons that Wine's own notification area shows (its stand-alone tray
// window, used when the X display has none); -1 where there is no such window.
int WineTrayIcons();
// What vx_marker.exe wrote: its arguments, its working folder and the
// performance counter at its start, one per line.
std::wstring ReadMarker(const std::wstring& path);
// Holds or releases a mouse button, as a person does, with SendInput.
void MouseButton(bool left, bool down);
// Runs a command of the machine Wine runs on (an X11 tool) and waits until
// it is done; false when it did not run or took longer than `ms`.
bool RunUnix(const std::wstring& commandLine, DWORD ms = 20000);
// The screen rectangle of the first icon in Wine's own notification area.
bool WineTrayIconRect(RECT& r);
// Clicks with the real mouse (X11, through xdotool) at the middle of the
// rectangle: `clicks` clicks of the left or right button, each press held
// `pressMs`, `gapMs` between them, as a person clicks.
bool PersonClick(const RECT& r, bool left, int clicks, int pressMs = 80, int gapMs = 100);
// A person's left click on the middle of a window (a button, a check box).
bool ClickWindow(HWND wnd);
// Clicks the window and waits up to two seconds for `done`; clicks once
// more when nothing happened. False when the clicks did not run or `done`
// never held.
bool ClickUntil(HWND wnd, const std::function<bool()>& done);
// The descendant of `parent` whose text is `text`; null if none.
HWND ChildWithText(HWND parent, const std::wstring& text);
// The text of the control made right after the one whose text is `label`:
// the value beside a caption.
std::wstring TextAfter(HWND parent, const std::wstring& label);
// Processor time the process has used, in milliseconds.
ULONGLONG ProcessCpuMs(DWORD pid);
// "yy/mm/dd hh:mm:ss" as seconds since 2000-01-01, -1 if it is not one.
long long Seconds(const std::wstring& text);
// The local time as Seconds gives it.
long long NowSeconds();
// The screen's pixels in the rectangle, rows from the top, as 0x00RRGGBB.
std::vector<DWORD> CaptureScreen(const RECT& r);
// Opens the time window as a person does: a right click on the tray icon,
// then a click on the menu's first entry, "時間情報". The window, or null.
HWND OpenTimeWindow(const Vorlex& v);
// Opens the launch menu (left) or the command menu with a person's click on
// the tray icon; the menu's window, shown and ready for input, or null.
HWND OpenTrayMenu(const Vorlex& v, bool left);
// Opens the command menu with a person's right click on the tray icon and
// chooses the entry of that name (kCommandMenu) by real keys: Down until it
// is selected, then Enter.
bool ChooseCommand(const Vorlex& v, const char* name);
// The same, the entry reached by `downs` presses of Down (0: none).
bool ChooseCommandAt(const Vorlex& v, int downs);
// Waits for a pop-up menu of the process to show, ready for keys.
HWND WaitMenuReady(DWORD pid, DWORD ms);
// Whether a menu of the process opens, ready, with its top-left corner at
// the point (within two pixels), as a menu popped up at the cursor does.
bool MenuOpensAt(DWORD pid, POINT at);
// The `n`-th (from 0) descendant of `parent` of the window class.
HWND ChildOfClass(HWND parent, const wchar_t* cls, int n = 0);
// Types text as a person does, through the keyboard (SendInput).
void TypeText(const std::wstring& text);
// The processes of that program file name now running.
std::vector<DWORD> Processes(const wchar_t* exe);
// Ends, when it goes, the console hosts that came while it was there: the
// one a console program started from a window got. Wine's outlives the
// program it served and holds the test's output open, so that the test
// would never be seen to end.
class NewConsoleHosts {
 public:
  NewConsoleHosts();
  NewConsoleHosts(const NewConsoleHosts&) = delete;
  NewConsoleHosts& operator=(const NewConsoleHosts&) = delete;
  ~NewConsoleHosts();

 private:
  std::vector<DWORD> before_;
};
SIZE ClientSize(HWND wnd);
// Opens the item editor from the command menu, as a person does.
HWND OpenEditor(const Vorlex& v);
// The window with the keyboard focus in the thread of `window`.
HWND FocusOf(HWND window);
// Waits until the control has the keyboard focus; false when it does not.
bool FocusComesTo(HWND control, DWORD ms = 2000);
// Whether `holds` still holds after `ms` milliseconds, and all the while:
// for what must not happen (a menu that must not open, a dialog that must
// stay).
bool HoldsFor(const std::function<bool()>& holds, DWORD ms, DWORD everyMs = 10);
// Clicks into a field and types its new text, as a person does: Home,
// Shift+End over what was there, then the text in its place.
void Retype(HWND field, const std::wstring& text);
bool WaitHidden(HWND wnd, DWORD ms = 5000);
// The text of a window of another process, whatever its length.
std::wstring FieldText(HWND field);
// Drops files on the top-level window with the title, as a file manager
// does: a real X11 drag and drop (XDND), which Wine turns into WM_DROPFILES.
// False when the window took no drop.
bool DropFilesOn(const std::wstring& title, const std::vector<std::wstring>& files);
// Sets the DPI that Wine gives the programs started from now on.
void SetWineDpi(DWORD dpi);
// Writes the screen's pixels in the rectangle as a 24-bit BMP file.
// With `only`, just those rectangles of it (windows), the rest in the
// desktop's colour.
bool SaveScreenBmp(const RECT& r, const std::wstring& path, const std::vector<RECT>& only = {});
}  // namespace e2e

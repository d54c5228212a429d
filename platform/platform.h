// The narrow interface between Vorlex and the operating system.
//
// Everything above this file (toolkit, core, tray, forms, app) is portable
// C++ and sees the system only through `Platform`. Two backends implement it:
// platform/win32 (the real program) and platform/headless (an in-memory
// desktop for native tests). A backend only creates native objects, reflects
// state and reports input; rules of behaviour live in the portable toolkit.
//
// `Platform` itself is the UI thread's: the process, windows, messages,
// controls and input. The other roles are interfaces of their own
// (platform/interface), each reached by its accessor, so that a room asks
// for the role it uses: files(), menus(), icons(), shell() and jobs().
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "platform/interface/files.h"
#include "platform/interface/icons.h"
#include "platform/interface/jobs.h"
#include "platform/interface/menus.h"
#include "platform/interface/shell.h"
#include "platform/interface/types.h"

namespace vx {

class Platform {
 public:
  virtual ~Platform() = default;
  virtual Menus& menus() = 0;
  virtual Icons& icons() = 0;
  virtual Shell& shell() = 0;
  virtual Jobs& jobs() = 0;
  virtual Files& files() = 0;

  // Text: the system's Shift-JIS conversions, for the settings file while
  // it is Shift-JIS and for the log.
  virtual const CodePage& codePage() = 0;

  // Process.
  virtual FilePath ExePath() = 0;
  // A variable of the environment (its name without regard to case); false
  // when it is not set.
  virtual bool GetEnvironmentVariable(const std::string& nameUtf8, std::string& valueUtf8) = 0;
  // True for a 32-bit program on 64-bit Windows, whose view of System32 is
  // the 32-bit one (SysWOW64).
  virtual bool IsWow64() = 0;
  // Creates the named mutex; returns false when another copy holds it (the
  // test and the creation are one step; see AnotherCopyHoldsMutex). The
  // handle is held until exit.
  virtual bool CreateSingleInstanceMutex(const std::string& name) = 0;
  virtual void ExitProcess(int code) = 0;
  // The arguments the program was started with, after its own path.
  virtual std::vector<std::string> CommandLine() = 0;
  // Hands `text` to a window of another process (WM_COPYDATA), letting
  // that process take the foreground first, as this one may give it away;
  // the window's WndProc gets kWmCopyData with a CopiedText. False when it
  // was refused (a window of higher integrity refuses it, as UIPI does) or
  // not answered within five seconds.
  virtual bool SendToWindow(Handle wnd, const std::string& text) = 0;

  // Windows and messages.
  virtual Handle CreateWindow(const WindowSpec& desc, WindowProc* proc) = 0;
  virtual void DestroyWindow(Handle wnd) = 0;
  virtual void ShowWindow(Handle wnd, bool show) = 0;
  virtual void SetWindowText(Handle wnd, const std::string& text) = 0;
  virtual bool IsWindowVisible(Handle wnd) = 0;
  virtual void BringToFront(Handle wnd) = 0;
  virtual std::uint32_t GetExStyle(Handle wnd) = 0;
  virtual void SetExStyle(Handle wnd, std::uint32_t style) = 0;
  virtual std::intptr_t DefWindowProc(Handle wnd, std::uint32_t msg, std::uintptr_t w, std::intptr_t l) = 0;
  virtual void PostMessage(Handle wnd, std::uint32_t msg, std::uintptr_t w, std::intptr_t l) = 0;
  virtual std::intptr_t SendMessage(Handle wnd, std::uint32_t msg, std::uintptr_t w, std::intptr_t l) = 0;
  virtual void PostQuitMessage(int code) = 0;
  // Takes one message and dispatches it; `wait` blocks until one comes.
  virtual PumpResult PumpMessage(bool wait) = 0;
  // Returns when a message waits or `ms` milliseconds have passed.
  virtual void WaitMessage(std::uint32_t ms) = 0;
  // Milliseconds since the system started, without wrapping.
  virtual std::uint64_t TickCount64() = 0;
  // The local date and time as milliseconds since 30 December 1899 00:00.
  virtual std::int64_t LocalTimeMSecs() = 0;
  // A timer posts WM_TIMER with `id` to the window every `ms` milliseconds.
  virtual void SetTimer(Handle wnd, std::uintptr_t id, std::uint32_t ms) = 0;
  virtual void KillTimer(Handle wnd, std::uintptr_t id) = 0;
  // The longest time between the clicks of a double-click, in milliseconds.
  virtual std::uint32_t DoubleClickTime() = 0;
  virtual bool SetForegroundWindow(Handle wnd) = 0;
  // Gives the keyboard focus to a window of this program's.
  virtual void SetFocus(Handle wnd) = 0;

  // Child controls, sizes and fonts. Sizes are device pixels; `GetDpi` says
  // how many make an inch on the window's monitor (96 = 100 %).
  virtual Handle CreateControl(Handle parent, const ControlDesc& desc, WindowProc* proc) = 0;
  virtual void SetControlBounds(Handle control, Rect bounds) = 0;
  virtual void EnableWindow(Handle wnd, bool enabled) = 0;
  virtual void SetCheck(Handle control, bool checked) = 0;
  virtual void SetFont(Handle wnd, Handle font) = 0;
  // A font by face, character height in pixels and character set.
  virtual Handle CreateFont(const std::string& face, int height, int charset) = 0;
  virtual void DestroyFont(Handle font) = 0;
  // The size in pixels of one line of `text` drawn in the font (0: the
  // system's): its advance and its line height.
  virtual Point TextExtent(Handle font, const std::string& text) = 0;
  // Whether a font family of that face is installed.
  virtual bool FontInstalled(const std::string& face) = 0;
  // The system's message font (Segoe UI on Windows 10 and 11): its face
  // and character height in pixels at 96 DPI; false when it gives none.
  virtual bool MessageFont(std::string& face, int& height) = 0;
  // The person's first preferred UI language as a locale name ("ja-JP",
  // "en-US"); empty when the system gives none.
  virtual std::string UiLanguage() = 0;
  virtual int GetDpi(Handle wnd) = 0;
  // Gives the window a client area of that size; its top-left stays.
  virtual void SetClientSize(Handle wnd, int width, int height) = 0;
  // Puts the whole window, frame and all, at that place and size on the screen.
  virtual void SetWindowBounds(Handle wnd, const EdgeRect& bounds) = 0;
  virtual void CenterOnScreen(Handle wnd) = 0;
  // Edit boxes: the text as the person typed it, and the selection (the
  // caret when both ends meet), in UTF-16 units.
  virtual std::u16string GetEditText(Handle edit) = 0;
  virtual void SetEditText(Handle edit, const std::u16string& text) = 0;
  virtual void GetEditSelection(Handle edit, int& start, int& end) = 0;
  virtual void SetEditSelection(Handle edit, int start, int end) = 0;
  // List boxes and drop-down lists (the same calls for both).
  virtual void ListInsert(Handle list, int index, const std::string& text) = 0;
  virtual void ListDelete(Handle list, int index) = 0;
  virtual void ListSelect(Handle list, int index) = 0;  // -1: none
  virtual int ListSelection(Handle list) = 0;
  // Hotkey controls: the key in the low byte, 0x01 Shift, 0x02 Ctrl, 0x04
  // Alt in the high byte.
  virtual void SetHotKeyValue(Handle control, std::uint16_t value) = 0;
  virtual std::uint16_t GetHotKeyValue(Handle control) = 0;
  virtual void SetImageIcon(Handle control, Handle icon) = 0;
  // The file-open dialog, modal over `owner`; true and the chosen file's
  // full path when the user confirmed one. A chosen shortcut (.lnk) is the
  // shortcut, not its target.
  virtual bool OpenFileDialog(Handle owner, std::u16string& path) = 0;
  // Windows' icon picker, opened on the icon at `index` in `file`; true
  // with the file and index chosen when the person confirmed one.
  virtual bool PickIconDialog(Handle owner, std::u16string& file, int& index) = 0;
  // Files dropped from the shell: a window that accepts them gets
  // WM_DROPFILES with a drop whose names are read, then released.
  virtual void DragAcceptFiles(Handle wnd, bool accept) = 0;
  virtual std::vector<std::u16string> DroppedFiles(std::uintptr_t drop) = 0;
  virtual void DragFinish(std::uintptr_t drop) = 0;

  virtual Handle FindWindow(const std::string& className, const std::string& caption) = 0;
  virtual std::uint32_t RegisterWindowMessage(const std::string& name) = 0;

  // Dialogs and help. A message box is modal with one OK button; an error
  // box carries the stop sign.
  // A question has Yes and No; the answer is true for Yes (and for OK).
  enum class BoxKind { Plain, Error, Question };
  virtual bool MessageBox(const std::string& text, const std::string& caption, BoxKind kind) = 0;
  virtual void WinHelp(Handle wnd, const std::string& file, std::uint32_t command, std::uintptr_t data) = 0;
  virtual void MessageBeep(std::uint32_t type) = 0;

  // Keyboard, mouse, hotkeys and atoms.
  virtual Point GetCursorPos() = 0;
  virtual std::int16_t GetKeyState(int vk) = 0;
  virtual std::uint32_t MapVirtualKey(std::uint32_t vk) = 0;  // virtual key -> scan code
  virtual std::string GetKeyNameText(std::int32_t lParam) = 0;
  virtual std::uint16_t GlobalAddAtom(const std::string& name) = 0;
  virtual void GlobalDeleteAtom(std::uint16_t atom) = 0;
  virtual bool RegisterHotKey(Handle wnd, int id, std::uint32_t modifiers, std::uint32_t vk) = 0;
  virtual bool UnregisterHotKey(Handle wnd, int id) = 0;
};

}  // namespace vx

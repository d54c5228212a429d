// The narrow interface between Vorlex and the operating system.
//
// Everything above this file (toolkit, core, tray, forms, app) is portable
// C++ and sees the system only through `Platform`. Two backends implement it:
// platform/win32 (the real program) and platform/headless (an in-memory
// desktop for native tests). A backend only creates native objects, reflects
// state and reports input; rules of behaviour live in the portable toolkit.
//
// Strings are UTF-8, the program's own texts and paths alike; the win32
// backend converts them to and from UTF-16 at its boundary. What a person
// types, drops or chooses comes as UTF-16, as the system holds it. Handles
// are opaque numbers; 0 means "none".
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/codepage.h"

namespace vx {

using Handle = std::uintptr_t;

// Window messages, by their Windows numbers, so that both backends and the
// end-to-end driver speak the same protocol.
enum : std::uint32_t {
  kWmNull = 0x0000,
  kWmClose = 0x0010,
  kWmQueryEndSession = 0x0011,
  kWmEndSession = 0x0016,
  kWmKeyDown = 0x0100,
  kWmCommand = 0x0111,
  kWmTimer = 0x0113,
  kWmDpiChanged = 0x02E0,
  kWmDisplayChange = 0x007E,
  kWmPowerBroadcast = 0x0218,
  kWmDropFiles = 0x0233,
  kDmGetDefId = 0x0400,  // a dialog's question for its default button
  kWmHotKey = 0x0312,
  kWmUser = 0x0400,
  kWmMouseMove = 0x0200,
  kWmLButtonDown = 0x0201,
  kWmLButtonUp = 0x0202,
  kWmLButtonDblClk = 0x0203,
  kWmRButtonDown = 0x0204,
  kWmRButtonUp = 0x0205,
  kWmRButtonDblClk = 0x0206,
  kWmMButtonDown = 0x0207,
  kWmMButtonUp = 0x0208,
  kWmMButtonDblClk = 0x0209,
};

// Virtual-key codes used by the program.
enum : std::uint16_t {
  kVkLButton = 0x01,
  kVkRButton = 0x02,
  kVkMButton = 0x04,
  kVkReturn = 0x0D,
  kVkShift = 0x10,
  kVkControl = 0x11,
  kVkMenu = 0x12,
};

// RegisterHotKey modifiers. With kModNoRepeat a key held down past the
// keyboard's repeat delay reports one press, not one per repeat (Windows 7
// and later); it is no part of the combination itself.
enum : std::uint32_t { kModAlt = 1, kModControl = 2, kModShift = 4, kModNoRepeat = 0x4000 };
inline constexpr std::uint32_t kModKeys = kModAlt | kModControl | kModShift | 8 /* MOD_WIN */;

enum : std::uint32_t { kWsExToolWindow = 0x80 };

struct Point {
  std::int32_t x = 0, y = 0;
};

// A rectangle by its left-top corner and its size.
struct Rect {
  std::int32_t left = 0, top = 0, width = 0, height = 0;
};

// A rectangle by its edges, as WM_DPICHANGED's lParam points to one (the
// system's RECT): the place and size Windows suggests for the window.
struct EdgeRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// Notification codes in WM_COMMAND: a button clicked, a list box's
// selection changed, an edit box's or hotkey control's contents changed.
enum : std::uint16_t { kBnClicked = 0, kLbnSelChange = 1, kCbnSelChange = 1, kEnChange = 0x0300 };
// DM_GETDEFID's answer says it names a default button.
enum : std::uint32_t { kDcHasDefId = 0x534B };

// Control messages and styles, by their Windows numbers: each control of
// the toolkit describes its native window with them, and the backends
// create whatever they are handed.
enum : std::uint32_t {
  kBmSetCheck = 0x00F1,
  kEmLimitText = 0x00C5,
  kLbSetItemHeight = 0x01A0,
  kHkmSetRules = 0x0403,
};
enum : std::uint32_t {
  kWsVScroll = 0x00200000,
  kWsClipChildren = 0x02000000,
  kWsExClientEdge = 0x00000200,
  kWsExControlParent = 0x00010000,
  kSsLeft = 0x0000,
  kSsIcon = 0x0003,
  kSsEtchedHorz = 0x0010,
  kSsEtchedFrame = 0x0012,
  kSsNoPrefix = 0x0080,
  kSsRealSizeImage = 0x0800,
  kBsPushButton = 0x0000,
  kBsDefPushButton = 0x0001,
  kBsCheckBox = 0x0002,
  kLbsNotify = 0x0001,
  kLbsNoIntegralHeight = 0x0100,
  kCbsDropDownList = 0x0003,
  kEsAutoHScroll = 0x0080,
};

// A message sent to a control's new window, to put in what was set before
// it existed (a check, a row height, a typing limit).
struct SetupMessage {
  std::uint32_t msg;
  std::uintptr_t wParam;
  std::intptr_t lParam;
};

// What a control's native window is, as the control describes itself.
struct ControlDesc {
  std::string className;                 // a system class ("BUTTON", "EDIT", ...) or, with
  bool ownClass = false;                 // ownClass, one of the program's: its messages go to the control
  std::uint32_t style = 0, exStyle = 0;  // beyond child, visible, disabled and tab stop
  std::string name;                      // the control's name, for tests and tools
  std::string caption;
  Rect bounds;  // pixels in the parent's client area
  int id = 0;   // reported in WM_COMMAND
  bool visible = true, enabled = true;
  bool tabStop = false;
  // The window keeps only its 2-pixel edges, so that what lies inside it
  // (the form, other controls) shows through: a frame around a group.
  bool edgesOnly = false;
  Handle font = 0;
  std::vector<SetupMessage> setup;  // sent in order once the window exists
};

// What becomes of an exception that leaves a window's handler: the
// toolkit installs its error box here; with none installed it is dropped.
// Either way it never crosses into the system.
using EscapedErrorSink = std::function<void(const std::exception&)>;
void SetEscapedErrorSink(EscapedErrorSink sink);
// Runs `work`; an exception that leaves it goes to the sink. Every call
// from the system into the program's code goes through here.
void RunInBoundary(const std::function<void()>& work) noexcept;

// Work done aside and its answer, made so that an exception of the work is
// caught where it runs and raised where the answer runs (inside a window's
// error boundary): the person is told, and the worker goes on. Each
// backend's RunAside runs these.
struct AsideJob {
  std::function<void()> work, done;
};
AsideJob CarryingFailure(std::function<void()> work, std::function<void()> done);

// Receives the messages of one window. Dispatch() is the only entry the
// backends call; it hands an exception that leaves WndProc to the sink.
class WindowProc {
 public:
  virtual ~WindowProc() = default;
  virtual std::intptr_t WndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) = 0;
  std::intptr_t Dispatch(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) noexcept;
  // The window these messages are for. The backend sets it before the
  // window's first message, so that the messages sent while the window is
  // being made (its frame's size among them) reach the system's handling
  // of that window, not of none.
  Handle window = 0;
};

// What a window is created as.
enum class WindowKind {
  AppWindow,  // the application's hidden top-level window
  Form,       // a form: top-level, hidden until shown
  Utility,    // a hidden zero-size pop-up tool window that receives messages
};

struct WindowSpec {
  WindowKind kind = WindowKind::Form;
  std::string className;
  std::string caption;
  Handle owner = 0;
  int width = 0, height = 0;
};

// One entry of a native pop-up menu, as shown.
struct MenuEntrySpec {
  std::string caption;
  bool separator = false;
  bool checked = false;
  bool enabled = true;
  Handle bitmap = 0;  // an image made by IconBitmap, or 0
  // The entry opens a menu of its own, whose entries are asked for when it
  // opens (SubmenuOpens, then SetShownMenu).
  bool submenu = false;
};

// Hears a shown menu's submenus open: Windows' WM_INITMENUPOPUP, before
// the submenu shows. `id` is the entry's, as TrackPopupMenu numbers them.
using SubmenuOpens = std::function<void(int id)>;

// One entry of a folder, as the file system lists it.
struct FolderItem {
  std::string name;  // the file name, UTF-8
  bool folder = false;
  bool hidden = false;  // the hidden or the system attribute
};

// The shell's notification-icon record in its first form (cbSize 88 in
// the ANSI form), its tooltip as UTF-8 text of at most 63 Shift-JIS bytes.
struct NotifyIconData {
  std::uint32_t cbSize = 0;
  Handle hWnd = 0;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  Handle hIcon = 0;
  std::string szTip;
  static constexpr std::size_t kTipBytes = 63;
};

enum class NotifyOp { Add = 0, Modify = 1, Delete = 2 };
// The record's size as the shell's first form of it has it, and its flags.
enum : std::uint32_t { kNotifyIconDataV1Size = 88, kNifMessage = 0x01, kNifIcon = 0x02, kNifTip = 0x04 };
// MessageBeep's plain beep (MB_OK).
enum : std::uint32_t { kBeepDefault = 0 };
enum class PumpResult { Dispatched, Quit, Idle };

// An error raised by a failed system call, carrying the function, the
// system's error number and its text.
class SystemError : public std::runtime_error {
 public:
  SystemError(const std::string& text, std::uint32_t code) : std::runtime_error(text), code_(code) {}
  std::uint32_t code() const { return code_; }

 private:
  std::uint32_t code_;
};

// Windows error numbers that the portable code acts on.
enum : std::uint32_t {
  kErrorFileNotFound = 2,
  kErrorAccessDenied = 5,
  kErrorSharingViolation = 32,
  kErrorLockViolation = 33,
  kErrorAlreadyExists = 183,
  kErrorUnableToRemoveReplaced = 1175,
  kErrorUnableToMoveReplacement = 1176,
  kErrorUnableToMoveReplacement2 = 1177,
};

// What CreateMutex's answer says of the single-instance mutex: it existed
// already (ERROR_ALREADY_EXISTS with a handle), or it exists and may not be
// opened (no handle, ERROR_ACCESS_DENIED): a copy running elevated or as
// another user holds it. Either way another copy runs. Any other failure
// leaves this copy to run unguarded.
inline bool AnotherCopyHoldsMutex(bool gotHandle, std::uint32_t error) {
  return gotHandle ? error == kErrorAlreadyExists : error == kErrorAccessDenied;
}

// Raised by Files::Read for a file larger than the caller takes.
class FileTooLarge : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Files: whole-file reads and durable, atomic replacement.
class Files {
 public:
  virtual ~Files() = default;
  // True and the file's bytes when it exists as a regular file; false when
  // there is none (nothing, or a folder, under the path). A file that exists
  // but cannot be read whole (denied, shared for no reader, a failing read)
  // throws SystemError; one of more than `maxBytes` throws FileTooLarge.
  virtual bool Read(const FilePath& path, std::string& bytes, std::size_t maxBytes) = 0;
  virtual bool Exists(const FilePath& path) = 0;
  // Creates a new file holding `bytes`; throws SystemError when it cannot.
  virtual void Create(const FilePath& path, const std::string& bytes) = 0;
  // Adds `bytes` at the end of the file, creating it when missing. Throws
  // SystemError (its code a Windows error number) when it cannot.
  virtual void Append(const FilePath& path, const std::string& bytes) = 0;
  // Replaces (or creates) the file with the pieces, joined, so that a crash
  // at any moment leaves either the old file or the new one, whole. The file
  // stays what it was: a symbolic link keeps pointing where it did and its
  // target gets the bytes, and the file keeps its attributes, access rights
  // and owner. Throws SystemError when the system refuses; the old file is
  // then unchanged and no temporary file is left.
  virtual void Replace(const FilePath& path, const std::vector<std::string_view>& pieces) = 0;
};

// What the shell is asked to open: the target, its parameters and its
// working folder, as the file system names them.
struct LaunchRequest {
  FilePath file;
  std::string params;
  FilePath dir;
};

// How a started program shows its first window (ShellExecute's nShow).
enum : int { kSwShowMaximized = 3, kSwShow = 5, kSwShowMinNoActive = 7 };

// A window a person switches to: a visible, unowned top-level window that
// the taskbar shows, with the full path of the program that made it.
struct ProgramWindow {
  Handle wnd = 0;
  FilePath image;
  bool minimized = false;
};

class Platform {
 public:
  virtual ~Platform() = default;

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
  // Files dropped from the shell: a window that accepts them gets
  // WM_DROPFILES with a drop whose names are read, then released.
  virtual void DragAcceptFiles(Handle wnd, bool accept) = 0;
  virtual std::vector<std::u16string> DroppedFiles(std::uintptr_t drop) = 0;
  virtual void DragFinish(std::uintptr_t drop) = 0;

  virtual Handle FindWindow(const std::string& className, const std::string& caption) = 0;
  virtual std::uint32_t RegisterWindowMessage(const std::string& name) = 0;

  // Dialogs and help. A message box is modal with one OK button; an error
  // box carries the stop sign.
  enum class BoxKind { Plain, Error };
  virtual void MessageBox(const std::string& text, const std::string& caption, BoxKind kind) = 0;
  virtual void WinHelp(Handle wnd, const std::string& file, std::uint32_t command, std::uintptr_t data) = 0;
  virtual void MessageBeep(std::uint32_t type) = 0;

  // Pop-up menus: shows the entries with the top-left corner at `at` and
  // returns the id of the chosen entry, or -1 when none was chosen. The
  // entries are ids 0 to n - 1; a submenu's entries get theirs when it is
  // filled. `opens` hears each submenu open, and may fill it then.
  virtual int TrackPopupMenu(const std::vector<MenuEntrySpec>& entries, Point at, Handle owner,
                             const SubmenuOpens& opens) = 0;
  // Puts `entries` into the submenu of entry `id` of the menu shown now, in
  // place of what it held (-1: into the menu itself), numbered from
  // `firstId` on. A submenu that is open shows them at once.
  virtual void SetShownMenu(int id, int firstId, const std::vector<MenuEntrySpec>& entries) = 0;
  // Changes the image of entry `id` of the menu shown now (an icon that
  // came late); the menu draws it at once.
  virtual void SetShownMenuBitmap(int id, Handle bitmap) = 0;

  // Icons and images.
  virtual Handle LoadMainIcon() = 0;
  // The program's icon at the small-icon size for the system's DPI, the
  // size the notification area shows.
  virtual Handle LoadSmallMainIcon() = 0;
  virtual Handle CopyIcon(Handle icon) = 0;
  virtual void DestroyIcon(Handle icon) = 0;
  // The shell's large icon for a path is looked up off the UI thread: on an
  // offline share or a sleeping drive it takes the share's time-out.
  // RequestFileIcon returns a ticket at once; when the answer is known,
  // `msg` is posted to `wnd` with the ticket in wParam, and TakeFileIcon
  // hands the icon over once (0: the shell has none, or no answer yet).
  // Answers never taken are destroyed with the platform.
  virtual std::uintptr_t RequestFileIcon(const FilePath& path, Handle wnd, std::uint32_t msg) = 0;
  virtual Handle TakeFileIcon(std::uintptr_t ticket) = 0;
  // The large-icon size at a DPI (32 pixels at 96), and the DPI of the
  // monitor that holds a point of the screen: a menu's images are made at
  // its monitor's DPI, which may differ from the one at sign-in.
  virtual Point LargeIconSize(int dpi) = 0;
  virtual int DpiAt(Point at) = 0;
  virtual Handle IconBitmap(Handle icon, Point size) = 0;  // icon drawn at (0, 0); 0 icon = blank
  virtual void DestroyBitmap(Handle bitmap) = 0;

  // Keyboard, mouse, hotkeys and atoms.
  virtual Point GetCursorPos() = 0;
  virtual std::int16_t GetKeyState(int vk) = 0;
  virtual std::uint32_t MapVirtualKey(std::uint32_t vk) = 0;  // virtual key -> scan code
  virtual std::string GetKeyNameText(std::int32_t lParam) = 0;
  virtual std::uint16_t GlobalAddAtom(const std::string& name) = 0;
  virtual void GlobalDeleteAtom(std::uint16_t atom) = 0;
  virtual bool RegisterHotKey(Handle wnd, int id, std::uint32_t modifiers, std::uint32_t vk) = 0;
  virtual bool UnregisterHotKey(Handle wnd, int id) = 0;

  // Shell.
  // False when the shell could not start it (no such file, no program for
  // the document); the shell has then shown the person why itself.
  virtual bool ShellExecute(const std::string& verb, const LaunchRequest& target, int show) = 0;
  // Runs `work` off the UI thread, on the worker that looks up the icons
  // (with its own COM apartment), then `done` on the UI thread, as a message
  // of its own. So a look-up that may wait for a share that is offline (a
  // shortcut read, a path's long form) never holds up the menus and the
  // hotkeys. `work` may use only the look-ups that keep no state of the
  // platform's (ShortcutTarget, SameFile, ProgramWindows, the environment);
  // a `done` still to come when the platform ends is dropped.
  virtual void RunAside(std::function<void()> work, std::function<void()> done) = 0;
  // The windows a person switches between (ProgramWindow), front first.
  // A window whose program cannot be asked for its path is left out.
  virtual std::vector<ProgramWindow> ProgramWindows() = 0;
  // Restores another program's window if it is minimized and makes it the
  // foreground window. False when the system kept the foreground where it
  // was (the window then flashes on the taskbar); it is restored anyway.
  virtual bool BringForward(Handle wnd) = 0;
  // The file a shell shortcut (.lnk) points to, as stored: its environment
  // variables not yet expanded ("%ProgramFiles%\App\app.exe"), for a
  // 32-bit process's expansion would name the "(x86)" folder. False when
  // the file is no shortcut or points to no file (a URL, a shell folder).
  virtual bool ShortcutTarget(const FilePath& link, FilePath& target) = 0;
  // Whether two paths name the same file as the file system compares
  // names: letter case ignored, a short (8.3) name the same as its long one.
  virtual bool SameFile(const FilePath& a, const FilePath& b) = 0;
  // The files and folders in a folder, in no order; false when the path
  // names no folder (a file, nothing), and an empty list when the folder
  // cannot be read. It may wait for a share: use it aside.
  virtual bool ListFolder(const FilePath& folder, std::vector<FolderItem>& items) = 0;
  // Whether the path names a folder, asked without listing it; aside too.
  virtual bool IsFolder(const FilePath& path) = 0;
  // Whether `a` sorts before `b` as Explorer sorts names: letter case
  // ignored, and a run of digits by its number ("File 2" before "File 10").
  virtual bool NameBefore(const std::string& a, const std::string& b) = 0;

  // The person's programs that Windows starts at sign-in: the value `name`
  // under HKCU\Software\Microsoft\Windows\CurrentVersion\Run, and whether
  // Task Manager's Startup tab has disabled it (its StartupApproved value,
  // whose first byte is odd when disabled).
  struct StartupEntry {
    bool exists = false;
    std::string command;  // the value's text, as stored
    bool disabled = false;
  };
  virtual StartupEntry GetStartupEntry(const std::string& name) = 0;
  // Writes the value (REG_SZ) and takes away a disabled state, so that the
  // entry starts; removes it (a missing value is no error). A refusal is a
  // SystemError naming the registry function and its error; nothing else
  // changes then.
  virtual void SetStartupEntry(const std::string& name, const std::string& command) = 0;
  virtual void RemoveStartupEntry(const std::string& name) = 0;
  // False when the shell refused: an add while Explorer starts or is busy
  // (it times out), a modify or delete of an icon the shell no longer has.
  virtual bool ShellNotifyIcon(NotifyOp op, const NotifyIconData& data) = 0;
};

}  // namespace vx

// The headless backend: an in-memory desktop for native tests.
//
// A HeadlessSystem is the desktop that several "processes" share: named
// mutexes, the global atom table, hotkey registrations, top-level windows,
// the foreground window and the notification area. A HeadlessPlatform is
// one process on it: its message queue, its key state and cursor, and what
// it showed (message boxes, pop-up menus) and started (shell launches).
// Atoms and hotkeys follow the same rules as Windows.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/headless/headless_roles.h"
#include "platform/patient_files.h"
#include "platform/platform.h"
#include "platform/safe_files.h"

namespace vx {

// Files on the local file system. Each of Windows' file calls is made of
// POSIX calls, and fails as Windows documents that call: the error number,
// and the files left as the call's page says (see faultHook).
class PosixFiles : public SafeFiles {
 public:
  // The calls, as Windows names them.
  enum class Call {
    ReadFile,
    CreateFile,
    WriteFile,
    FlushFileBuffers,
    CloseHandle,
    MoveFileEx,
    ReplaceFile,
    DeleteFile
  };
  // Called before each call with the path it is for (ReadFile: halfway
  // through the data). A test throws a SystemError from it to make the call
  // fail with that error number, leaving what Windows leaves: WriteFile has
  // written half of its bytes, CloseHandle has closed the file, ReplaceFile
  // has done what its page says of the number (1176 without a backup name:
  // the replaced file is gone; 1177: the replaced file is under the backup
  // name), any other call changed nothing. Anything else thrown stands for
  // a crash at that moment.
  std::function<void(Call, const std::string& path)> faultHook;
  // Called inside a call that is more than one step on the disk, between
  // its steps (ReplaceFile: after the replaced file took the backup name,
  // before the replacement takes its name): where a crash can stop it.
  std::function<void(Call)> midwayHook;
  // Files that another program holds open without sharing them (a scan, a
  // backup): every open of one fails with a sharing violation.
  std::set<std::string> held;
  // Files with the hidden attribute. CREATE_ALWAYS refuses them with
  // ERROR_ACCESS_DENIED; a move takes the attribute along, and ReplaceFile
  // gives the replacement the replaced file's.
  std::set<std::string> hidden;

 protected:
  bool ReadFile(const FilePath& path, std::string& bytes, std::size_t maxBytes) override;
  Attributes GetAttributes(const FilePath& path) override;
  FilePath FinalPath(const FilePath& path) override;
  std::unique_ptr<Writer> CreateFile(const FilePath& path, Open how) override;
  void MoveFile(const FilePath& from, const FilePath& to) override;
  void ReplaceFile(const FilePath& replaced, const FilePath& replacement, const FilePath& backup) override;
  bool DeleteFile(const FilePath& path) override;
  std::uint32_t LinkCount(const FilePath& path) override;

 private:
  class PosixWriter;
  void Before(Call call, const std::string& path) const {
    if (faultHook) faultHook(call, path);
  }
};

// Shift-JIS (CP932) as the system converts it (glibc's iconv), with the
// same rule as the Windows one: a character without a form becomes '?'.
class IconvCodePage : public CodePage {
 public:
  IconvCodePage();
  std::string Encode(std::u16string_view text) const override;
  std::u16string Decode(std::string_view sjis) const override;
};

class HeadlessPlatform;

class HeadlessSystem {
 public:
  struct Window {
    WindowSpec desc;  // a top-level window's client size is desc.width/height
    WindowProc* proc = nullptr;
    HeadlessPlatform* process = nullptr;
    bool visible = false;
    std::uint32_t exStyle = 0;
    Point position;  // a top-level window's place on the screen
    bool centred = false;
    // Child controls.
    Handle parent = 0;
    bool isControl = false;
    ControlDesc control;  // as described, with bounds, caption and enabled as shown
    // What the control's own messages set: a check box's or button's check,
    // a list box's row height; a push button described as the default one.
    bool checked = false;
    int itemHeight = 0;
    bool defaultButton = false;
    std::vector<std::string> items;  // a list box's entries
    // An edit box's text as typed (control.caption holds it as UTF-8), its
    // selection and its own typing limit.
    std::u16string editText;
    int selStart = 0, selEnd = 0;
    int textLimit = 0;
    int selection = -1;
    std::uint16_t hotKey = 0;
    Handle icon = 0;
    bool acceptsFiles = false;
  };
  struct HotKey {
    HeadlessPlatform* process;
    Handle wnd;
    int id;
    std::uint32_t modifiers, vk;
  };
  struct Atom {
    std::string name;
    int refs;
  };

  // Presses a hotkey: posts WM_HOTKEY to the window that registered the
  // combination. False when none did.
  bool PressHotKey(std::uint32_t modifiers, std::uint32_t vk);
  // Explorer starts anew: the notification area is empty, and every
  // top-level window hears the registered message "TaskbarCreated".
  void RestartShell();
  // Takes a key combination for a program outside this desktop's processes.
  void OccupyHotKey(std::uint32_t modifiers, std::uint32_t vk);
  const Window* FindWindowRecord(Handle wnd) const;

  std::set<std::string> mutexes;
  std::set<std::string> elevatedMutexes;  // held by an elevated copy: opening one is denied
  std::map<Handle, Window> windows;
  std::vector<HotKey> hotkeys;
  // The Windows-key combinations Windows keeps for itself (Win+L locks,
  // Win+D shows the desktop, Win+E opens Explorer...): RegisterHotKey
  // refuses them as taken.
  std::set<std::pair<std::uint32_t, std::uint32_t>> reservedHotKeys{
      {kModWin, 'A'}, {kModWin, 'D'}, {kModWin, 'E'}, {kModWin, 'I'}, {kModWin, 'L'},
      {kModWin, 'M'}, {kModWin, 'R'}, {kModWin, 'S'}, {kModWin, 'X'}, {kModWin, 0x09 /* Tab */}};
  std::map<std::uint16_t, Atom> atoms;
  std::map<std::string, std::uint16_t> atomNames;  // folded name -> atom
  std::size_t atomCapacity = 0x3FFF;
  Handle foreground = 0;
  Handle focus = 0;  // the window with the keyboard focus
  int dpi = 96;
  std::map<Handle, std::pair<std::string, int>> fonts;  // font -> face, pixel height
  std::set<std::string> missingFonts;                   // faces this desktop lacks; every other face is installed
  std::string uiLanguage = "ja-JP";                     // the person's preferred UI language
  int messageFontHeight = 12;                           // the message font's, in pixels at 96 DPI
  // The Run key's values (name -> command), the names Task Manager has
  // disabled, and the registry's refusal of writes (an error number, 0: none).
  std::map<std::string, std::string> runValues;
  std::set<std::string> disabledStartup;
  std::uint32_t refuseRegistry = 0;
  std::map<std::pair<Handle, std::uint32_t>, NotifyIconData> trayIcons;  // (window, id) -> icon
  // The shell refuses this many of the next tray adds, as a busy Explorer
  // does at sign-in; `trayAddsTakenAnyway` of them add the icon all the same
  // (the add timed out after the shell took it).
  int trayAddsRefused = 0;
  int trayAddsTakenAnyway = 0;
  std::map<std::string, std::uint32_t> registeredMessages;
  // Other programs' windows, front first, each with its program's path.
  struct OtherWindow {
    Handle wnd;
    std::string image;
    bool minimized = false;
    bool topmost = false;  // kept in front of the others
  };
  std::vector<OtherWindow> otherWindows;
  // The foreground stays where it is when a program asks for it, as
  // Windows keeps it for a program that did not receive the last input.
  bool foregroundLocked = false;
  // Programs that open a window when the shell starts them (shown, or
  // minimized when started so), and the shortcuts' targets, by UTF-8 path.
  std::set<std::string> windowedPrograms;
  std::map<std::string, std::string> shortcuts;
  // A program's window opens in front of the others; its handle.
  Handle OpenProgramWindow(const std::string& image, bool minimized = false, bool topmost = false);
  // Where a window that comes to the front goes: behind those kept on top.
  std::vector<OtherWindow>::iterator FrontOfPlainWindows();
  Handle nextHandle = 0x1000;
};

// The system's edit box class: its text is what a person types.
inline bool IsEdit(const HeadlessSystem::Window& w) { return w.isControl && w.control.className == "EDIT"; }

class HeadlessPlatform : public Platform,
                         public HeadlessJobs,
                         public HeadlessMenus,
                         public HeadlessIcons,
                         public HeadlessShell {
 public:
  HeadlessPlatform(HeadlessSystem& system, std::string exePath);
  ~HeadlessPlatform() override;

  HeadlessSystem& system;
  PosixFiles posixFiles;
  PatientFiles patientFiles;  // posixFiles, waiting on the scripted clock for a held file
  IconvCodePage cp932;
  std::string exePath;  // UTF-8
  // The environment's variables (names without regard to case), and
  // whether this is a 32-bit program on 64-bit Windows.
  std::map<std::string, std::string> environment;
  bool wow64 = false;
  // The window classes whose windows the system refuses to make, and
  // whether it refuses timers, as Windows does for a process out of its
  // allowance of handles (ERROR_NO_MORE_USER_HANDLES).
  std::set<std::string> refusedWindows;
  bool refuseTimers = false;
  int exitCode = -1;  // set by ExitProcess
  Point cursor{100, 200};
  std::array<bool, 256> keys{};
  struct Box {
    std::string text, caption;
    BoxKind kind;
  };
  std::vector<Box> messageBoxes;
  // How long a person reads each box (0: it is closed at once). Its modal
  // loop handles the messages already posted, and meanwhile what falls
  // due, as Windows' does.
  std::uint32_t boxShownMs = 0;
  std::vector<std::pair<std::uint32_t, std::uintptr_t>> helpCalls;
  std::vector<std::uint32_t> beeps;
  // What this process did to the desktop, in order: windows created and
  // destroyed, hotkeys registered and released, tray icon calls, files replaced.
  std::vector<std::string> trace;

  std::size_t QueueSize() const { return queue_.size(); }

  // Controls, as a person meets them. FindControl looks for a control by
  // name among the window's descendants (0: none). Click is a person's
  // click: it reaches the control only while the control and every parent
  // are visible and enabled, and then reports it to the parent as Windows
  // does; false when the click reaches nothing.
  Handle FindControl(Handle top, const std::string& name) const;
  const HeadlessSystem::Window& Control(Handle top, const std::string& name) const;
  bool Click(Handle top, const std::string& name);
  // The names of a window's child controls in the window order (the order
  // they were made), as Tab and screen readers go through them.
  std::vector<std::string> ChildOrder(Handle parent) const;
  // Shows on the screen: the window and every parent visible.
  bool Showing(Handle wnd) const;
  // A person's input into a control, reported to its parent as Windows
  // does; false when the control cannot take it (hidden or disabled, or
  // its window disabled by a modal dialog).
  bool Type(Handle top, const std::string& name, const std::string& text);
  // The same with text that may hold any character, as pasted over the
  // whole box.
  bool TypeUnicode(Handle top, const std::string& name, const std::u16string& text);
  // Keys typed at the caret, one character after another, as an edit box
  // takes them: a character past the box's own limit is refused.
  bool TypeAtCaret(Handle top, const std::string& name, const std::u16string& text);
  // Pastes at the caret: the box takes as much as its limit leaves room for.
  bool Paste(Handle top, const std::string& name, const std::u16string& text);
  // The caret of an edit box.
  int Caret(Handle top, const std::string& name) const;
  bool Select(Handle top, const std::string& name, int index);
  bool PressHotKeyInto(Handle top, const std::string& name, std::uint16_t value);
  // The dialog manager's answer to Enter and Escape on a form: Enter
  // presses the default button, if any; Escape the button numbered 2.
  bool PressDialogKey(Handle top, std::uint16_t vk);
  // Drops files from the shell on a window that accepts them.
  bool DropFiles(Handle wnd, const std::vector<std::string>& utf8Paths);
  bool DropUnicodeFiles(Handle wnd, std::vector<std::u16string> paths);
  std::set<std::uintptr_t> liveDrops;
  // Answers the file-open dialog (false: cancelled); the owner is given.
  std::function<bool(Handle owner, std::u16string& path)> onOpenFile;
  // The person in the icon picker: what it opened on, and the answer.
  std::function<bool(Handle owner, std::u16string& file, int& index)> onPickIcon;

  // The scripted clock: it stands still until a wait lets time pass. A
  // scheduled piece of work runs when the clock reaches its moment, during a
  // wait, as a person's later input arrives.
  std::uint64_t tick = 1000;
  std::uint32_t doubleClickTime = 500;
  void Schedule(std::uint32_t afterMs, std::function<void()> work);
  std::vector<std::uint32_t> waits;  // the time-outs of every wait, in order
  // The local time at tick 0, in milliseconds since 30 December 1899: the
  // clock reads 2026-12-07 09:30:00.000 at the first tick.
  std::int64_t localTimeAtTickZero = 46363LL * 86'400'000 + (9 * 3600 + 30 * 60) * 1000LL - 1000;
  // Lets `ms` of the scripted clock pass as they would on a desktop: each
  // timer posts WM_TIMER when due, scheduled work runs, and every message
  // is handled as it comes.
  void RunClock(std::uint64_t ms);
  struct Timer {
    std::uint32_t interval;
    std::uint64_t due;
  };
  std::map<std::pair<Handle, std::uintptr_t>, Timer> timers;
  std::uint64_t timerMessages = 0;  // WM_TIMER messages posted so far

  Files& files() override { return patientFiles; }
  Menus& menus() override { return *this; }
  Icons& icons() override { return *this; }
  Shell& shell() override { return *this; }
  Jobs& jobs() override { return *this; }
  // Lets `ms` of the scripted clock pass without handling a message, as a
  // thread that sleeps; scheduled work due meanwhile runs.
  void Sleep(std::uint32_t ms);
  const CodePage& codePage() override { return cp932; }
  FilePath ExePath() override;
  bool GetEnvironmentVariable(const std::string& nameUtf8, std::string& valueUtf8) override;
  bool IsWow64() override { return wow64; }
  bool CreateSingleInstanceMutex(const std::string& name) override;
  void ExitProcess(int code) override { exitCode = code; }
  std::vector<std::string> args;  // the command line after the program's path
  std::vector<std::string> CommandLine() override { return args; }
  bool SendToWindow(Handle wnd, const std::string& text) override;

  Handle CreateWindow(const WindowSpec& desc, WindowProc* proc) override;
  void DestroyWindow(Handle wnd) override;
  void ShowWindow(Handle wnd, bool show) override;
  void SetWindowText(Handle wnd, const std::string& text) override;
  bool IsWindowVisible(Handle wnd) override;
  void BringToFront(Handle wnd) override { system.foreground = wnd; }
  std::uint32_t GetExStyle(Handle wnd) override;
  void SetExStyle(Handle wnd, std::uint32_t style) override;
  std::intptr_t DefWindowProc(Handle wnd, std::uint32_t msg, std::uintptr_t w, std::intptr_t l) override;
  void PostMessage(Handle wnd, std::uint32_t msg, std::uintptr_t w, std::intptr_t l) override;
  std::intptr_t SendMessage(Handle wnd, std::uint32_t msg, std::uintptr_t w, std::intptr_t l) override;
  void PostQuitMessage(int code) override;
  PumpResult PumpMessage(bool wait) override;
  void WaitMessage(std::uint32_t ms) override;
  std::uint64_t TickCount64() override { return tick; }
  std::int64_t LocalTimeMSecs() override { return localTimeAtTickZero + static_cast<std::int64_t>(tick); }
  void SetTimer(Handle wnd, std::uintptr_t id, std::uint32_t ms) override;
  void KillTimer(Handle wnd, std::uintptr_t id) override;
  std::uint32_t DoubleClickTime() override { return doubleClickTime; }
  bool SetForegroundWindow(Handle wnd) override;
  void SetFocus(Handle wnd) override { system.focus = wnd; }
  Handle FindWindow(const std::string& className, const std::string& caption) override;

  Handle CreateControl(Handle parent, const ControlDesc& desc, WindowProc* proc) override;
  void SetControlBounds(Handle control, Rect bounds) override;
  void EnableWindow(Handle wnd, bool enabled) override;
  void SetCheck(Handle control, bool checked) override;
  void SetFont(Handle wnd, Handle font) override;
  Handle CreateFont(const std::string& face, int height, int charset) override;
  void DestroyFont(Handle font) override { system.fonts.erase(font); }
  // Widths no smaller than Windows draws them: ＭＳ ゴシック and ＭＳ 明朝 as
  // the monospace fonts they are (a half-width character half the height,
  // a full-width one the height); any other face with each character at
  // least as wide as Segoe UI's widest of its kind, its line as tall.
  Point TextExtent(Handle font, const std::string& text) override;
  bool FontInstalled(const std::string& face) override { return !system.missingFonts.count(face); }
  bool MessageFont(std::string& face, int& height) override {
    face = "Segoe UI";
    height = system.messageFontHeight;
    return true;
  }
  std::string UiLanguage() override { return system.uiLanguage; }
  int GetDpi(Handle) override { return system.dpi; }
  void SetClientSize(Handle wnd, int width, int height) override;
  // The headless desktop draws no frames: the window is its client area.
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
  bool PickIconDialog(Handle owner, std::u16string& file, int& index) override {
    return onPickIcon && onPickIcon(owner, file, index);
  }
  void DragAcceptFiles(Handle wnd, bool accept) override;
  std::vector<std::u16string> DroppedFiles(std::uintptr_t drop) override;
  void DragFinish(std::uintptr_t drop) override {
    liveDrops.erase(drop);
    drops_.erase(drop);
  }

  std::uint32_t RegisterWindowMessage(const std::string& name) override;

  bool MessageBox(const std::string& text, const std::string& caption, BoxKind kind) override;
  // The person's answer to a question box (true: Yes).
  std::function<bool(const Box&)> onQuestion;
  void WinHelp(Handle, const std::string&, std::uint32_t command, std::uintptr_t data) override {
    helpCalls.emplace_back(command, data);
  }
  void MessageBeep(std::uint32_t type) override { beeps.push_back(type); }

  Point GetCursorPos() override { return cursor; }
  std::int16_t GetKeyState(int vk) override;
  std::uint32_t MapVirtualKey(std::uint32_t vk) override;
  std::string GetKeyNameText(std::int32_t lParam) override;
  std::uint16_t GlobalAddAtom(const std::string& name) override;
  void GlobalDeleteAtom(std::uint16_t atom) override;
  bool RegisterHotKey(Handle wnd, int id, std::uint32_t modifiers, std::uint32_t vk) override;
  bool UnregisterHotKey(Handle wnd, int id) override;

  // Lets `ms` of the scripted clock pass on the UI thread without handling
  // a message, until `waiting` turns false; scheduled work due meanwhile
  // runs.
  void SleepWhile(std::uint32_t ms, const std::function<bool()>& waiting);

 private:
  struct Queued {
    Handle wnd;
    std::uint32_t msg;
    std::uintptr_t w;
    std::intptr_t l;
    std::array<bool, 256> keys;
  };
  // Lets the clock run to the earliest scheduled work and runs it.
  void RunNextScheduled();
  // The control a person can reach, or null.
  HeadlessSystem::Window* Reachable(Handle top, const std::string& name, Handle& h);
  void Notify(Handle control, std::uint16_t code);
  std::map<std::uintptr_t, std::vector<std::u16string>> drops_;
  // A control's own message, as the system's control would take it.
  void ControlMessage(HeadlessSystem::Window& w, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);
  // Shows a person's new text in an edit box and tells its parent.
  void EditTyped(Handle h, HeadlessSystem::Window& w, std::u16string text, int caret);
  // Moves the clock on; each timer due by then posts its WM_TIMER (one at
  // a time, as Windows merges a timer's waiting messages).
  void AdvanceTo(std::uint64_t t);
  std::deque<Queued> queue_;
  bool quit_ = false;
  std::multimap<std::uint64_t, std::function<void()>> scheduled_;
};

}  // namespace vx

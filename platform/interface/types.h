// The words the program and the system speak: handles, messages, styles,
// the shapes of windows and controls, and the errors a system call raises.
// Every role of the platform (platform/platform.h) uses them.
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
#include <vector>

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
  kWmCopyData = 0x004A,  // lParam: the CopiedText, as the backend hands it on
};

// A text another process handed to a window (Platform::SendToWindow): what
// WM_COPYDATA carries, as the receiving window's WndProc gets it.
struct CopiedText {
  std::string text;
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
enum : std::uint32_t { kModAlt = 1, kModControl = 2, kModShift = 4, kModWin = 8, kModNoRepeat = 0x4000 };
inline constexpr std::uint32_t kModKeys = kModAlt | kModControl | kModShift | kModWin;

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

}  // namespace vx

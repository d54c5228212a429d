// TTrayIcon: one icon in the taskbar notification area, with a pop-up menu
// for the left and another for the right mouse button.
//
// The shell reports mouse activity on the icon as callback message 0x0C00 to
// a hidden window of the component's own; each becomes click, double-click
// and mouse events carrying the button, the modifier and button state read
// from the key state, and the cursor position read when the callback is
// handled. A button-up of the left or right button then pops that button's
// menu up at the cursor, if the menu's AutoPopup is on at that moment.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/names.h"
#include "toolkit/toolkit.h"

namespace vx {

enum class TMouseButton { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

// Bits of TShiftState.
enum : TShiftState {
  ssShift = 0x01,
  ssAlt = 0x02,
  ssCtrl = 0x04,
  ssLeft = 0x08,
  ssRight = 0x10,
  ssMiddle = 0x20,
  ssDouble = 0x40,
};

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

inline constexpr std::uint32_t kTrayIconId = 1;

class TTrayIcon : public TComponent, private WindowProc {
 public:
  explicit TTrayIcon(TComponent* owner);
  ~TTrayIcon() override;

  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

  // Properties. Writing Icon, Hint or ShowHint modifies a shown icon at once.
  const TIcon& Icon() const { return icon_; }
  void SetIcon(const TIcon* icon);
  // Shows the program's own icon at the notification area's size, loaded
  // anew when the DPI or the taskbar changes, so that it stays sharp.
  void UseProgramIcon();
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool show);
  bool AutoHide = false;
  TPopupMenu* LBPopupMenu() const { return lbPopupMenu_; }
  void SetLBPopupMenu(TPopupMenu* menu);
  TPopupMenu* RBPopupMenu() const { return rbPopupMenu_; }
  void SetRBPopupMenu(TPopupMenu* menu);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  // Whether a double-click of the button does something. Then the menu of
  // its click waits up to the system's double-click time before it opens:
  // a person's second click comes after the first one's button-up, and were
  // the menu open by then, the click would land on the menu.
  std::function<bool(TMouseButton)> HasDoubleClickAction;

  // Pops up the given button's menu at `point` under the same rules as a
  // click: left gives LBPopupMenu, right RBPopupMenu, middle nothing.
  void PopupAt(TMouseButton button, Point point);
  // Pops up any menu at `point` under the same rules (its AutoPopup, the
  // owner brought to the foreground first).
  void PopupMenuAt(Point point, TPopupMenu* menu);

  Handle WindowHandle() const { return windowHandle_; }
  // Whether the shell shows the icon now. An icon that should show but that
  // the shell refused is tried again every `kRetryMs` for `kRetries` tries,
  // and at every TaskbarCreated.
  bool Shown() const { return shown_; }
  static constexpr std::uint32_t kRetryMs = 1000;
  static constexpr int kRetries = 120;
  const NotifyIconData& IconData() const { return iconData_; }

 private:
  void FillIconData();
  void ShowIcon();
  void HideIcon();
  // Adds the icon; when the shell refuses, the retry timer runs.
  void AddIcon();
  void RetryAdd();
  void StopRetry();
  // A left or right button-up: its event, then its menu. `downs` is the
  // count of button-downs before the button-up was handled.
  void ButtonUp(TMouseButton button, TShiftState shift, Point point, std::uint64_t downs);
  // The pop-up step of a button-up: at once, or after the wait for a
  // double-click.
  void PopupAfterClick(TMouseButton button, Point point, std::uint64_t downs);
  TPopupMenu* MenuOf(TMouseButton button) const;
  bool WaitsForDoubleClick(TMouseButton button) const;
  void MouseDown(TMouseButton button, TShiftState shift, Point p);
  void MouseUp(TMouseButton button, TShiftState shift, Point p);
  std::intptr_t WndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override;

  bool programIcon_ = false;  // icon_ is the program's, at the small size
  bool wanted_ = false;       // the icon should show (AutoHide)
  bool shown_ = false;        // the shell has it
  int retriesLeft_ = 0;       // tries of the retry timer still to come
  NotifyIconData iconData_;
  Handle windowHandle_ = 0;
  TIcon icon_;
  std::string hint_;
  bool showHint_ = true;
  TPopupMenu* lbPopupMenu_ = nullptr;
  TPopupMenu* rbPopupMenu_ = nullptr;
  std::uint32_t taskbarCreated_ = 0;  // the shell's "TaskbarCreated" broadcast
  std::uint64_t buttonDowns_ = 0;     // button-down callbacks so far
  std::uint64_t popups_ = 0;          // menus shown so far
};

}  // namespace vx

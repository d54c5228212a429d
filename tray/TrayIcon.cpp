#include "tray/TrayIcon.h"

#include <cstring>

#include "base/text.h"

namespace vx {

TTrayIcon::TTrayIcon(TComponent* owner) : TComponent(owner) {
  WindowSpec desc;
  desc.kind = WindowKind::Utility;
  desc.className = kTrayWindowClass;
  windowHandle_ = Application->P.CreateWindow(desc, this);
  taskbarCreated_ = Application->P.RegisterWindowMessage("TaskbarCreated");
}

TTrayIcon::~TTrayIcon() {
  HideIcon();
  icon_.SetHandle(0);
  Application->P.DestroyWindow(windowHandle_);
}

void TTrayIcon::FillIconData() {
  iconData_ = NotifyIconData{};
  iconData_.cbSize = kNotifyIconDataV1Size;
  iconData_.uID = kTrayIconId;
  iconData_.hWnd = windowHandle_;
  iconData_.uFlags = kNifMessage | kNifIcon | (showHint_ ? kNifTip : 0u);
  iconData_.uCallbackMessage = kTrayCallbackMessage;
  iconData_.hIcon = icon_.GetHandle();
  // The tooltip holds 63 Shift-JIS bytes; a longer hint is cut at a
  // character boundary so that no half of a character remains.
  iconData_.szTip = CutToSjisWidth(hint_, NotifyIconData::kTipBytes);
}

namespace {
constexpr std::uintptr_t kRetryTimer = 1;
}

void TTrayIcon::ShowIcon() {
  wanted_ = true;
  FillIconData();
  if (shown_) {
    if (Application->P.shell().ShellNotifyIcon(NotifyOp::Modify, iconData_)) return;
    shown_ = false;  // the shell lost the icon: it is added anew
  }
  AddIcon();
}

void TTrayIcon::AddIcon() {
  if (Application->P.shell().ShellNotifyIcon(NotifyOp::Add, iconData_)) {
    shown_ = true;
    StopRetry();
    return;
  }
  // At sign-in Explorer may be too busy to answer, and its TaskbarCreated
  // has gone out already: without a retry the icon would never show.
  if (retriesLeft_ == 0) {
    retriesLeft_ = kRetries;
    Application->P.SetTimer(windowHandle_, kRetryTimer, kRetryMs);
  }
}

void TTrayIcon::RetryAdd() {
  if (retriesLeft_ == 0) return;  // a message of a timer killed meanwhile
  Platform& P = Application->P;
  FillIconData();
  // An add that timed out may have reached the shell all the same; then the
  // icon is there and a modify brings it up to date.
  if (P.shell().ShellNotifyIcon(NotifyOp::Modify, iconData_) || P.shell().ShellNotifyIcon(NotifyOp::Add, iconData_)) {
    shown_ = true;
    StopRetry();
    return;
  }
  if (--retriesLeft_ == 0) P.KillTimer(windowHandle_, kRetryTimer);
}

void TTrayIcon::StopRetry() {
  if (retriesLeft_ == 0) return;
  retriesLeft_ = 0;
  Application->P.KillTimer(windowHandle_, kRetryTimer);
}

void TTrayIcon::HideIcon() {
  wanted_ = false;
  StopRetry();
  if (shown_) Application->P.shell().ShellNotifyIcon(NotifyOp::Delete, iconData_);
  shown_ = false;
}

void TTrayIcon::Loaded() {
  TComponent::Loaded();
  if (AutoHide) {
    ShowIcon();
    Application->ShowMainForm = false;
  }
}

void TTrayIcon::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  // One menu may serve both buttons; then both references go.
  if (component == rbPopupMenu_) rbPopupMenu_ = nullptr;
  if (component == lbPopupMenu_) lbPopupMenu_ = nullptr;
}

void TTrayIcon::SetIcon(const TIcon* icon) {
  programIcon_ = false;
  icon_.Assign(icon);
  if (wanted_) ShowIcon();
}

void TTrayIcon::UseProgramIcon() {
  programIcon_ = true;
  icon_.SetHandle(Application->P.icons().LoadSmallMainIcon());
  if (wanted_) ShowIcon();
}

void TTrayIcon::SetHint(const std::string& hint) {
  hint_ = hint;
  if (wanted_) ShowIcon();
}

void TTrayIcon::SetShowHint(bool show) {
  showHint_ = show;
  if (wanted_) ShowIcon();
}

void TTrayIcon::SetLBPopupMenu(TPopupMenu* menu) {
  lbPopupMenu_ = menu;
  if (menu) menu->FreeNotification(this);
}

void TTrayIcon::SetRBPopupMenu(TPopupMenu* menu) {
  rbPopupMenu_ = menu;
  if (menu) menu->FreeNotification(this);
}

TPopupMenu* TTrayIcon::MenuOf(TMouseButton button) const {
  return button == TMouseButton::mbLeft ? lbPopupMenu_ : button == TMouseButton::mbRight ? rbPopupMenu_ : nullptr;
}

void TTrayIcon::PopupAt(TMouseButton button, Point point) { PopupMenuAt(point, MenuOf(button)); }

bool TTrayIcon::WaitsForDoubleClick(TMouseButton button) const {
  return HasDoubleClickAction && HasDoubleClickAction(button);
}

void TTrayIcon::ButtonUp(TMouseButton button, TShiftState shift, Point point, std::uint64_t downs) {
  MouseUp(button, shift, point);
  // A double-click handled inside the button-up's own handling (its
  // callbacks were already queued) leaves nothing for this one to open.
  if (buttonDowns_ != downs && WaitsForDoubleClick(button)) return;
  PopupAfterClick(button, point, downs);
}

void TTrayIcon::PopupAfterClick(TMouseButton button, Point point, std::uint64_t downs) {
  TPopupMenu* menu = MenuOf(button);
  if (menu && menu->AutoPopup && WaitsForDoubleClick(button)) {
    // Wait for the second click, handling what comes meanwhile. A new
    // button-down (the double-click's, or another click) or a menu shown in
    // the meantime (the menu hotkey) takes over: this click opens nothing.
    Platform& P = Application->P;
    const std::uint64_t shown = popups_;
    const auto end =
        Application->PumpUntil([&] { return buttonDowns_ != downs || popups_ != shown; },
                               TApplication::PumpRules{true, false, P.TickCount64() + P.DoubleClickTime()});
    if (end != TApplication::PumpEnd::Deadline) return;
    menu = MenuOf(button);  // it may have been freed meanwhile
  }
  PopupMenuAt(point, menu);
}

void TTrayIcon::PopupMenuAt(Point point, TPopupMenu* menu) {
  if (!menu || !menu->AutoPopup) return;
  ++popups_;
  if (auto* form = dynamic_cast<TForm*>(Owner())) {
    // The owner must be the foreground window, or the menu does not close
    // when the user clicks elsewhere.
    Application->P.SetForegroundWindow(form->GetHandle());
    Application->ProcessMessages();
  }
  menu->Popup(point.x, point.y);
}

void TTrayIcon::MouseDown(TMouseButton button, TShiftState shift, Point p) {
  ++buttonDowns_;
  if (OnMouseDown) OnMouseDown(this, button, shift, p.x, p.y);
}

void TTrayIcon::MouseUp(TMouseButton button, TShiftState shift, Point p) {
  if (OnMouseUp) OnMouseUp(this, button, shift, p.x, p.y);
}

std::intptr_t TTrayIcon::WndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  Platform& P = Application->P;
  if (msg != kTrayCallbackMessage) {
    // The notification area was created anew (the shell restarted, or it
    // came up after a refused add): the icon it showed is gone, so add it.
    // Windows sends it too when the taskbar's DPI changes.
    if (taskbarCreated_ != 0 && msg == taskbarCreated_ && wanted_) {
      shown_ = false;
      if (programIcon_)
        UseProgramIcon();  // at the taskbar's size now
      else
        ShowIcon();
      return 0;
    }
    if ((msg == kWmDpiChanged || msg == kWmDisplayChange) && programIcon_) {
      UseProgramIcon();
      return 0;
    }
    if (msg == kWmTimer && wParam == kRetryTimer) {
      RetryAdd();
      return 0;
    }
    return P.DefWindowProc(window, msg, wParam, lParam);
  }

  const Point point = P.GetCursorPos();
  TShiftState shift = 0;
  auto down = [&P](int vk) { return (P.GetKeyState(vk) & 0x8000) != 0; };
  if (down(kVkShift)) shift |= ssShift;
  if (down(kVkControl)) shift |= ssCtrl;
  if (down(kVkMenu)) shift |= ssAlt;
  if (down(kVkLButton)) shift |= ssLeft;
  if (down(kVkRButton)) shift |= ssRight;
  if (down(kVkMButton)) shift |= ssMiddle;

  const std::uint32_t mouse = static_cast<std::uint32_t>(lParam);
  if (mouse == kWmMouseMove) {
    if (OnMouseMove) OnMouseMove(this, shift, point.x, point.y);
    return 0;
  }
  if (mouse < kWmLButtonDown || mouse > kWmMButtonDblClk) return 0;
  // Each button has its down, up and double-click messages in a row, left,
  // right and middle, as TMouseButton counts them.
  const auto button = static_cast<TMouseButton>((mouse - kWmLButtonDown) / 3);
  switch ((mouse - kWmLButtonDown) % 3) {
    case 0:
      MouseDown(button, shift, point);
      break;
    case 1:
      if (button == TMouseButton::mbMiddle) {
        MouseUp(button, shift, point);  // the middle button has no menu
      } else {
        const std::uint64_t downs = buttonDowns_;
        if (button == TMouseButton::mbLeft && OnClick) OnClick(this);
        ButtonUp(button, shift, point, downs);
      }
      break;
    default:
      if (button == TMouseButton::mbLeft && OnDblClick) OnDblClick(this);
      MouseDown(button, shift | ssDouble, point);
      break;
  }
  return 0;
}

}  // namespace vx

#include "tray/TrayIcon.h"

#include "tests/harness.h"

namespace vx::test {

class Tray : public ::testing::Test {
 protected:
  Tray() : p(system, "/tmp/x.exe"), app(new TApplication(p)) {
    app->CreateForm(form);
    left = new TPopupMenu(form);
    right = new TPopupMenu(form);
    tray = new TTrayIcon(form);
    tray->SetLBPopupMenu(left);
    tray->SetRBPopupMenu(right);
    tray->OnClick = [this](TObject*) { log.push_back("click"); };
    tray->OnDblClick = [this](TObject*) { log.push_back("dblclick"); };
    tray->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState s, int, int) {
      log.push_back("down" + std::to_string(static_cast<int>(b)) + "/" + std::to_string(s));
    };
    tray->OnMouseUp = [this](TObject*, TMouseButton b, TShiftState s, int, int) {
      log.push_back("up" + std::to_string(static_cast<int>(b)) + "/" + std::to_string(s));
    };
    p.onPopup = [this](const HeadlessPlatform::Popup& pop) {
      log.push_back(pop.owner == app->GetHandle() ? "popup" : "popup?");
      return -1;
    };
  }
  ~Tray() override { delete app; }

  // Posts one callback with the given buttons held, then handles the queue.
  void Callback(std::uint32_t mouse, std::initializer_list<int> held = {}) {
    p.keys = {};
    for (int vk : held) p.keys[static_cast<std::size_t>(vk)] = true;
    p.PostMessage(tray->WindowHandle(), kTrayCallbackMessage, 1, mouse);
    p.keys = {};
    app->ProcessMessages();
  }
  std::vector<std::string> Take() { return std::exchange(log, {}); }

  HeadlessSystem system;
  HeadlessPlatform p;
  TApplication* app;
  PlainForm* form = nullptr;
  TPopupMenu *left, *right;
  TTrayIcon* tray;
  std::vector<std::string> log;
};

using V = std::vector<std::string>;

TEST_F(Tray, ClicksRaiseEventsInOrderAndPopUpTheButtonsMenu) {
  Callback(kWmLButtonDown, {kVkLButton});
  Callback(kWmLButtonUp);
  EXPECT_EQ(Take(), (V{"down0/8", "click", "up0/0", "popup"}));
  EXPECT_EQ(system.foreground, form->GetHandle());  // the owner came forward first

  Callback(kWmRButtonDown, {kVkRButton, kVkShift, kVkControl, kVkMenu});
  Callback(kWmRButtonUp);
  EXPECT_EQ(Take(), (V{"down1/23", "up1/0", "popup"}));

  Callback(kWmMButtonDown);
  Callback(kWmMButtonUp);
  Callback(kWmMButtonDblClk);
  EXPECT_EQ(Take(), (V{"down2/0", "up2/0", "down2/64"}));

  Callback(kWmRButtonDblClk, {kVkRButton});
  EXPECT_EQ(Take(), (V{"down1/80"}));
  Callback(kWmLButtonDblClk, {kVkLButton});
  EXPECT_EQ(Take(), (V{"dblclick", "down0/72"}));
  Callback(0x020A);  // outside the mouse range
  Callback(kWmMouseMove);
  EXPECT_EQ(Take(), V{});
  EXPECT_EQ(p.SendMessage(tray->WindowHandle(), kWmPowerBroadcast, 0, 0), 1);  // default handling
}

TEST_F(Tray, AMouseUpHandlerCanSuppressItsOwnMenu) {
  tray->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { left->AutoPopup = false; };
  Callback(kWmLButtonUp);
  EXPECT_EQ(Take(), (V{"click"}));
  tray->PopupAt(TMouseButton::mbLeft, Point{1, 2});
  EXPECT_EQ(Take(), V{});  // PopupAt obeys the same switch
  left->AutoPopup = true;
  tray->PopupAt(TMouseButton::mbLeft, Point{1, 2});
  tray->PopupAt(TMouseButton::mbMiddle, Point{1, 2});
  EXPECT_EQ(Take(), (V{"popup"}));
  EXPECT_EQ(p.popups.back().at.x, 1);
}

TEST_F(Tray, QueuedCallbacksAreHandledInsideTheMenuStep) {
  // The rest of a double-click is already queued when the first button-up
  // pops up its menu: it is handled inside, before the menu shows.
  p.PostMessage(tray->WindowHandle(), kTrayCallbackMessage, 1, kWmLButtonDown);
  p.PostMessage(tray->WindowHandle(), kTrayCallbackMessage, 1, kWmLButtonUp);
  p.PostMessage(tray->WindowHandle(), kTrayCallbackMessage, 1, kWmLButtonDblClk);
  p.PostMessage(tray->WindowHandle(), kTrayCallbackMessage, 1, kWmLButtonUp);
  app->ProcessMessages();
  EXPECT_EQ(Take(), (V{"down0/0", "click", "up0/0", "dblclick", "down0/64", "click", "up0/0", "popup", "popup"}));
}

TEST_F(Tray, IconRecordFollowsTheProperties) {
  EXPECT_FALSE(tray->Shown());
  tray->SetHint("before");  // not shown yet: only stored
  EXPECT_TRUE(p.notifyCalls.empty());
  tray->AutoHide = true;
  tray->Loaded();
  EXPECT_FALSE(app->ShowMainForm);
  ASSERT_EQ(p.notifyCalls.size(), 1u);
  EXPECT_EQ(p.notifyCalls[0].first, NotifyOp::Add);
  const NotifyIconData& d = p.notifyCalls[0].second;
  EXPECT_EQ(d.cbSize, 88u);
  EXPECT_EQ(d.uID, 1u);
  EXPECT_EQ(d.uFlags, 7u);
  EXPECT_EQ(d.uCallbackMessage, 0x0C00u);  // WM_USER + 0x800, as the shell's callers know it
  EXPECT_EQ(d.hIcon, 0u);
  EXPECT_EQ(d.szTip, "before");

  tray->SetShowHint(false);
  EXPECT_EQ(p.notifyCalls.back().first, NotifyOp::Modify);
  EXPECT_EQ(p.notifyCalls.back().second.uFlags, 3u);
  EXPECT_EQ(p.notifyCalls.back().second.szTip, "before");

  // A long hint is cut to 63 Shift-JIS bytes without splitting a character.
  auto times = [](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "時";
    return s;
  };
  tray->SetHint("x" + times(40));
  EXPECT_EQ(p.notifyCalls.back().second.szTip, "x" + times(31));
  tray->SetHint("xx" + times(40));
  EXPECT_EQ(p.notifyCalls.back().second.szTip, "xx" + times(30));
  // An emoji counts four bytes and is never split.
  tray->SetHint("x" + times(30) + "😀");
  EXPECT_EQ(p.notifyCalls.back().second.szTip, "x" + times(30));

  tray->SetIcon(&app->Icon);
  EXPECT_NE(p.notifyCalls.back().second.hIcon, 0u);
  EXPECT_NE(p.notifyCalls.back().second.hIcon, app->Icon.GetHandle());  // a copy
  const std::size_t calls = p.notifyCalls.size();
  tray->SetIcon(&tray->Icon());  // its own icon: nothing copied, still modified
  EXPECT_EQ(p.notifyCalls.size(), calls + 1);

  // The shell's notification area was created anew: the icon is added again.
  system.RestartShell();
  EXPECT_EQ(p.notifyCalls.back().first, NotifyOp::Add);
  EXPECT_EQ(system.trayIcons.size(), 1u);

  const std::size_t liveIcons = p.liveIcons.size();
  tray->Free();
  EXPECT_EQ(p.notifyCalls.back().first, NotifyOp::Delete);
  EXPECT_TRUE(system.trayIcons.empty());
  EXPECT_EQ(p.liveIcons.size(), liveIcons - 1);
}

TEST_F(Tray, ARefusedAddIsTriedAgainUntilTheShellTakesTheIcon) {
  // Explorer at sign-in: the first adds time out and no TaskbarCreated
  // comes afterwards. The icon must show once the shell answers, with the
  // hint set meanwhile.
  system.trayAddsRefused = 5;
  tray->SetHint("early");
  tray->AutoHide = true;
  tray->Loaded();
  EXPECT_FALSE(tray->Shown());
  EXPECT_TRUE(system.trayIcons.empty());
  tray->SetHint("later");  // changed while refused: one more try, also refused
  p.RunClock(2 * TTrayIcon::kRetryMs);
  EXPECT_FALSE(tray->Shown());
  p.RunClock(10 * TTrayIcon::kRetryMs);
  ASSERT_TRUE(tray->Shown());
  ASSERT_EQ(system.trayIcons.size(), 1u);
  EXPECT_EQ(system.trayIcons.begin()->second.szTip, "later");
  // Once shown, the retry stops.
  const std::size_t calls = p.notifyCalls.size();
  p.RunClock(5 * TTrayIcon::kRetryMs);
  EXPECT_EQ(p.notifyCalls.size(), calls);
  EXPECT_TRUE(p.timers.empty());
}

TEST_F(Tray, TheRetryLastsAtLeastAMinuteAndTaskbarCreatedStartsItAgain) {
  system.trayAddsRefused = 1000;
  tray->AutoHide = true;
  tray->Loaded();
  p.RunClock(60 * 1000);
  EXPECT_FALSE(p.timers.empty());  // still trying after a minute
  p.RunClock(TTrayIcon::kRetries * TTrayIcon::kRetryMs);
  EXPECT_TRUE(p.timers.empty());  // then it gives up
  const std::size_t calls = p.notifyCalls.size();
  p.RunClock(10 * TTrayIcon::kRetryMs);
  EXPECT_EQ(p.notifyCalls.size(), calls);
  // The notification area comes up: the icon is added.
  system.trayAddsRefused = 0;
  system.RestartShell();
  EXPECT_TRUE(tray->Shown());
  EXPECT_EQ(system.trayIcons.size(), 1u);
}

TEST_F(Tray, AnAddThatTimedOutButReachedTheShellIsNotAddedTwice) {
  system.trayAddsRefused = 1;
  system.trayAddsTakenAnyway = 1;
  tray->AutoHide = true;
  tray->Loaded();
  EXPECT_FALSE(tray->Shown());
  EXPECT_EQ(system.trayIcons.size(), 1u);
  tray->SetHint("x");  // a further add is refused by a shell that has the icon
  p.RunClock(TTrayIcon::kRetryMs);
  EXPECT_TRUE(tray->Shown());
  EXPECT_EQ(p.notifyCalls.back().first, NotifyOp::Modify);
  EXPECT_EQ(system.trayIcons.begin()->second.szTip, "x");
}

TEST_F(Tray, AModifyOfAnIconTheShellLostAddsItAnew) {
  tray->AutoHide = true;
  tray->Loaded();
  system.trayIcons.clear();  // the shell dropped it without a broadcast
  tray->SetHint("again");
  EXPECT_TRUE(tray->Shown());
  ASSERT_EQ(system.trayIcons.size(), 1u);
  EXPECT_EQ(system.trayIcons.begin()->second.szTip, "again");
  EXPECT_EQ(p.notifyCalls.back().first, NotifyOp::Add);
}

TEST_F(Tray, TheProgramsIconIsLoadedAnewWhenTheTaskbarOrTheDpiChanges) {
  tray->AutoHide = true;
  tray->UseProgramIcon();
  tray->Loaded();
  EXPECT_EQ(p.smallIconLoads, 1);
  const std::size_t live = p.liveIcons.size();
  const Handle first = system.trayIcons.begin()->second.hIcon;
  EXPECT_EQ(first, tray->Icon().GetHandle());
  system.RestartShell();  // also what Windows sends when the taskbar's DPI changes
  EXPECT_EQ(p.smallIconLoads, 2);
  p.SendMessage(tray->WindowHandle(), kWmDpiChanged, (144u << 16) | 144u, 0);
  p.SendMessage(tray->WindowHandle(), kWmDisplayChange, 32, 0);
  EXPECT_EQ(p.smallIconLoads, 4);
  EXPECT_NE(system.trayIcons.begin()->second.hIcon, first);
  EXPECT_EQ(system.trayIcons.begin()->second.hIcon, tray->Icon().GetHandle());
  EXPECT_EQ(p.liveIcons.size(), live);  // each old one destroyed
  // An icon of the caller's own is kept as it is.
  tray->SetIcon(&app->Icon);
  system.RestartShell();
  EXPECT_EQ(p.smallIconLoads, 4);
}

TEST_F(Tray, WithoutAutoHideTheIconNeverShows) {
  tray->Loaded();
  tray->SetHint("x");
  tray->SetIcon(&app->Icon);
  EXPECT_TRUE(p.notifyCalls.empty());
}

TEST_F(Tray, AFreedMenuIsForgottenAndItsButtonPopsUpNothing) {
  left->Free();
  EXPECT_EQ(tray->LBPopupMenu(), nullptr);
  EXPECT_EQ(tray->RBPopupMenu(), right);
  Callback(kWmLButtonUp);
  EXPECT_EQ(Take(), (V{"click", "up0/0"}));
  // One menu for both buttons: both references are cleared.
  tray->SetLBPopupMenu(right);
  right->Free();
  EXPECT_EQ(tray->LBPopupMenu(), nullptr);
  EXPECT_EQ(tray->RBPopupMenu(), nullptr);
}

TEST_F(Tray, AnOwnerThatIsNoFormPopsUpWithoutTheForegroundSwitch) {
  auto* bare = new TComponent(nullptr);
  auto* t = new TTrayIcon(bare);
  t->SetLBPopupMenu(left);
  p.PostMessage(form->GetHandle(), kWmNull, 0, 0);
  system.foreground = 0;
  t->PopupAt(TMouseButton::mbLeft, Point{});
  EXPECT_EQ(system.foreground, 0u);
  EXPECT_EQ(p.QueueSize(), 1u);  // pending messages were not processed
  EXPECT_EQ(Take(), (V{"popup"}));
  bare->Free();
}

}  // namespace vx::test

#include "forms/Fom_About.h"
#include "forms/Fom_Set.h"
#include "forms/Fom_Time.h"
#include "tests/harness.h"

namespace vx::test {

namespace {

const char kItems[] =
    "[Basic]\r\nCount=4\r\nLeftDoubleClickMenuNo=2\r\nRightDoubleClickMenuNo=0\r\nVisibleMenuIcon=1\r\n"
    "[-1]\r\nHotKey=16461\r\n"  // Ctrl+M
    "[0]\r\nName=\"Editor\"\r\nHotKey=49217\r\nExe=\"notepad.exe\"\r\nPar=\"a.txt\"\r\nDir=\"C:\\\"\r\n"
    "[1]\r\nName=\"-\"\r\nHotKey=16450\r\n"
    "[2]\r\nName=\"\"\r\nExe=\"cmd.exe\"\r\n"
    "[3]\r\nName=\"Calc\"\r\nHotKey=8308\r\nExe=\"calc.exe\"\r\n";

std::vector<std::string> Captions(const HeadlessPlatform::Popup& pop) {
  std::vector<std::string> out;
  for (const auto& e : pop.entries) out.push_back(e.caption);
  return out;
}

}  // namespace

class MainForm : public ::testing::Test {
 protected:
  MainForm() {
    d.WriteIni(kItems);
    d.p.filesWithIcons.insert("notepad.exe");
    EXPECT_EQ(d.Start(), -1);
  }
  ~MainForm() override {
    if (d.program) d.Close();
  }
  // A click of `button` on the tray icon, each callback handled in turn.
  void Click(bool left) {
    const int vk = left ? kVkLButton : kVkRButton;
    d.p.keys[static_cast<std::size_t>(vk)] = true;
    d.Tray(left ? kWmLButtonDown : kWmRButtonDown);
    d.p.keys[static_cast<std::size_t>(vk)] = false;
    d.Tray(left ? kWmLButtonUp : kWmRButtonUp);
    d.Pump();
  }
  // A double-click as the shell reports it: down, up, double-click, up;
  // each handled in turn, or all queued before the first is handled.
  void DoubleClick(bool left, bool queued = false) {
    const int vk = left ? kVkLButton : kVkRButton;
    auto& key = d.p.keys[static_cast<std::size_t>(vk)];
    const std::uint32_t msgs[] = {left ? kWmLButtonDown : kWmRButtonDown, left ? kWmLButtonUp : kWmRButtonUp,
                                  left ? kWmLButtonDblClk : kWmRButtonDblClk, left ? kWmLButtonUp : kWmRButtonUp};
    for (int i = 0; i < 4; ++i) {
      key = i % 2 == 0;  // the button is held at the downs
      d.Tray(msgs[i]);
      if (!queued) d.Pump();
    }
    key = false;
    d.Pump();
  }
  std::vector<std::string> Launched() const {
    std::vector<std::string> out;
    for (const auto& l : d.p.launches) out.push_back(l.file);
    return out;
  }
  Desktop d;
};

using V = std::vector<std::string>;

TEST_F(MainForm, MenuIconsAreDrawnWhenIdleOrAtTheLatestBeforeTheMenuOpens) {
  // Start-up itself asks the shell for no icon.
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Form_Main->PM_Left->Items(i)->Bitmap(), 0u);
  d.p.onPopup = [](const HeadlessPlatform::Popup& pop) {
    for (const auto& e : pop.entries) EXPECT_NE(e.bitmap, 0u);
    return -1;
  };
  d.system().PressHotKey(kModControl, 0x4D);  // the menu hotkey
  d.p.PumpMessage(false);                     // handled at once, before any idle time
  EXPECT_EQ(d.p.popups.size(), 1u);
  Form_Main->CreateMI_Exe();
  EXPECT_EQ(Form_Main->PM_Left->Items(0)->Bitmap(), 0u);
  d.Pump();  // idle time draws them
  for (int i = 0; i < 4; ++i) EXPECT_NE(Form_Main->PM_Left->Items(i)->Bitmap(), 0u);
}

// The images are made at the DPI of the monitor the menu opens on, which
// need not be the one at sign-in; on another monitor's they are made anew.
TEST_F(MainForm, MenuIconsHaveTheSizeOfTheMonitorTheMenuOpensOn) {
  auto sizes = [&] {
    std::vector<int> out;
    for (int i : {0, 3}) out.push_back(d.p.bitmapSizes.at(Form_Main->PM_Left->Items(i)->Bitmap()).x);
    return out;
  };
  d.Pump();  // drawn at the start's DPI
  EXPECT_EQ(sizes(), (std::vector<int>{32, 32}));
  for (int dpi : {192, 144, 96}) {
    d.system().dpi = dpi;
    std::vector<int> shown;
    d.p.onPopup = [&](const HeadlessPlatform::Popup& pop) {
      for (int i : {0, 3}) shown.push_back(d.p.bitmapSizes.at(pop.entries[static_cast<std::size_t>(i)].bitmap).x);
      return -1;
    };
    Click(true);
    EXPECT_EQ(shown, (std::vector<int>{32 * dpi / 96, 32 * dpi / 96})) << dpi;
    EXPECT_EQ(sizes(), (std::vector<int>{32 * dpi / 96, 32 * dpi / 96})) << dpi;  // the icons that came too
  }
}

TEST_F(MainForm, ASlowIconDoesNotHoldTheMenuAndIsFilledInWhenItComes) {
  // The first item's icon lies on an offline share: the shell takes five
  // seconds for it. The menu opens at once all the same.
  d.p.slowIcons["notepad.exe"] = 5000;
  d.p.filesWithIcons.insert("calc.exe");
  const std::uint64_t pressed = d.p.tick;
  Handle blank = 0, late = 0, calc = 0;
  std::uint64_t opened = 0;
  d.p.onPopup = [&](const HeadlessPlatform::Popup& pop) {
    opened = d.p.tick;
    blank = pop.entries[0].bitmap;
    calc = pop.entries[3].bitmap;
    d.p.RunClock(6000);  // the menu stays up; the icon comes meanwhile
    late = d.p.popups.back().entries[0].bitmap;
    return -1;
  };
  d.system().PressHotKey(kModControl, 0x4D);
  d.Pump();
  ASSERT_EQ(d.p.popups.size(), 1u);
  EXPECT_LE(opened - pressed, 100u);
  EXPECT_NE(blank, 0u);  // a blank image holds the icon's place
  EXPECT_NE(late, 0u);
  EXPECT_NE(late, blank);  // the open menu shows the icon that came
  EXPECT_EQ(Form_Main->PM_Left->Items(0)->Bitmap(), late);
  EXPECT_EQ(d.p.liveBitmaps.count(blank), 0u);  // the blank one is gone
  EXPECT_NE(calc, 0u);
  EXPECT_EQ(d.p.liveIcons.size(), 3u);  // every icon that came is destroyed once drawn
}

TEST_F(MainForm, AnIconThatComesAfterItsEntryWentIsDestroyed) {
  d.p.slowIcons["notepad.exe"] = 3000;
  d.system().PressHotKey(kModControl, 0x4D);
  d.p.PumpMessage(false);  // the menu asks for every icon, and closes
  ASSERT_EQ(d.p.popups.size(), 1u);
  Form_Main->CreateMI_Exe();  // the entries are made anew before the slow icon comes
  d.Pump();                   // it comes, for an entry that is gone; the new entries' come too
  EXPECT_EQ(std::count(d.p.iconLookups.begin(), d.p.iconLookups.end(), "notepad.exe"), 2);
  EXPECT_EQ(d.p.liveIcons.size(), 3u);
  EXPECT_EQ(d.p.liveBitmaps.size(), 4u);  // one image per entry
  EXPECT_EQ(d.p.QueueSize(), 0u);
}

TEST_F(MainForm, TheLaunchMenuHasOneEntryPerItem) {
  d.Pump();
  ASSERT_EQ(Form_Main->PM_Left->Count(), 4);
  EXPECT_EQ(Form_Main->PM_Left->Items(3)->Name(), "MI_3");
  EXPECT_EQ(Form_Main->PM_Left->Items(0)->Caption, "Editor");
  EXPECT_TRUE(Form_Main->PM_Left->Items(1)->IsLine());
  // Every entry has an image of the large-icon size, blank where the shell
  // had no icon; the temporary icons are gone.
  for (int i = 0; i < 4; ++i) EXPECT_NE(Form_Main->PM_Left->Items(i)->Bitmap(), 0u);
  EXPECT_EQ(d.p.liveIcons.size(), 3u);  // the application's, the tray's copy and the version box's

  // Hotkey text on: captions only change, and "-" stays a line.
  Form_Main->MI_ShortCutViewClick(nullptr);
  EXPECT_TRUE(ShortCutView);
  V captions;
  for (int i = 0; i < 4; ++i) captions.push_back(Form_Main->PM_Left->Items(i)->Caption);
  EXPECT_EQ(captions, (V{"Editor (Ctrl + Alt + A)", "-", " (なし)", "Calc (Shift + F5)"}));
  Form_Main->MI_ShortCutViewClick(nullptr);
  EXPECT_EQ(Form_Main->PM_Left->Items(3)->Caption, "Calc");

  // Rebuilding twice leaves one entry per item; without icons, no images.
  VisibleMenuIcon = false;
  Form_Main->CreateMI_Exe();
  Form_Main->CreateMI_Exe();
  ASSERT_EQ(Form_Main->PM_Left->Count(), 4);
  EXPECT_EQ(Form_Main->PM_Left->Items(0)->Bitmap(), 0u);
  EXPECT_EQ(Form_Main->FindComponent("MI_0"), Form_Main->PM_Left->Items(0));
  EXPECT_TRUE(d.p.liveBitmaps.empty());

  // With the entries gone, the caption step only copies the check mark.
  Form_Main->DeleteMI_Exe();
  Form_Main->MI_ShortCutView->Checked = true;
  Form_Main->SetMI_Caption();
  EXPECT_TRUE(ShortCutView);
  EXPECT_EQ(Form_Main->PM_Left->Count(), 0);
}

TEST_F(MainForm, ALeftClickOpensTheLaunchMenuAndAnEntryStartsItsItem) {
  d.p.cursor = Point{640, 700};
  d.p.onPopup = [](const HeadlessPlatform::Popup& pop) {
    EXPECT_EQ(Captions(pop), (V{"Editor", "-", "", "Calc"}));
    EXPECT_TRUE(pop.entries[1].separator);
    return Choose(pop, "Calc");
  };
  Click(true);
  ASSERT_EQ(d.p.popups.size(), 1u);
  EXPECT_EQ(d.p.popups[0].at.x, 640);
  EXPECT_EQ(d.p.popups[0].at.y, 700);
  EXPECT_EQ(Launched(), V{"calc.exe"});
  d.p.onPopup = Choosing("Editor");
  Click(true);
  ASSERT_EQ(d.p.launches.size(), 2u);
  EXPECT_EQ(d.p.launches[1].params, "a.txt");
  EXPECT_EQ(d.p.launches[1].dir, "C:\\");
}

TEST_F(MainForm, CtrlShiftHeldAsAnEntryIsChosenStartsItElevatedOnce) {
  // Held while the menu is up, as a person holds them pressing Enter or
  // clicking; Ctrl or Shift alone is no elevation.
  auto chooseHolding = [&](std::vector<int> held) {
    d.p.onPopup = [&, held](const HeadlessPlatform::Popup& pop) {
      for (int vk : held) d.p.keys[static_cast<std::size_t>(vk)] = true;
      return Choose(pop, "Calc");
    };
    Click(true);
    for (int vk : held) d.p.keys[static_cast<std::size_t>(vk)] = false;
  };
  chooseHolding({kVkControl, kVkShift});
  chooseHolding({kVkControl});
  chooseHolding({kVkShift});
  chooseHolding({});
  ASSERT_EQ(d.p.launches.size(), 4u);
  EXPECT_EQ(d.p.launches[0].verb, "runas");
  for (int i = 1; i < 4; ++i) EXPECT_EQ(d.p.launches[static_cast<std::size_t>(i)].verb, "OPEN") << i;
  // A hotkey pressed with Ctrl and Shift held is the item's own key, not a request.
  d.p.keys[kVkControl] = d.p.keys[kVkShift] = true;
  ASSERT_TRUE(d.system().PressHotKey(kModShift, 0x74));  // Calc's Shift+F5
  d.Pump();
  ASSERT_EQ(d.p.launches.size(), 5u);
  EXPECT_EQ(d.p.launches.back().verb, "OPEN");
}

// Opening the launch menu gives Vorlex the foreground; choosing an item
// whose program is in front goes on to its next window all the same.
TEST_F(MainForm, ChoosingFromTheMenuGoesThroughTheProgramsWindows) {
  ExeList->Items(3)->Activate = 1;  // Calc
  const Handle a = d.system().OpenProgramWindow("C:\\Windows\\System32\\calc.exe");
  const Handle b = d.system().OpenProgramWindow("C:\\Windows\\System32\\calc.exe");
  std::vector<Handle> seen;
  for (int i = 0; i < 3; ++i) {
    d.p.onPopup = Choosing("Calc");
    Click(true);
    seen.push_back(d.system().foreground);
  }
  EXPECT_EQ(seen, (std::vector<Handle>{a, b, a}));
  EXPECT_TRUE(d.p.launches.empty());
}

// A pinned window of another program stays on top, and the Z order does
// not follow every foreground change (under Wine it lags): the hotkey goes
// on from the window the person is in, through all of the program's.
TEST_F(MainForm, TheHotkeyGoesThroughTheProgramsWindowsFromTheForegroundOne) {
  ExeList->Items(3)->Activate = 1;  // Calc, Shift+F5
  const Handle a = d.system().OpenProgramWindow("C:\\Windows\\System32\\calc.exe");
  const Handle b = d.system().OpenProgramWindow("C:\\Windows\\System32\\calc.exe");
  d.system().OpenProgramWindow("C:\\Player\\mini.exe", false, true);
  const auto zOrder = d.system().otherWindows;
  std::vector<Handle> seen;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(d.system().PressHotKey(kModShift, 0x74));
    d.Pump();
    seen.push_back(d.system().foreground);
    d.system().otherWindows = zOrder;  // the Z order lags behind
  }
  EXPECT_EQ(seen, (std::vector<Handle>{b, a, b}));  // from the pinned player: the front one first
  EXPECT_TRUE(d.p.launches.empty());
}

// Icons on three shares that do not answer hold their threads for 30 s, and
// 500 more wait behind them: every other look-up is answered at once.
TEST_F(MainForm, IconsHeldOnSharesDelayNoOtherLookUp) {
  for (int i = 0; i < 503; ++i) {
    const std::string path = "\\\\nas" + std::to_string(i % 3) + "\\share\\f" + std::to_string(i) + ".exe";
    d.p.slowIcons[path] = 30000;
    d.p.RequestFileIcon(FilePath(path), Form_Main->GetHandle(), kWmNull, nullptr);
  }
  ExeList->Items(0)->Activate = 1;  // Editor: notepad.exe, in front
  const Handle editor = d.system().OpenProgramWindow("notepad.exe");
  d.system().foreground = 0;
  const std::uint64_t start = d.p.tick;
  bool checked = false, listed = false;
  const struct {
    const char* what;
    std::function<void()> act;
    std::function<bool()> answered;
  } cases[] = {
      {"plain start", [] { ExecItem(3); }, [&] { return Launched() == V{"calc.exe"}; }},
      {"elevated start", [] { ExecItem(3, true); }, [&] { return d.p.launches.back().verb == "runas"; }},
      {"bring forward", [] { ExecItem(0); }, [&] { return d.system().foreground == editor; }},
      {"editor's check", [&] { FindStartsProgram("calc.exe", [&](bool) { checked = true; }); },
       [&] { return checked; }},
      {"folder's listing",
       [&] {
         auto items = std::make_shared<std::vector<FolderItem>>();
         d.p.RunAside(JobSpec(
             Lane::Listing, d.dir / "", [&, items] { d.p.ListFolder(FilePath(d.dir / ""), *items); },
             [&] { listed = true; }));
       },
       [&] { return listed; }},
  };
  for (const auto& c : cases) {
    c.act();
    d.p.PumpMessage(false);
    EXPECT_TRUE(c.answered()) << c.what;
    EXPECT_EQ(d.p.tick, start) << c.what;
  }
  EXPECT_LE(d.p.iconLookups.size(), 3u + 4u);  // the held three, and the launch menu's own
}

// An item that brings its program forward names a shortcut on a share that
// answers slowly: the look-ups wait aside, and the menus and the other
// hotkeys are answered meanwhile.
TEST_F(MainForm, AnItemOnASlowShareHoldsUpNothingElse) {
  const std::string link = "\\\\server\\tools\\Edit.lnk";
  d.system().shortcuts[link] = "\\\\server\\tools\\edit.exe";
  d.p.slowShares["\\\\server\\"] = 5000;
  ExeList->Items(0)->Exe = link;  // Editor, Ctrl+Alt+A
  ExeList->Items(0)->Activate = 1;
  const std::uint64_t start = d.p.tick;
  for (int press = 0; press < 2; ++press) {  // the second while the share is still looking: no second copy
    ASSERT_TRUE(d.system().PressHotKey(kModControl | kModAlt, 'A'));
    d.p.PumpMessage(false);
  }
  EXPECT_EQ(d.p.tick, start);                            // the UI thread did not wait
  ASSERT_TRUE(d.system().PressHotKey(kModShift, 0x74));  // Calc's Shift+F5
  d.p.PumpMessage(false);
  EXPECT_EQ(Launched(), V{"calc.exe"});
  d.Pump();  // the share answers: the program is not running, so it starts
  EXPECT_EQ(Launched(), (V{"calc.exe", link}));
  EXPECT_GE(d.p.tick, start + 5000);
}

TEST_F(MainForm, ARightClickOpensTheCommandMenu) {
  V seen;
  d.p.onPopup = [&](const HeadlessPlatform::Popup& pop) {
    seen = Captions(pop);
    return Choose(pop, "ﾒﾆｭｰ項目設定");
  };
  Click(false);
  EXPECT_EQ(seen, (V{"時間情報", "-", "ﾒﾆｭｰ項目設定", "HotKey表示", "ﾊﾞｰｼﾞｮﾝ情報", "-", "終了"}));
  EXPECT_TRUE(Form_Set->Visible());
  Form_Set->Close();
  EXPECT_FALSE(Form_Set->Visible());

  d.p.onPopup = Choosing("ﾊﾞｰｼﾞｮﾝ情報");
  Click(false);
  EXPECT_TRUE(Form_About->Visible());
  d.p.onPopup = Choosing("時間情報");
  Click(false);
  EXPECT_TRUE(Form_Time->Visible());
  d.p.onPopup = Choosing("HotKey表示");
  Click(false);
  EXPECT_TRUE(Form_Main->MI_ShortCutView->Checked);
  EXPECT_EQ(Form_Main->PM_Left->Items(0)->Caption, "Editor (Ctrl + Alt + A)");
  Form_Main->MI_HelpClick(nullptr);
  EXPECT_EQ(d.p.helpCalls, (std::vector<std::pair<std::uint32_t, std::uintptr_t>>{{11u, 0u}}));

  d.p.onPopup = Choosing("終了");
  Click(false);
  EXPECT_TRUE(Application->Terminated);
  d.program->Finish();
  d.program.reset();
  EXPECT_TRUE(d.system().hotkeys.empty());
  EXPECT_TRUE(d.system().trayIcons.empty());
}

TEST_F(MainForm, DoubleClicksStartTheChosenItemAndOpenNoMenu) {
  DoubleClick(true);
  EXPECT_EQ(Launched(), V{"cmd.exe"});  // LeftDoubleClickMenuNo = 2
  // The first click opened its menu; the double-click's button-up did not.
  EXPECT_EQ(d.p.popups.size(), 1u);
  EXPECT_FALSE(Form_Main->PM_Left->AutoPopup);
  EXPECT_FALSE(Form_Main->LeftDoubleClicked);

  // The menus stay off, for the menu hotkey too, until an ordinary click.
  d.system().PressHotKey(kModControl, 0x4D);
  d.Pump();
  EXPECT_EQ(d.p.popups.size(), 1u);
  Click(true);
  EXPECT_EQ(d.p.popups.size(), 2u);

  DoubleClick(false);
  EXPECT_EQ(Launched(), (V{"cmd.exe", "notepad.exe"}));  // RightDoubleClickMenuNo = 0
  EXPECT_EQ(d.p.popups.size(), 3u);
}

TEST_F(MainForm, ADoubleClickQueuedBeforeTheFirstButtonUpIsHandledInsideIt) {
  // The first button-up handles the rest of the double-click nested: the
  // inner button-up starts the item with the menus off; the outer one finds
  // the flag consumed, and since a double-click came, no menu opens.
  DoubleClick(true, true);
  EXPECT_EQ(Launched(), V{"cmd.exe"});
  EXPECT_TRUE(d.p.popups.empty());
  EXPECT_FALSE(Form_Main->LeftDoubleClicked);
}

// A person's double-click: the second click comes `gapMs` after the first
// button-up, while the first click's menu waits for it.
class PersonClicks : public MainForm {
 protected:
  void SecondClickAfter(bool left, std::uint32_t gapMs, bool isDouble = true) {
    const std::size_t vk = left ? kVkLButton : kVkRButton;
    d.p.keys[vk] = true;
    d.Tray(left ? kWmLButtonDown : kWmRButtonDown);
    d.p.keys[vk] = false;
    d.Tray(left ? kWmLButtonUp : kWmRButtonUp);
    d.p.Schedule(gapMs, [this, left, vk, isDouble] {
      d.p.keys[vk] = true;
      d.Tray(left ? (isDouble ? kWmLButtonDblClk : kWmLButtonDown) : (isDouble ? kWmRButtonDblClk : kWmRButtonDown));
      d.p.keys[vk] = false;
      d.Tray(left ? kWmLButtonUp : kWmRButtonUp);
    });
    d.Pump();
  }
};

TEST_F(PersonClicks, ADoubleClickWithinTheDoubleClickTimeStartsItsItemAndOpensNoMenu) {
  for (bool left : {true, false}) {
    SecondClickAfter(left, 100);
    EXPECT_TRUE(d.p.popups.empty()) << left;
    EXPECT_FALSE(Form_Main->PM_Left->AutoPopup);
  }
  EXPECT_EQ(Launched(), (V{"cmd.exe", "notepad.exe"}));
}

TEST_F(PersonClicks, AClickOpensItsMenuOnceTheDoubleClickTimeHasPassed) {
  const std::uint64_t start = d.p.tick;
  std::uint64_t openedAt = 0;
  d.p.onPopup = [&](const HeadlessPlatform::Popup&) {
    openedAt = d.p.tick;
    return -1;
  };
  Click(true);
  ASSERT_EQ(d.p.popups.size(), 1u);
  EXPECT_EQ(openedAt - start, 500u);  // the scripted double-click time
  // A second click later than that is a click of its own: its menu opens
  // too, and nothing starts.
  SecondClickAfter(true, 700, false);
  EXPECT_EQ(d.p.popups.size(), 3u);
  EXPECT_TRUE(d.p.launches.empty());
}

TEST_F(PersonClicks, AButtonWithoutADoubleClickItemOpensItsMenuAtOnce) {
  LeftDoubleClickMenuNo = -1;
  RightDoubleClickMenuNo = 4;  // beyond the list: names no item
  Click(true);
  Click(false);
  EXPECT_EQ(d.p.popups.size(), 2u);
  EXPECT_TRUE(d.p.waits.empty());
  EXPECT_EQ(d.p.tick, 1000u);
}

TEST_F(PersonClicks, TheMenuHotkeyDuringTheWaitOpensItsMenuAndTheClicksMenuStaysClosed) {
  d.p.cursor = Point{7, 8};
  d.Tray(kWmLButtonDown);
  d.Tray(kWmLButtonUp);
  d.p.Schedule(100, [this] { d.system().PressHotKey(kModControl, 0x4D); });
  d.Pump();
  ASSERT_EQ(d.p.popups.size(), 1u);
  EXPECT_EQ(d.p.popups[0].entries.size(), 4u);
  EXPECT_EQ(d.p.popups[0].at.x, 7);
  EXPECT_TRUE(Form_Main->PM_Left->AutoPopup);
}

TEST_F(MainForm, ADoubleClickWithoutAnItemStartsNothing) {
  LeftDoubleClickMenuNo = -1;
  DoubleClick(true);
  EXPECT_TRUE(d.p.launches.empty());
  EXPECT_EQ(d.p.popups.size(), 1u);
  // Middle clicks open nothing and start nothing.
  d.Tray(kWmMButtonDown);
  d.Tray(kWmMButtonUp);
  d.Tray(kWmMButtonDblClk);
  d.Tray(kWmMButtonUp);
  d.Pump();
  EXPECT_TRUE(d.p.launches.empty());
  EXPECT_EQ(d.p.popups.size(), 1u);
  EXPECT_TRUE(Form_Main->PM_Left->AutoPopup);
}

TEST_F(MainForm, BothButtonsHeldStartTheLeftButtonsItem) {
  d.p.keys[kVkLButton] = d.p.keys[kVkRButton] = true;
  d.Tray(kWmRButtonDblClk);
  d.p.keys = {};
  d.Tray(kWmRButtonUp);
  d.Pump();
  EXPECT_EQ(Launched(), V{"cmd.exe"});
}

TEST_F(MainForm, WhileTheEditorIsOpenTheTrayOpensAndStartsNothing) {
  Form_Set->Show();
  Click(true);
  DoubleClick(true);
  EXPECT_TRUE(d.p.popups.empty());
  EXPECT_TRUE(d.p.launches.empty());
  EXPECT_TRUE(Form_Main->LeftDoubleClicked);  // kept for after the editor
  Form_Set->Close();
}

TEST_F(MainForm, HotkeysStartTheirItemOrPopUpTheMenuAtTheCursor) {
  EXPECT_TRUE(d.system().PressHotKey(kModControl | kModAlt, 0x41));
  d.Pump();
  EXPECT_EQ(Launched(), V{"notepad.exe"});
  d.p.cursor = Point{7, 8};
  // The item without a name (cmd.exe) from the launch menu.
  d.p.onPopup = [](const HeadlessPlatform::Popup& pop) { return Captions(pop).size() == 4 ? Choose(pop, "") : -1; };
  EXPECT_TRUE(d.system().PressHotKey(kModControl, 0x4D));
  d.Pump();
  ASSERT_EQ(d.p.popups.size(), 1u);
  EXPECT_EQ(d.p.popups[0].at.x, 7);
  EXPECT_EQ(d.p.popups[0].at.y, 8);
  EXPECT_EQ(Launched(), (V{"notepad.exe", "cmd.exe"}));
  // The separator item's hotkey starts nothing: it has no Exe.
  EXPECT_TRUE(d.system().PressHotKey(kModControl, 0x42));
  d.Pump();
  EXPECT_EQ(d.p.launches.size(), 2u);
  EXPECT_TRUE(d.p.messageBoxes.empty());
}

TEST_F(MainForm, AnUnknownHotkeyBeepsAndSaysSo) {
  d.p.PostMessage(Form_Main->GetHandle(), kWmHotKey, 0xC999, 0);
  d.Pump();
  EXPECT_EQ(d.p.beeps, std::vector<std::uint32_t>{0});
  ASSERT_EQ(d.p.messageBoxes.size(), 1u);
  EXPECT_EQ(d.p.messageBoxes[0].text, "Error[キーに対応するアプリが無い]");
  EXPECT_EQ(d.p.messageBoxes[0].caption, "Vorlex");
  EXPECT_EQ(d.p.messageBoxes[0].kind, Platform::BoxKind::Plain);
}

TEST_F(MainForm, PowerNoticesGetTheDefaultAnswerAndKeyDownsDoNothing) {
  for (std::uintptr_t event : {4u, 7u, 0u, 10u})
    EXPECT_EQ(d.p.SendMessage(Form_Main->GetHandle(), kWmPowerBroadcast, event, 0), 1);
  d.p.SendMessage(Form_Main->GetHandle(), kWmKeyDown, kVkReturn, 0);
  EXPECT_TRUE(d.p.messageBoxes.empty());
  EXPECT_TRUE(d.p.launches.empty());
}

}  // namespace vx::test

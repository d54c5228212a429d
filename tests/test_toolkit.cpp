#include "tests/harness.h"

namespace vx::test {

namespace {

std::vector<std::string> g_events;

class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::string name) : TComponent(owner) {
    SetName(name);
    HearSiblings();
  }
  ~Probe() override { g_events.push_back("free " + Name()); }
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == TOperation::opRemove) g_events.push_back(Name() + " heard " + c->Name());
  }
};

class ProbeForm : public TForm {
 public:
  explicit ProbeForm(TComponent* owner) : TForm(owner, "TProbe", "probe") {}
  void FormCreate() override {
    g_events.push_back("create");
    if (failCreate) throw std::runtime_error("no create");
  }
  static inline bool failCreate = false;
  void FormDestroy() override {
    g_events.push_back("destroy with " + std::to_string(ComponentCount()) + " components");
    throw std::runtime_error("boom");
  }
};

// A form whose messages nest the program's loops: kWmUser + 1 handles the
// pending messages inside its handler, kWmUser + 2 shows a dialog modally.
class NestingForm : public TForm {
 public:
  explicit NestingForm(TComponent* owner) : TForm(owner, "TNesting", "nesting") {}
  TForm* dialog = nullptr;
  std::intptr_t WndProc(std::uint32_t msg, std::uintptr_t w, std::intptr_t l) override {
    if (msg == kWmUser + 1) {
      g_events.push_back("process in");
      Application->ProcessMessages();
      g_events.push_back("process out");
      return 0;
    }
    if (msg == kWmUser + 2) {
      g_events.push_back("modal in");
      dialog->ShowModal();
      g_events.push_back("modal out");
      return 0;
    }
    return TForm::WndProc(msg, w, l);
  }
};

}  // namespace

class Toolkit : public ::testing::Test {
 protected:
  Toolkit() : p(system, "/tmp/x.exe"), app(new TApplication(p)) {
    app->SetTitle("Vorlex");
    g_events.clear();
  }
  ~Toolkit() override { delete app; }
  HeadlessSystem system;
  HeadlessPlatform p;
  TApplication* app;
};

TEST_F(Toolkit, OwnersFreeTheirComponentsLastCreatedFirstWithNotices) {
  auto* owner = new Probe(nullptr, "owner");
  new Probe(owner, "a");
  auto* b = new Probe(owner, "b");
  auto* watcher = new Probe(nullptr, "watcher");
  b->FreeNotification(watcher);
  EXPECT_EQ(owner->FindComponent("B"), b);
  auto* c = new Probe(owner, "c");
  c->SetName("renamed");
  EXPECT_EQ(owner->FindComponent("c"), nullptr);
  EXPECT_EQ(owner->FindComponent("RENAMED"), c);
  c->Free();
  EXPECT_EQ(owner->FindComponent("renamed"), nullptr);
  g_events.clear();
  owner->Free();
  EXPECT_EQ(g_events, (std::vector<std::string>{"free b", "watcher heard b", "a heard b", "owner heard b", "free a",
                                                "owner heard a", "free owner"}));
  watcher->Free();
}

TEST_F(Toolkit, FormsRunTheirDestructionHandlerUnderTheErrorBox) {
  ProbeForm* form = nullptr;
  app->CreateForm(form);
  new Probe(form, "child");
  EXPECT_EQ(app->MainForm(), form);
  app->DestroyForms();
  // The destruction handler ran while its components still existed; its
  // error went to the error box and the destruction went on.
  EXPECT_EQ(g_events, (std::vector<std::string>{"create", "destroy with 1 components", "free child"}));
  ASSERT_EQ(p.messageBoxes.size(), 1u);
  EXPECT_EQ(p.messageBoxes[0].text, "boom");
  EXPECT_EQ(p.messageBoxes[0].caption, "Vorlex");
  EXPECT_EQ(p.messageBoxes[0].kind, Platform::BoxKind::Error);
}

// A creation handler's error reaches CreateForm's caller (the start-up,
// which ends the run); the form's destruction handler then has nothing of
// it to undo and does not run.
TEST_F(Toolkit, ACreationHandlersErrorReachesTheCallerAndNoDestructionHandlerRuns) {
  ProbeForm* form = nullptr;
  ProbeForm::failCreate = true;
  EXPECT_THROW(app->CreateForm(form), std::runtime_error);
  ProbeForm::failCreate = false;
  app->DestroyForms();
  EXPECT_EQ(g_events, (std::vector<std::string>{"create"}));
  EXPECT_TRUE(p.messageBoxes.empty());
}

TEST_F(Toolkit, ClosingHidesAFormButEndsTheApplicationForTheMainForm) {
  ProbeForm *main = nullptr, *other = nullptr;
  app->CreateForm(main);
  app->CreateForm(other);
  other->Show();
  EXPECT_TRUE(other->Visible());
  p.PostMessage(other->GetHandle(), kWmClose, 0, 0);
  app->Run();
  EXPECT_FALSE(other->Visible());
  EXPECT_FALSE(app->Terminated);
  p.PostMessage(app->GetHandle(), kWmClose, 0, 0);  // a close request to the application's window
  app->Run();
  EXPECT_TRUE(app->Terminated);
  app->DestroyForms();
}

TEST_F(Toolkit, MenusShowVisibleEntriesAndRunTheChosenOne) {
  auto* menu = new TPopupMenu(nullptr);
  auto* item = new TMenuItem(menu);
  auto* line = new TMenuItem(menu);
  auto* hidden = new TMenuItem(menu);
  item->Caption = "Run";
  line->Caption = "-";
  hidden->Caption = "Hidden";
  hidden->Visible = false;
  menu->Add(item);
  menu->Add(hidden);
  menu->Add(line);
  int clicks = 0;
  item->OnClick = [&](TObject* s) {
    EXPECT_EQ(s, item);
    ++clicks;
  };
  p.onPopup = [](const HeadlessPlatform::Popup& pop) {
    EXPECT_EQ(pop.entries.size(), 2u);  // the hidden entry is not shown
    EXPECT_TRUE(pop.entries[1].separator);
    return Choose(pop, "Run");
  };
  menu->Popup(5, 6);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(p.popups.back().at.x, 5);
  p.onPopup = [](const HeadlessPlatform::Popup& pop) {  // the separator cannot be chosen
    return static_cast<int>(
        std::find_if(pop.entries.begin(), pop.entries.end(), [](const MenuEntrySpec& e) { return e.separator; }) -
        pop.entries.begin());
  };
  menu->Popup(0, 0);
  EXPECT_EQ(clicks, 1);
  item->Free();
  EXPECT_EQ(menu->Count(), 2);  // a freed entry leaves its menu
  menu->Free();
}

}  // namespace vx::test

namespace vx::test {

namespace {

// A small window described as the program's windows are.
// A control the toolkit does not have, added here by its description alone:
// a progress bar at 40 %.
class TProgressBar : public TControl {
 public:
  TProgressBar(TForm* owner, TPanel* parent) : TControl(owner, parent) {}
  void Describe(ControlDesc& d) const override {
    d.className = "msctls_progress32";
    d.style = 0x01;                                  // PBS_SMOOTH
    d.setup.push_back(SetupMessage{0x0402, 40, 0});  // PBM_SETPOS
  }
};

using V = std::vector<std::string>;

class ControlForm : public TForm {
 public:
  explicit ControlForm(TComponent* owner) : TForm(owner, "TControlForm", "controls") {
    SetClientSize(200, 100);
    Font = TFontSpec{"ＭＳ 明朝", 15, kShiftJisCharset};
    Top = Place<TPanel>("Top", nullptr, 0, 0, 200, 40, "", 0);
    Label = Place<TLabel>("Label", Top, 8, 8, 64, 15, "text");
    Names = Place<TLabel>("Names", Top, 8, 24, 64, 15, "second");
    Second = Place<TButton>("Second", Top, 100, 8, 75, 25, "2", 1);
    Names->FocusControl = Second;
    First = Place<TButton>("First", Top, 100, 8, 75, 25, "1", 0);
    Rest = Place<TPanel>("Rest", nullptr, 0, 40, 200, 60, "", 1);
    Box = Place<TCheckBox>("Box", Rest, 8, 8, 100, 17, "box", 0);
    Progress = Place<TProgressBar>("Progress", Rest, 8, 30, 100, 10, "");
    Top->Align = TAlign::alTop;
    Rest->Align = TAlign::alClient;
    Box->OnClick = [this](TObject*) { clicks.push_back(Box->Checked()); };
    First->OnClick = [this](TObject*) { clicks.push_back(true); };
    Ticker = new TTimer(this);
    Ticker->Interval = 100;
    Ticker->OnTimer = [this](TObject*) { ++ticks; };
  }
  TPanel *Top, *Rest;
  TProgressBar* Progress;
  TLabel *Label, *Names;
  TButton *First, *Second;
  TCheckBox* Box;
  TTimer* Ticker;
  std::vector<bool> clicks;
  int ticks = 0;
};

}  // namespace

TEST_F(Toolkit, ACheckBoxRunsItsHandlerOnEveryChangeAndOnlyThen) {
  ControlForm* f = nullptr;
  app->CreateForm(f);
  f->Show();
  f->Box->SetChecked(true);
  f->Box->SetChecked(true);  // already so: nothing runs
  EXPECT_TRUE(p.Control(f->GetHandle(), "Box").checked);
  ASSERT_TRUE(p.Click(f->GetHandle(), "Box"));  // a person's click unchecks it
  app->ProcessMessages();
  EXPECT_EQ(f->clicks, (std::vector<bool>{true, false}));
  EXPECT_FALSE(p.Control(f->GetHandle(), "Box").checked);

  // A disabled control, or one on a hidden panel, takes no input; a
  // click that is already on its way when it is disabled does nothing.
  f->Box->SetEnabled(false);
  EXPECT_FALSE(p.Click(f->GetHandle(), "Box"));
  f->Box->SetEnabled(true);
  f->Rest->SetVisible(false);
  EXPECT_FALSE(p.Click(f->GetHandle(), "Box"));
  f->Rest->SetVisible(true);
  ASSERT_TRUE(p.Click(f->GetHandle(), "First"));
  f->First->SetEnabled(false);
  app->ProcessMessages();
  EXPECT_EQ(f->clicks.size(), 2u);
  app->DestroyForms();
}

// A list box and a drop-down list, each counting a person's changes.
class ListsForm : public TForm {
 public:
  explicit ListsForm(TComponent* owner) : TForm(owner, "TLists", "lists") {
    List = Place<TListBox>("List", nullptr, 8, 8, 100, 80, "", 0);
    Drop = Place<TComboBox>("Drop", nullptr, 120, 8, 80, 24, "", 1);
    for (const char* t : {"a", "b", "c"}) Drop->Add(t);
    Drop->SetItemIndex(1);  // before the window exists
    List->OnClick = [this](TObject*) { ++listChanges; };
    Drop->OnChange = [this](TObject*) { ++dropChanges; };
  }
  TListBox* List;
  TComboBox* Drop;
  int listChanges = 0, dropChanges = 0;
};

TEST_F(Toolkit, AListRunsItsHandlerForAPersonsChoiceOnlyAndKeepsItsSelectionWithItsEntry) {
  ListsForm* f = nullptr;
  app->CreateForm(f);
  f->Show();
  const Handle wnd = f->GetHandle();
  EXPECT_EQ(p.Control(wnd, "Drop").items, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(p.Control(wnd, "Drop").selection, 1);
  // The window takes in the opened list: three rows and an edge below the box.
  EXPECT_EQ(p.Control(wnd, "Drop").control.bounds.height, 24 + 3 * 16 + 8);
  f->Drop->SetItemIndex(7);  // outside: none
  EXPECT_EQ(f->Drop->ItemIndex(), -1);
  ASSERT_TRUE(p.Select(wnd, "Drop", 2));
  app->ProcessMessages();
  EXPECT_EQ(f->Drop->ItemIndex(), 2);
  EXPECT_EQ(f->dropChanges, 1);
  f->Drop->SetEnabled(false);
  EXPECT_FALSE(p.Select(wnd, "Drop", 0));

  for (const char* t : {"x", "y", "z"}) f->List->Add(t);
  f->List->SetItemIndex(2);
  f->List->Move(2, 0);
  f->List->SetItem(1, "X");
  EXPECT_EQ(p.Control(wnd, "List").items, (std::vector<std::string>{"z", "X", "y"}));
  EXPECT_EQ(f->List->ItemIndex(), -1);  // the moved entry's selection went with it
  f->List->SetItemIndex(1);
  f->List->Insert(0, "first");
  EXPECT_EQ(f->List->ItemIndex(), 2);  // still on "X"
  f->List->Clear();
  EXPECT_EQ(f->List->ItemIndex(), -1);
  EXPECT_EQ(f->listChanges, 0);  // nothing a person did
  app->DestroyForms();
}

TEST_F(Toolkit, ControlsAreMadeInTabOrderAndPanelsAlignToTheClientArea) {
  ControlForm* f = nullptr;
  app->CreateForm(f);
  // Windows' tab order is the order of creation: each parent's children in
  // their tab order, each after the label that names it (a screen reader
  // names a control after the static text just before it), the rest last.
  EXPECT_EQ(p.ChildOrder(f->Top->GetHandle()), (V{"First", "Names", "Second", "Label"}));
  EXPECT_EQ(p.ChildOrder(f->GetHandle()), (V{"Top", "Rest"}));
  // It opens with the keyboard in its first field that takes input.
  f->Show();
  EXPECT_EQ(system.focus, f->First->GetHandle());
  f->Hide();
  f->First->SetEnabled(false);
  f->Show();
  EXPECT_EQ(system.focus, f->Second->GetHandle());
  system.focus = 0;
  f->Show();  // already open: the focus stays where the person put it
  EXPECT_EQ(system.focus, 0u);
  f->Hide();
  f->First->SetEnabled(true);
  EXPECT_EQ(p.Control(f->GetHandle(), "Second").control.tabStop, true);
  EXPECT_EQ(p.Control(f->GetHandle(), "Label").control.tabStop, false);
  // The client-filling panel takes what the top panel leaves, and follows
  // the window's height.
  f->SetClientHeight(150);
  EXPECT_EQ(p.Control(f->GetHandle(), "Rest").control.bounds.height, 110);
  f->Top->SetVisible(false);
  EXPECT_EQ(p.Control(f->GetHandle(), "Rest").control.bounds.top, 0);
  EXPECT_EQ(p.Control(f->GetHandle(), "Rest").control.bounds.height, 150);
  // A control of its own description is made as described, on its panel.
  const HeadlessSystem::Window& bar = p.Control(f->GetHandle(), "Progress");
  EXPECT_EQ(bar.control.className, "msctls_progress32");
  EXPECT_EQ(bar.control.style, 0x01u);
  ASSERT_EQ(bar.control.setup.size(), 1u);
  EXPECT_EQ(bar.control.setup[0].msg, 0x0402u);
  EXPECT_EQ(bar.parent, f->Rest->GetHandle());
  app->DestroyForms();
}

TEST_F(Toolkit, AMissingJapaneseFaceGivesWayToTheSystemsJapaneseUiFontAtTheSameHeight) {
  // An English or German Windows lacks "ＭＳ 明朝" and "ＭＳ ゴシック".
  system.missingFonts = {"ＭＳ 明朝", "ＭＳ ゴシック"};
  ControlForm* f = nullptr;
  app->CreateForm(f);
  const auto& box = p.Control(f->GetHandle(), "Box").control;
  EXPECT_EQ(system.fonts.at(box.font), (std::pair<std::string, int>{"Yu Gothic UI", 15}));
  EXPECT_EQ(InstalledFace("ＭＳ ゴシック", p), "Yu Gothic UI");
  system.missingFonts.insert("Yu Gothic UI");  // Windows 7
  EXPECT_EQ(InstalledFace("ＭＳ ゴシック", p), "Meiryo UI");
  system.missingFonts.insert("Meiryo UI");
  EXPECT_EQ(InstalledFace("ＭＳ ゴシック", p), "MS UI Gothic");
  system.missingFonts.insert("MS UI Gothic");
  EXPECT_EQ(InstalledFace("ＭＳ ゴシック", p), "ＭＳ ゴシック");  // nothing better: the system's substitute
  system.missingFonts = {};
  EXPECT_EQ(InstalledFace("ＭＳ ゴシック", p), "ＭＳ ゴシック");  // installed: as named
  app->DestroyForms();
}

TEST_F(Toolkit, SizesAndFontsAreScaledByTheWindowsDpiAndFollowItsChanges) {
  system.dpi = 192;
  ControlForm* f = nullptr;
  app->CreateForm(f);
  const auto& win = *system.FindWindowRecord(f->GetHandle());
  EXPECT_EQ(win.desc.width, 400);
  EXPECT_EQ(win.desc.height, 200);
  const auto& box = p.Control(f->GetHandle(), "Box").control;
  EXPECT_EQ(box.bounds.left, 16);
  EXPECT_EQ(box.bounds.width, 200);
  EXPECT_EQ(system.fonts.at(box.font), (std::pair<std::string, int>{"ＭＳ 明朝", 30}));
  // The window moves to a monitor of 144 DPI: everything is made anew at
  // that size, and the old font is given back.
  const Handle oldFont = box.font;
  p.SendMessage(f->GetHandle(), kWmDpiChanged, (144u << 16) | 144u, 0);
  EXPECT_EQ(win.desc.width, 300);
  EXPECT_EQ(p.Control(f->GetHandle(), "Rest").control.bounds.top, 60);
  EXPECT_EQ(system.fonts.count(oldFont), 0u);
  EXPECT_EQ(system.fonts.at(p.Control(f->GetHandle(), "Label").control.font).second, 23);
  // With a DPI change Windows suggests the window's new place and size: the
  // window takes it as it is (made up otherwise, it jumps, and at a
  // monitor's edge it flips back and forth), and lays its controls out anew.
  const EdgeRect suggested{1900, 300, 1900 + 400, 300 + 200};
  p.SendMessage(f->GetHandle(), kWmDpiChanged, (192u << 16) | 192u, reinterpret_cast<std::intptr_t>(&suggested));
  EXPECT_EQ(win.position.x, 1900);
  EXPECT_EQ(win.position.y, 300);
  EXPECT_EQ(win.desc.width, 400);
  EXPECT_EQ(p.Control(f->GetHandle(), "Rest").control.bounds.top, 80);
  EXPECT_EQ(system.fonts.at(p.Control(f->GetHandle(), "Label").control.font).second, 30);
  app->DestroyForms();
  EXPECT_TRUE(system.fonts.empty());
}

TEST_F(Toolkit, ATimerTicksOnlyWhileEnabled) {
  ControlForm* f = nullptr;
  app->CreateForm(f);
  p.RunClock(1000);
  EXPECT_EQ(f->ticks, 0);
  f->Ticker->SetEnabled(true);
  p.RunClock(1000);
  EXPECT_EQ(f->ticks, 10);
  f->Ticker->SetEnabled(false);
  p.RunClock(1000);
  EXPECT_EQ(f->ticks, 10);
  EXPECT_TRUE(p.timers.empty());
  f->Ticker->SetEnabled(true);
  app->DestroyForms();  // a freed timer stops
  EXPECT_TRUE(p.timers.empty());
}

TEST_F(Toolkit, AQuitInsideAModalDialogInsideProcessMessagesEndsEveryLoopAndTheRunOnce) {
  NestingForm* main = nullptr;
  PlainForm* dialog = nullptr;
  app->CreateForm(main);
  app->CreateForm(dialog);
  main->dialog = dialog;
  app->ShowMainForm = false;
  p.PostMessage(main->GetHandle(), kWmUser + 1, 0, 0);
  p.PostMessage(main->GetHandle(), kWmUser + 2, 0, 0);
  p.PostQuitMessage(0);
  app->Run();
  // The quit reached the modal loop first; it ended that loop, the one
  // around it and the program's own.
  EXPECT_EQ(g_events, (std::vector<std::string>{"process in", "modal in", "modal out", "process out"}));
  EXPECT_TRUE(app->Terminated);
  EXPECT_EQ(p.QueueSize(), 0u);
  // Once ended, every loop returns at once: nothing more is handled.
  p.PostMessage(main->GetHandle(), kWmUser + 2, 0, 0);
  g_events.clear();
  app->Run();
  app->ProcessMessages();
  EXPECT_TRUE(g_events.empty());
  EXPECT_EQ(p.QueueSize(), 1u);
}

TEST_F(Toolkit, APumpWithADeadlineEndsAtItOrWhenItsConditionHolds) {
  bool flag = false;
  p.Schedule(300, [&] { flag = true; });
  const std::uint64_t start = p.tick;
  EXPECT_EQ(app->PumpUntil([&] { return flag; }, TApplication::PumpRules{true, false, start + 500}),
            TApplication::PumpEnd::Done);
  EXPECT_EQ(p.tick, start + 300);
  EXPECT_EQ(app->PumpUntil([&] { return false; }, TApplication::PumpRules{true, false, p.tick + 200}),
            TApplication::PumpEnd::Deadline);
  EXPECT_EQ(p.tick, start + 500);
  EXPECT_EQ(app->PumpUntil(nullptr, TApplication::PumpRules{false, false, 0}), TApplication::PumpEnd::Empty);
}

}  // namespace vx::test

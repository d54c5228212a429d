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
  void FormCreate() override { g_events.push_back("create"); }
  void FormDestroy() override {
    g_events.push_back("destroy with " + std::to_string(ComponentCount()) + " components");
    throw std::runtime_error("boom");
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

TEST_F(Toolkit, FormsRunCreateAndDestroyHandlersUnderTheErrorBox) {
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
    return 0;
  };
  menu->Popup(5, 6);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(p.popups.back().at.x, 5);
  p.onPopup = [](const HeadlessPlatform::Popup&) { return 1; };  // the separator cannot be chosen
  menu->Popup(0, 0);
  EXPECT_EQ(clicks, 1);
  item->Free();
  EXPECT_EQ(menu->Count(), 2);  // a freed entry leaves its menu
  menu->Free();
}

}  // namespace vx::test

// The person's language: the table of texts, the choice of language, and
// every window, menu and message in English where Windows is not Japanese.
#include <cstring>
#include <set>

#include "core/messages.h"
#include "forms/Fom_About.h"
#include "forms/Fom_SetEtc.h"
#include "forms/Fom_Time.h"
#include "tests/editor_fixture.h"

namespace vx::test {

namespace {

bool HasJapanese(const std::string& text) { return !IsAscii(text); }

// The placeholders of a pattern, in order.
std::string Placeholders(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == '%' && (text[i + 1] == 's' || text[i + 1] == 'd')) out += text.substr(i, 2);
  return out;
}

}  // namespace

TEST(Texts, EveryEntryHasBothLanguagesWithTheSamePlaceholders) {
  std::set<std::string> keys;
  for (std::size_t i = 0; i < kTextTableSize; ++i) {
    const TextEntry& e = kTextTable[i];
    ASSERT_TRUE(e.ja && e.en) << i;
    EXPECT_FALSE(std::string(e.en).empty()) << e.ja;
    EXPECT_FALSE(HasJapanese(e.en)) << e.en;
    EXPECT_EQ(Placeholders(e.ja), Placeholders(e.en)) << e.ja;
    EXPECT_TRUE(keys.insert(std::string(e.ja) + "|" + (e.context ? e.context : "")).second) << "twice: " << e.ja;
  }
  // The log's column line keeps its widths and bars in English.
  SetLanguage(Language::English);
  const std::string columns = Tr(kLogColumns);
  SetLanguage(Language::Japanese);
  EXPECT_EQ(columns.size(), 41u);
  for (std::size_t bar : {9u, 20u, 31u}) EXPECT_EQ(columns[bar], '|') << bar;
}

// Words an English reader took for something else, as they read now.
TEST(Texts, EnglishSaysWhatTheProgramDoes) {
  const struct {
    const char *ja, *context, *en;
  } cases[] = {
      {"スタンバイ,休止状態の時刻も使う", nullptr, "End the run at standby or hibernation"},
      {"次回の起動から有効", nullptr, "Applies when Vorlex restarts"},
      {"前回終了", nullptr, "Last ended"},
      {"経過時間", nullptr, "Elapsed"},
      {kMsgNoItemForKey, nullptr, "No item has this hotkey."},
      {kMsgOneFileOnly, nullptr, "Only one file can be dropped."},
      {"メニュー項目設定", nullptr, "Edit items"},
      {"その他の設定", nullptr, "More settings"},
      {"その他の設定", kOpensWindow, "More settings..."},
      {"ファイルへのアクセスが拒否されました", nullptr, "Access to the file was denied"},
  };
  SetLanguage(Language::English);
  for (const auto& c : cases) EXPECT_STREQ(Tr(c.ja, c.context), c.en) << c.ja;
  EXPECT_EQ(Format(Format(Tr(kMsgPathTooLong), "Program"), 300LL),
            "The Program field holds at most 254 bytes.\r\nThis path is 300 bytes long, so it cannot be used.");
  SetLanguage(Language::Japanese);
  EXPECT_STREQ(Tr("その他の設定", kOpensWindow), "その他の設定");  // Japanese adds no dots
}

TEST(Texts, TheLanguageFollowsWindowsUnlessTheSettingNamesOne) {
  EXPECT_EQ(LanguageOfUi("ja-JP"), Language::Japanese);
  EXPECT_EQ(LanguageOfUi("ja"), Language::Japanese);
  for (const char* other : {"en-US", "de-DE", "ko-KR", "zh-CN", "jam", ""})
    EXPECT_EQ(LanguageOfUi(other), Language::English) << other;
  Language l = Language::Japanese;
  EXPECT_TRUE(LanguageOfSetting("en", l));
  EXPECT_EQ(l, Language::English);
  EXPECT_TRUE(LanguageOfSetting("ja", l));
  EXPECT_EQ(l, Language::Japanese);
  for (const char* other : {"", "EN", "fr", "auto"}) EXPECT_FALSE(LanguageOfSetting(other, l)) << other;
}

class InEnglish : public Editor {
 protected:
  ~InEnglish() override {
    if (d.program) d.Close();
    SetLanguage(Language::Japanese);
  }
  // Every text the desktop shows now: window and control captions, list and
  // drop-down entries, menu entries and message boxes.
  std::vector<std::string> Shown() {
    std::vector<std::string> texts;
    for (const auto& [handle, w] : d.system().windows) {
      if (w.process != &d.p) continue;
      texts.push_back(w.desc.caption);
      texts.push_back(w.control.caption);
      for (const std::string& item : w.items) texts.push_back(item);
    }
    for (const auto& pop : d.p.popups)
      for (const auto& e : pop.entries) texts.push_back(e.caption);
    for (const auto& box : d.p.messageBoxes) {
      texts.push_back(box.text);
      texts.push_back(box.caption);
    }
    return texts;
  }
  void ExpectNoJapanese() {
    for (const std::string& text : Shown()) EXPECT_FALSE(HasJapanese(text)) << text;
  }
};

TEST_F(InEnglish, UnderAnEnglishUiNoWindowMenuOrMessageShowsJapanese) {
  d.system().uiLanguage = "en-US";
  const std::size_t missingBefore = TextsMissing();
  // Ctrl+M is taken by another program: the message says so in English.
  d.system().OccupyHotKey(kModControl, 'M');
  Start(kThree);
  ASSERT_EQ(d.p.messageBoxes.size(), 1u);
  EXPECT_EQ(d.p.messageBoxes[0].text.rfind("The hotkey could not be registered.\r\n", 0), 0u)
      << d.p.messageBoxes[0].text;
  // Both menus, with their key texts.
  d.p.onPopup = [](const HeadlessPlatform::Popup&) { return -1; };
  Form_Main->MI_ShortCutViewClick(nullptr);
  d.Tray(kWmRButtonUp);
  d.Pump();
  ASSERT_GE(d.p.popups.size(), 1u);
  V commands;
  for (const auto& e : d.p.popups.back().entries) commands.push_back(e.caption);
  EXPECT_EQ(commands, (V{"Running time", "-", "Edit items...", "Show hotkeys", "About Vorlex", "-", "Exit"}));
  Form_Main->CreateMI_Exe();
  EXPECT_EQ(Form_Main->PM_Left->Items(1)->Caption, "B (none)");
  // Every window made and shown, the editor with its other settings.
  Form_Time->GetHandle();
  Form_About->GetHandle();
  Open();
  EXPECT_EQ(d.p.Control(Wnd(), "Lbl_Exe").control.caption, "Program");
  EXPECT_EQ(d.p.Control(Wnd(), "Lbl_Dir").control.caption, "Start in");
  EXPECT_EQ(d.p.Control(Wnd(), "CB_RunAs").control.caption, "Run as administrator");
  EXPECT_EQ(d.p.Control(Wnd(), "CmB_Show").items, (V{"Normal", "Minimized", "Maximized"}));
  d.p.Schedule(10, [&] {
    const Handle etc = Form_SetEtc->GetHandle();
    EXPECT_EQ(d.p.Control(etc, "CmB_Language").items, (V{"Automatic", "日本語", "English"}));
    d.p.Click(etc, "Btn_Close");
  });
  Click("Btn_SetEtc");
  ASSERT_TRUE(d.p.DropFiles(Wnd(), {"C:\\a.txt", "C:\\b.txt"}));
  d.Pump();
  EXPECT_EQ(d.p.messageBoxes.back().text, "Only one file can be dropped.");
  for (const std::string& text : Shown()) {
    // The drop-down's own choice of Japanese is the one text written in it.
    if (text == "日本語") continue;
    EXPECT_FALSE(HasJapanese(text)) << text;
  }
  EXPECT_EQ(TextsMissing(), missingBefore) << "a text shown that the table lacks";
  // The English windows use the system's message font.
  EXPECT_EQ(d.system().fonts.at(d.p.Control(Wnd(), "Btn_Ok").control.font),
            (std::pair<std::string, int>{"Segoe UI", 12}));
  Click("Btn_Cancel");
}

// A desktop whose person prefers `ui`, and Vorlex started on it with the
// settings file `ini`; the caption of its editor.
std::string EditorCaptionOn(const char* ui, const std::string& ini) {
  Desktop d;
  d.system().uiLanguage = ui;
  d.WriteIni(ini);
  EXPECT_EQ(d.Start(), -1);
  const std::string caption = d.system().FindWindowRecord(Form_Set->GetHandle())->desc.caption;
  EXPECT_EQ(d.Close(), 0);
  SetLanguage(Language::Japanese);
  return caption;
}

TEST(Language, TheSettingFixesTheLanguageWhateverWindowsSays) {
  const std::string three = kThree;
  const std::size_t basic = three.find("[Basic]\r\n") + 9;
  auto with = [&](const char* line) { return three.substr(0, basic) + line + three.substr(basic); };
  EXPECT_EQ(EditorCaptionOn("ja-JP", kThree), "メニュー項目設定");
  EXPECT_EQ(EditorCaptionOn("en-US", kThree), "Edit items");
  EXPECT_EQ(EditorCaptionOn("ja-JP", with("Language=en\r\n")), "Edit items");
  EXPECT_EQ(EditorCaptionOn("en-US", with("Language=ja\r\n")), "メニュー項目設定");
  EXPECT_EQ(EditorCaptionOn("de-DE", with("Language=fr\r\n")), "Edit items");
}

TEST_F(InEnglish, TheDropDownWritesTheKeyOnOkAndRemovesItForAutomatic) {
  Start(kThree);
  auto choose = [&](int index) {
    d.p.Schedule(10, [&, index] {
      const Handle etc = Form_SetEtc->GetHandle();
      d.p.Select(etc, "CmB_Language", index);
      d.p.Click(etc, "Btn_Close");
    });
    Click("Btn_SetEtc");
  };
  // Automatic shows while the file names none; the file's text stays as is.
  Open();
  EXPECT_EQ(Form_SetEtc->CmB_Language->ItemIndex(), 0);
  choose(2);
  Click("Btn_Cancel");  // Cancel drops the choice
  EXPECT_EQ(d.IniText().find("Language="), std::string::npos);
  Open();
  EXPECT_EQ(Form_SetEtc->CmB_Language->ItemIndex(), 0);
  choose(2);
  Click("Btn_Ok");
  EXPECT_NE(d.IniText().find("[Basic]\r\nCount=3\r\n"), std::string::npos);
  EXPECT_NE(d.IniText().find("Language=en\r\n"), std::string::npos) << d.IniText();
  EXPECT_EQ(CurrentLanguage(), Language::Japanese);  // from the next start
  Open();
  EXPECT_EQ(Form_SetEtc->CmB_Language->ItemIndex(), 2);
  choose(1);
  Click("Btn_Ok");
  EXPECT_NE(d.IniText().find("Language=ja\r\n"), std::string::npos);
  Open();
  choose(0);
  Click("Btn_Ok");
  EXPECT_EQ(d.IniText().find("Language="), std::string::npos) << d.IniText();
}

// The windows' layouts, in each language: every control inside its parent
// and off its neighbours (a bevel frames others by design), at each DPI and
// with the message font at 1, 1.5 and 2 times its size; each as large as
// its text in its font, and in Japanese each where it is described.
TEST(Language, EveryControlShowsItsTextWholeInsideItsParentAndOffTheOthers) {
  for (const char* ui : {"ja-JP", "en-US"})
    for (int dpi : {96, 144, 192})
      for (int font : {12, 18, 24}) {
        Desktop d;
        d.system().uiLanguage = ui;
        d.system().dpi = dpi;
        d.system().messageFontHeight = font;
        d.WriteIni(kThree);
        ASSERT_EQ(d.Start(), -1);
        for (TForm* form : std::vector<TForm*>{Form_Set, Form_SetEtc, Form_About, Form_Time}) {
          form->GetHandle();
          Form_Time->Pnl_Option->SetVisible(true);
          for (int i = 0; i < form->ComponentCount(); ++i) {
            auto* c = dynamic_cast<TControl*>(form->Components(i));
            if (!c || !c->GetHandle()) continue;
            SCOPED_TRACE(::testing::Message() << ui << " at " << dpi << " DPI, font " << font << ": " << c->Name());
            const Rect shown = d.system().FindWindowRecord(c->GetHandle())->control.bounds;
            const Point text = c->TextNeed(d.p, form->FontHandle());
            EXPECT_GE(shown.width, text.x);
            EXPECT_GE(dynamic_cast<TComboBox*>(c) ? form->Scale(c->FittedBounds().height) : shown.height, text.y);
            if (std::string(ui) == "ja-JP" && c->Align == TAlign::alNone) {
              EXPECT_EQ(c->FittedBounds().left, c->DescribedBounds().left);
              EXPECT_EQ(c->FittedBounds().top, c->DescribedBounds().top);
              EXPECT_EQ(c->FittedBounds().width, c->DescribedBounds().width);
              EXPECT_EQ(c->FittedBounds().height, c->DescribedBounds().height);
            }
          }
          std::vector<const HeadlessSystem::Window*> controls;
          for (const auto& [handle, w] : d.system().windows)
            if (w.isControl && w.process == &d.p && w.control.name.rfind("Bvl", 0) != 0 && w.control.name != "Bevel1")
              controls.push_back(&w);
          // A drop-down's window takes in its opened list; the box is the rest.
          auto box = [dpi](const HeadlessSystem::Window* w) {
            Rect r = w->control.bounds;
            if (w->control.className == "COMBOBOX")
              r.height -= static_cast<int>(((16 * w->items.size() + 8) * dpi + 48) / 96);
            return r;
          };
          for (const auto* c : controls) {
            const Rect b = c->control.bounds;
            const auto* parent = d.system().FindWindowRecord(c->parent);
            ASSERT_NE(parent, nullptr);
            const int width = parent->isControl ? parent->control.bounds.width : parent->desc.width;
            const int height = parent->isControl ? parent->control.bounds.height : parent->desc.height;
            SCOPED_TRACE(::testing::Message() << ui << " at " << dpi << " DPI: " << c->control.name);
            EXPECT_TRUE(b.left >= 0 && b.top >= 0 && b.left + b.width <= width && box(c).top + box(c).height <= height);
            for (const auto* o : controls) {
              if (o == c || o->parent != c->parent) continue;
              const Rect x = box(c), y = box(o);
              EXPECT_FALSE(x.left < y.left + y.width && y.left < x.left + x.width && x.top < y.top + y.height &&
                           y.top < x.top + x.height)
                  << "overlaps " << o->control.name;
            }
          }
        }
        EXPECT_EQ(d.Close(), 0);
        SetLanguage(Language::Japanese);
        if (std::string(ui) == "ja-JP") break;  // the message font is the English windows'
      }
}

}  // namespace vx::test

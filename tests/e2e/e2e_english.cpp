// End-to-end tests under an English Windows UI language (ctest runs this
// suite with LC_MESSAGES=en_US.UTF-8, which Wine takes for the UI
// language): the command menu by its English captions, the editor and its
// other settings, a message, and a new log, with real clicks and keys.
#include "base/texts.h"
#include "tests/e2e/e2e_fixture.h"

using namespace e2e;

namespace {

// How many presses of Down reach the command menu's entry of that English
// caption (lines are passed over, hidden entries are not there); 0: none.
int EnglishDowns(const std::string& caption) {
  vx::SetLanguage(vx::Language::English);
  int downs = 0;
  for (const vx::CommandEntry& e : vx::kCommandMenu) {
    if (!e.shown || std::string(e.caption) == "-") continue;
    ++downs;
    if (caption == vx::Tr(e.caption)) return downs;
  }
  return 0;
}

bool ChooseEnglishCommand(const Vorlex& v, const std::string& caption) {
  return ChooseCommandAt(v, EnglishDowns(caption));
}

class English : public E2E {};

}  // namespace

TEST_F(English, TheCommandMenuOpensTheEditorAndItsOtherSettingsInEnglish) {
  Vorlex v(folder);
  StartWithItems(v);
  ASSERT_TRUE(ChooseEnglishCommand(v, "Edit items..."));
  HWND editor = WaitWindowOf(v.Pid(), L"TForm_Set", 10000, true);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(WindowText(editor), L"Edit items");
  // The labels just before their fields, and the buttons, read from the controls.
  ExpectLabelsBeforeFields(editor, {L"Name", L"Hotkey", L"Program", L"Parameters", L"Start in"});
  EXPECT_EQ(FieldText(ChildOfClass(editor, L"Edit", 1)), folder + L"\\vx_marker.exe");
  for (const wchar_t* text :
       {L"Browse...", L"Double-click", L"Left button", L"Right button", L"Window", L"Run as administrator",
        L"Bring to front if running", L"Up", L"Down", L"Add", L"Delete", L"More settings...", L"OK", L"Cancel"})
    EXPECT_NE(ChildWithText(editor, text), nullptr) << text;
  // The other settings, opened with a person's click.
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"More settings...")));
  HWND etc = WaitWindowOf(v.Pid(), L"TForm_SetEtc", 5000, true);
  ASSERT_NE(etc, nullptr);
  EXPECT_EQ(WindowText(etc), L"More settings");
  for (const wchar_t* text :
       {L"Hotkey to show the menu", L"Show icons in the menu", L"Language", L"Applies when Vorlex restarts", L"Close"})
    EXPECT_NE(ChildWithText(etc, text), nullptr) << text;
  ASSERT_TRUE(ClickWindow(ChildWithText(etc, L"Close")));
  ASSERT_TRUE(WaitHidden(etc));
  EXPECT_TRUE(CancelAndClose(v, editor));
}

TEST_F(English, ATakenHotkeyIsReportedInEnglish) {
  const auto [text, keys] = StartWithCtrlAltF9Taken();
  EXPECT_EQ(text, L"The hotkey could not be registered.\r\nAnother program may already be using it.\r\n[項目 A (" +
                      keys + L")]");
}

TEST_F(English, ANewLogGetsItsColumnLineInEnglish) {
  WriteBytes(Ini(), std::string(kHeader) + "[Time]\r\nLogFile=1\r\n");
  Vorlex v(folder);
  StartReady(v);
  EXPECT_EQ(v.Close(), 0u);
  const std::string log = ReadBytes(folder + L"\\Vorlex.log");
  EXPECT_EQ(log.rfind("[Vorlex LogFile]\r\nDate     | Started  | Ended    | Elapsed \r\n", 0), 0u) << log;
}

TEST_F(English, TheSettingGivesJapaneseUnderEnglish) {
  WriteBytes(Ini(), std::string(kHeader) + "[Basic]\r\nLanguage=ja\r\n");
  Vorlex v(folder);
  StartReady(v);
  HWND editor = OpenEditor(v);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(WindowText(editor), L"メニュー項目設定");
  EXPECT_TRUE(CancelAndClose(v, editor));
}

namespace {

// Every label, check box and button of the window shows its text whole,
// measured with the message font at the window's DPI, as the program makes
// it (a font handle does not cross into this process).
void ExpectTextsWhole(HWND window, const LOGFONTW& messageFont) {
  HDC dc = GetDC(window);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  LOGFONTW shown = messageFont;
  shown.lfHeight = -MulDiv(std::abs(messageFont.lfHeight), dpi, 96);
  shown.lfWeight = FW_NORMAL;
  const HFONT font = CreateFontIndirectW(&shown);
  const HGDIOBJ old = SelectObject(dc, font);
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t cls[16] = {};
    GetClassNameW(c, cls, 16);
    const std::wstring text = WindowText(c);
    const bool button = lstrcmpiW(cls, L"Button") == 0, label = lstrcmpiW(cls, L"Static") == 0;
    if (text.empty() || !IsWindowVisible(c) || !(button || label)) continue;
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    const LONG style = GetWindowLongW(c, GWL_STYLE) & 0x0F;
    const int edges = !button ? 0 : (style == BS_CHECKBOX || style == BS_AUTOCHECKBOX) ? 18 : 2;
    RECT r;
    GetClientRect(c, &r);
    EXPECT_GE(r.right, size.cx + MulDiv(edges, dpi, 96)) << Cp932(text);
    EXPECT_GE(r.bottom, size.cy) << Cp932(text);
  }
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(window, dc);
}

}  // namespace

// The message font at 1.5 and 2 times its size, as a person sets a larger
// text size: the editor, its other settings, the time window (its options
// shown) and the version box show every text whole.
TEST_F(English, AtALargerTextSizeEveryTextShowsWhole) {
  NONCLIENTMETRICSW saved{};
  saved.cbSize = sizeof saved;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof saved, &saved, 0));
  struct Restore {
    NONCLIENTMETRICSW metrics;
    ~Restore() { SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics, SPIF_UPDATEINIFILE); }
  } restore{saved};
  for (int percent : {150, 200}) {
    NONCLIENTMETRICSW larger = saved;
    larger.lfMessageFont.lfHeight = MulDiv(saved.lfMessageFont.lfHeight, percent, 100);
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof larger, &larger, SPIF_UPDATEINIFILE));
    Vorlex v(folder);
    StartWithItems(v);
    HWND editor = OpenEditor(v);
    ASSERT_NE(editor, nullptr);
    {
      SCOPED_TRACE(percent);
      ExpectTextsWhole(editor, larger.lfMessageFont);
      ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"More settings...")));
      HWND etc = WaitWindowOf(v.Pid(), L"TForm_SetEtc", 5000, true);
      ASSERT_NE(etc, nullptr);
      ExpectTextsWhole(etc, larger.lfMessageFont);
      ASSERT_TRUE(ClickWindow(ChildWithText(etc, L"Close")));
      ASSERT_TRUE(WaitHidden(etc));
      ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Cancel")));
      ASSERT_TRUE(WaitHidden(editor));
      HWND time = OpenTimeWindow(v);
      ASSERT_NE(time, nullptr);
      ASSERT_TRUE(ClickWindow(ChildWithText(time, L"Options")));
      ASSERT_TRUE(WaitUntil([&] { return ChildWithText(time, L"Write a log file") != nullptr; }, 5000));
      ExpectTextsWhole(time, larger.lfMessageFont);
      ASSERT_TRUE(ClickWindow(ChildWithText(time, L"Cancel")));
      ASSERT_TRUE(ChooseCommand(v, "MI_About"));
      HWND about = WaitWindowOf(v.Pid(), L"TForm_About", 10000, true);
      ASSERT_NE(about, nullptr);
      ExpectTextsWhole(about, larger.lfMessageFont);
    }
    EXPECT_EQ(v.Close(), 0u);
  }
}

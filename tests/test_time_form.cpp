// The time record and its window, driven as a person uses them: through
// the program's start and end, the command menu's window, its buttons and
// check boxes, power notices, and the scripted clock.
#include "core/datetime.h"
#include "core/messages.h"
#include "forms/Fom_Time.h"
#include "tests/harness.h"

namespace vx::test {

namespace {

constexpr std::uintptr_t kSuspend = 4, kResume = 7;

std::int64_t At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  return MSecsFromParts(DateParts{y, mo, d, h, mi, s, ms});
}

class TimeRecord : public ::testing::Test {
 protected:
  // The clock reads `local` when the tick count is `tick`.
  void SetClock(std::int64_t local, std::uint64_t tick) {
    d.p.tick = tick;
    d.p.localTimeAtTickZero = local - static_cast<std::int64_t>(tick);
  }
  // The next run of the program in the same folder (the last one's
  // process, and so its mutex, has gone).
  int StartAgain() {
    d.system().mutexes.clear();
    return d.Start();
  }
  Handle Wnd() { return Form_Time->GetHandle(); }
  std::string Caption(const char* control) { return d.p.Control(Wnd(), control).control.caption; }
  bool Checked(const char* control) { return d.p.Control(Wnd(), control).checked; }
  bool Enabled(const char* control) { return d.p.Control(Wnd(), control).control.enabled; }
  Point Client() {
    const auto& w = *d.system().FindWindowRecord(Wnd());
    return Point{w.desc.width, w.desc.height};
  }
  void Click(const char* control) {
    ASSERT_TRUE(d.p.Click(Wnd(), control)) << control;
    d.Pump();
  }
  void ShowWindow() {
    Form_Main->MI_TimeClick(nullptr);
    d.Pump();
  }
  // The close box: a close request to the window.
  void CloseBox() {
    d.p.PostMessage(Wnd(), kWmClose, 0, 0);
    d.Pump();
  }
  void Power(std::uintptr_t event) {
    d.p.PostMessage(Form_Main->GetHandle(), kWmPowerBroadcast, event, 0);
    d.Pump();
  }
  std::string Log() { return ReadFile(d.dir / "Vorlex.log"); }
  std::string LastRow() {
    const std::string log = Log();
    return log.size() < 43 ? log : log.substr(log.size() - 43);
  }
  std::string Value(const std::string& key) {
    const std::string text = d.IniText();
    const std::size_t section = text.find("[Time]\r\n");
    if (section == std::string::npos) return "<none>";
    const std::size_t at = text.find("\r\n" + key + "=", section);
    if (at == std::string::npos) return "<none>";
    const std::size_t start = at + 3 + key.size();
    return text.substr(start, text.find("\r\n", start) - start);
  }
  Desktop d;
};

}  // namespace

TEST_F(TimeRecord, AFirstRunStoresItsStartOnceTheFileExistsThenItsEndInTheKeysOrder) {
  SetClock(At(2026, 12, 7, 9, 30, 0), 60'000);
  ASSERT_EQ(d.Start(), -1);
  EXPECT_EQ(Caption("Lbl_Last"), "--/--/-- --:--:--");
  EXPECT_EQ(Caption("Lbl_Start"), "26/12/07 09:30:00");
  EXPECT_EQ(Caption("Lbl_Since"), "00:00:00");
  EXPECT_FALSE(Checked("CB_LogFile") || Checked("CB_WinStart") || Checked("CB_Suspend"));
  EXPECT_NE(d.IniText().find("[Time]\r\nStart=26/12/07 09:30:00\r\n"), std::string::npos);
  // A run that ends 500 ms after a whole second stores the second.
  d.p.tick += 3'600'500;
  EXPECT_EQ(d.Close(), 0);
  const std::string text = d.IniText();
  EXPECT_EQ(text.substr(text.find("[Time]")),
            "[Time]\r\nStart=26/12/07 09:30:00\r\nLogFile=0\r\nWinStart=0\r\nSuspend=0\r\nLast=26/12/07 10:30:00\r\n");
  EXPECT_FALSE(std::filesystem::exists(d.dir / "Vorlex.log"));

  // The next start shows that end exactly as stored; the Start key is never read.
  std::string edited = d.IniText();
  edited.replace(edited.find("Start=26/12/07 09:30:00"), 23, "Start=01/01/01 01:01:01");
  d.WriteIni(edited);
  SetClock(At(2026, 12, 7, 11, 0, 0), 90'000);
  ASSERT_EQ(StartAgain(), -1);
  EXPECT_EQ(Caption("Lbl_Last"), "26/12/07 10:30:00");
  EXPECT_EQ(Caption("Lbl_Start"), "26/12/07 11:00:00");
  EXPECT_EQ(Value("Start"), "26/12/07 11:00:00");
  EXPECT_EQ(d.Close(), 0);
}

TEST_F(TimeRecord, StoredValuesReadAsTheWindowsRulesSay) {
  struct Case {
    const char* section;
    const char* last;
    bool log, win, suspend;
  };
  const Case cases[] = {
      {"LogFile=1\r\nWinStart=1\r\nSuspend=1\r\nLast=26/12/07 09:30:00\r\n", "26/12/07 09:30:00", true, false, true},
      {"LogFile=x\r\nWinStart=0x1\r\nLast=abc\r\n", "--/--/-- --:--:--", false, true, false},
      {"Last=\r\n", "--/--/-- --:--:--", false, false, false},
      {"Last=26/12/07\r\n", "26/12/07 00:00:00", false, false, false},
  };
  for (const Case& c : cases) {
    Desktop run;
    run.WriteIni(std::string(";Vorlex Initialize File\r\n[Time]\r\n") + c.section);
    ASSERT_EQ(run.Start(), -1);
    const Handle wnd = Form_Time->GetHandle();
    EXPECT_EQ(run.p.Control(wnd, "Lbl_Last").control.caption, c.last) << c.section;
    EXPECT_EQ(Form_Time->CB_LogFile->Checked(), c.log) << c.section;
    EXPECT_EQ(Form_Time->CB_WinStart->Checked(), c.win) << c.section;
    EXPECT_EQ(Form_Time->CB_Suspend->Checked(), c.suspend) << c.section;
    EXPECT_EQ(UseSuspendTime, c.suspend);
    // With both stored on, Suspend wins and WinStart is off and disabled.
    EXPECT_EQ(run.p.Control(wnd, "CB_WinStart").control.enabled, !c.suspend) << c.section;
    EXPECT_EQ(run.p.Control(wnd, "CB_Suspend").control.enabled, !c.win) << c.section;
    EXPECT_EQ(run.Close(), 0);
    if (c.suspend) {
      EXPECT_NE(run.IniText().find("WinStart=0\r\nSuspend=1\r\n"), std::string::npos);
    }
  }
}

TEST_F(TimeRecord, WinStartCountsFromTheSystemsStartAtOnceEvenBeforeOk) {
  SetClock(At(2026, 12, 7, 9, 30, 0), 3'723'000);  // Windows started 1 h 2 min 3 s ago
  ASSERT_EQ(d.Start(), -1);
  d.p.tick += 10'000;
  ShowWindow();
  Click("Btn_Option");
  Click("CB_WinStart");
  EXPECT_EQ(Caption("Lbl_Start"), "26/12/07 08:27:57");
  EXPECT_EQ(Caption("Lbl_Since"), "01:02:13");
  EXPECT_EQ(Value("Start"), "26/12/07 08:27:57");
  EXPECT_FALSE(Enabled("CB_Suspend"));
  EXPECT_EQ(Value("WinStart"), "<none>");  // not saved before OK
  Click("CB_WinStart");
  EXPECT_EQ(Caption("Lbl_Start"), "26/12/07 09:30:00");
  EXPECT_EQ(Caption("Lbl_Since"), "00:00:10");
  EXPECT_TRUE(Enabled("CB_Suspend"));
  EXPECT_EQ(d.Close(), 0);
}

TEST_F(TimeRecord, TheCheckBoxesExcludeEachOtherAndDefaultCancelAndTheCloseBoxDoWhatTheySay) {
  d.WriteIni(";Vorlex Initialize File\r\n[Time]\r\nLogFile=1\r\nWinStart=1\r\n");
  ASSERT_EQ(d.Start(), -1);
  ShowWindow();
  Click("Btn_Option");
  EXPECT_FALSE(d.p.Click(Wnd(), "CB_Suspend"));  // disabled while WinStart is on
  Click("Btn_Default");
  EXPECT_FALSE(Checked("CB_LogFile") || Checked("CB_WinStart") || Checked("CB_Suspend"));
  EXPECT_TRUE(Enabled("CB_Suspend") && Enabled("CB_WinStart"));
  Click("CB_Suspend");
  EXPECT_FALSE(Enabled("CB_WinStart"));
  EXPECT_FALSE(UseSuspendTime);  // not before a save
  Click("Btn_Cancel");
  EXPECT_FALSE(Form_Time->Visible());
  EXPECT_TRUE(Checked("CB_LogFile") && Checked("CB_WinStart") && !Checked("CB_Suspend"));
  EXPECT_TRUE(Enabled("CB_WinStart") && !Enabled("CB_Suspend"));

  // Default, then the close box: nothing is saved now, the cleared options
  // are at the end of the run.
  ShowWindow();
  Click("Btn_Option");
  Click("Btn_Default");
  CloseBox();
  EXPECT_FALSE(Form_Time->Visible());
  EXPECT_EQ(Value("LogFile"), "1");
  EXPECT_EQ(d.Close(), 0);
  EXPECT_EQ(Value("LogFile"), "0");
  EXPECT_EQ(Value("WinStart"), "0");
  EXPECT_FALSE(std::filesystem::exists(d.dir / "Vorlex.log"));
}

TEST_F(TimeRecord, OkStoresTheOptionsAndTheHeldPreviousEnd) {
  d.WriteIni(";Vorlex Initialize File\r\n[Time]\r\nLast=26/12/06 22:00:00\r\n");
  ASSERT_EQ(d.Start(), -1);
  ShowWindow();
  Click("Btn_Option");
  Click("CB_Suspend");
  Click("CB_LogFile");
  Click("Btn_OK");
  EXPECT_FALSE(Form_Time->Visible());
  EXPECT_TRUE(UseSuspendTime);
  EXPECT_EQ(Value("Suspend"), "1");
  EXPECT_EQ(Value("LogFile"), "1");
  EXPECT_EQ(Value("Last"), "26/12/06 22:00:00");
  EXPECT_EQ(d.Close(), 0);
}

TEST_F(TimeRecord, TheWindowOpensCollapsedCentredAndItsTimerRunsOnlyWhileItShows) {
  ASSERT_EQ(d.Start(), -1);
  d.p.RunClock(10'000);
  EXPECT_EQ(d.p.timerMessages, 0u);  // hidden: no timer at all
  EXPECT_TRUE(d.p.timers.empty());

  ShowWindow();
  EXPECT_TRUE(Form_Time->Visible());
  EXPECT_TRUE(d.system().FindWindowRecord(Wnd())->centred);
  EXPECT_EQ(Client().x, 321);
  EXPECT_EQ(Client().y, 113);
  EXPECT_FALSE(d.p.Showing(d.p.FindControl(Wnd(), "CB_LogFile")));
  d.p.RunClock(100);
  EXPECT_EQ(Caption("Lbl_Now"), "26/12/07 09:30:10");
  // Ten refreshes a second; the clock label follows each second.
  d.p.RunClock(1000);
  EXPECT_EQ(d.p.timerMessages, 11u);
  EXPECT_EQ(Caption("Lbl_Now"), "26/12/07 09:30:11");
  EXPECT_EQ(Caption("Lbl_Since"), "00:00:11");
  d.p.RunClock(800);
  EXPECT_EQ(Caption("Lbl_Now"), "26/12/07 09:30:11");

  Click("Btn_Option");
  EXPECT_EQ(Client().y, 185);
  EXPECT_TRUE(d.p.Showing(d.p.FindControl(Wnd(), "CB_LogFile")));
  EXPECT_EQ(d.p.Control(Wnd(), "Pnl_Option").control.bounds.top, 113);
  Click("Btn_Option");
  EXPECT_EQ(Client().y, 113);
  Click("Btn_Option");

  // The close box hides it; the timer stops at its next tick.
  CloseBox();
  d.p.RunClock(100);
  const std::uint64_t ticks = d.p.timerMessages;
  d.p.RunClock(10'000);
  EXPECT_EQ(d.p.timerMessages, ticks);
  EXPECT_TRUE(d.p.timers.empty());

  // Shown again: collapsed, the start label refreshed at once.
  ShowWindow();
  EXPECT_EQ(Client().y, 113);
  EXPECT_FALSE(d.p.Showing(d.p.FindControl(Wnd(), "CB_LogFile")));
  // A second show while visible only brings it forward.
  d.p.RunClock(100);
  ShowWindow();
  EXPECT_EQ(d.p.timers.size(), 1u);
  EXPECT_EQ(d.Close(), 0);
}

TEST_F(TimeRecord, LogRowsAreFortyOneBytesWithTheHeaderOnlyInANewFile) {
  d.WriteIni(";Vorlex Initialize File\r\n[Time]\r\nLogFile=1\r\n");
  SetClock(At(2026, 12, 7, 4, 18, 2), 5000);
  ASSERT_EQ(d.Start(), -1);
  SetClock(At(2026, 12, 7, 9, 30, 0, 400), 5000 + ((5 * 60 + 11) * 60 + 58) * 1000LL + 400);
  EXPECT_EQ(d.Close(), 0);
  const std::string header = SjisBytes("[Vorlex LogFile]\r\n日付     | 起動時刻 | 終了時刻 | 経過時間\r\n");
  EXPECT_EQ(Log(), header + "26/12/07 | 04:18:02 | 09:30:00 | 05:11:58\r\n");
  const std::string columns = SjisBytes(kLogColumns), row = "26/12/07 | 04:18:02 | 09:30:00 | 05:11:58";
  for (const std::string& line : {columns, row}) {
    EXPECT_EQ(line.size(), 41u);
    EXPECT_EQ(line[9], '|');
    EXPECT_EQ(line[20], '|');
    EXPECT_EQ(line[31], '|');
  }

  // A run of 25 h 0 min 5 s across midnight: the start's date, an end
  // smaller than the start, the hours beyond the whole day.
  SetClock(At(2026, 12, 7, 23, 0, 0), 10'000);
  ASSERT_EQ(StartAgain(), -1);
  d.p.tick += ((25 * 60 + 0) * 60 + 5) * 1000LL;
  EXPECT_EQ(d.Close(), 0);
  EXPECT_EQ(Log(),
            header + "26/12/07 | 04:18:02 | 09:30:00 | 05:11:58\r\n26/12/07 | 23:00:00 | 00:00:05 | 01:00:05\r\n");

  // A file that exists but lost its header gets rows only.
  WriteFile(d.dir / "Vorlex.log", "");
  ASSERT_EQ(StartAgain(), -1);
  EXPECT_EQ(d.Close(), 0);
  EXPECT_EQ(Log().size(), 43u);
}

TEST_F(TimeRecord, AReadOnlyLogIsReportedAndTheRunsEndIsStoredAllTheSame) {
  d.WriteIni(";Vorlex Initialize File\r\n[Time]\r\nLogFile=1\r\nLast=26/12/01 08:00:00\r\n");
  WriteFile(d.dir / "Vorlex.log", "kept\r\n");
  std::filesystem::permissions(d.dir / "Vorlex.log", std::filesystem::perms::owner_read);
  ASSERT_EQ(d.Start(), -1);
  d.p.tick += 61'000;
  EXPECT_EQ(d.Close(), 0);
  ASSERT_EQ(d.p.messageBoxes.size(), 1u);
  EXPECT_EQ(d.p.messageBoxes[0].text, "ファイルへのアクセスが拒否されました\r\n" + (d.dir / "Vorlex.log"));
  EXPECT_EQ(d.p.messageBoxes[0].kind, Platform::BoxKind::Error);
  EXPECT_EQ(Log(), "kept\r\n");
  EXPECT_EQ(Value("Last"), "26/12/07 09:31:01");
}

TEST_F(TimeRecord, SuspendAndResumeEndAndStartRunsOnlyWhenTheSavedOptionSaysSo) {
  d.WriteIni(";Vorlex Initialize File\r\n[Time]\r\nLogFile=1\r\n");
  ASSERT_EQ(d.Start(), -1);
  // Checked in the window but not saved: a suspend is no run's end.
  ShowWindow();
  Click("Btn_Option");
  Click("CB_Suspend");
  CloseBox();
  d.p.tick += 60'000;
  Power(kSuspend);
  Power(kResume);
  EXPECT_FALSE(std::filesystem::exists(d.dir / "Vorlex.log"));
  EXPECT_EQ(Value("Last"), "<none>");

  // Saved: the suspend ends the run (row and Last), the resume starts one.
  ShowWindow();
  Click("Btn_OK");
  d.p.tick += 60'000;
  Power(kSuspend);
  EXPECT_EQ(LastRow(), "26/12/07 | 09:30:00 | 09:32:00 | 00:02:00\r\n");
  EXPECT_EQ(Value("Last"), "26/12/07 09:32:00");
  d.p.localTimeAtTickZero += 3'600'000;  // an hour of standby, in which ticks stand still
  Power(kResume);
  EXPECT_EQ(Caption("Lbl_Last"), "26/12/07 09:32:00");
  EXPECT_EQ(Caption("Lbl_Start"), "26/12/07 10:32:00");
  d.p.tick += 5'000;
  EXPECT_EQ(d.Close(), 0);
  EXPECT_EQ(LastRow(), "26/12/07 | 10:32:00 | 10:32:05 | 00:00:05\r\n");
  const std::string log = Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 4);

  // The option off (saved): power notices change nothing.
  d.WriteIni(";Vorlex Initialize File\r\n[Time]\r\nLogFile=1\r\nSuspend=0\r\n");
  ASSERT_EQ(StartAgain(), -1);
  Power(kSuspend);
  EXPECT_EQ(Value("Last"), "<none>");
  EXPECT_EQ(d.Close(), 0);
}

TEST_F(TimeRecord, TicksDoNotWrapAfterFortyNineDays) {
  SetClock(At(2026, 12, 7, 9, 30, 0), (1ull << 32) - 1000);
  ASSERT_EQ(d.Start(), -1);
  d.p.tick += 4900;  // past 2^32 ms
  ShowWindow();
  d.p.RunClock(100);
  EXPECT_EQ(Caption("Lbl_Since"), "00:00:05");
  EXPECT_EQ(Caption("Lbl_Start"), "26/12/07 09:30:00");
  EXPECT_EQ(d.Close(), 0);
}

TEST_F(TimeRecord, AtTwiceTheDpiTheWindowIsTwiceAsLargeWithAFontMadeForIt) {
  d.system().dpi = 192;
  ASSERT_EQ(d.Start(), -1);
  ShowWindow();
  EXPECT_EQ(Client().x, 642);
  EXPECT_EQ(Client().y, 226);
  Click("Btn_Option");
  EXPECT_EQ(Client().y, 370);
  const auto& box = d.p.Control(Wnd(), "CB_Suspend").control;
  EXPECT_EQ((std::vector<int>{box.bounds.left, box.bounds.top, box.bounds.width, box.bounds.height}),
            (std::vector<int>{16, 96, 594, 34}));
  EXPECT_EQ(d.system().fonts.at(box.font), (std::pair<std::string, int>{"ＭＳ 明朝", 30}));
  EXPECT_EQ(d.Close(), 0);
}

}  // namespace vx::test

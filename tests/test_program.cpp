#include "core/messages.h"
#include "forms/Fom_Set.h"
#include "forms/Fom_Time.h"
#include "tests/harness.h"

namespace vx::test {

namespace {
// The entries of `trace` that start with one of `prefixes`, in order.
std::vector<std::string> Only(const std::vector<std::string>& trace, std::initializer_list<const char*> prefixes) {
  std::vector<std::string> out;
  for (const auto& t : trace)
    for (const char* prefix : prefixes)
      if (t.rfind(prefix, 0) == 0) out.push_back(t);
  return out;
}
using V = std::vector<std::string>;

const char kTwoItems[] =
    ";Vorlex Initialize File\r\n"
    "[Basic]\r\nCount=2\r\nLeftDoubleClickMenuNo=1\r\n"
    "[0]\r\nName=\"Editor\"\r\nHotKey=49217\r\nExe=\"notepad.exe\"\r\n"
    "[1]\r\nName=\"Shell\"\r\nHotKey=16450\r\nExe=\"cmd.exe\"\r\nPar=\"/k\"\r\n";
}  // namespace

TEST(Program, FirstStartCreatesTheFileAndTheWindowsInOrder) {
  Desktop d;
  ASSERT_EQ(d.Start(), -1);
  // The start of the run is stored once start-up has made the file.
  EXPECT_EQ(d.IniText(),
            ";Vorlex Initialize File\r\n[Head]\r\nName=\"Vorlex.exe\"\r\nVersion=\"1.22\"\r\n"
            "[Time]\r\nStart=26/12/07 09:30:00\r\n");
  EXPECT_EQ(Only(d.p.trace, {"create TForm", "create TApp"}),
            (V{"create TApplication", "create TForm_Main", "create TForm_Set", "create TForm_About",
               "create TForm_SetEtc", "create TForm_Time"}));
  EXPECT_EQ(d.p.GetExStyle(Application->GetHandle()) & kWsExToolWindow, kWsExToolWindow);
  EXPECT_EQ(Application->Title(), "Vorlex");
  EXPECT_EQ(Application->HelpFile, "Vorlex.hlp");
  EXPECT_FALSE(Application->ShowMainForm);
  EXPECT_FALSE(Form_Main->Visible());
  EXPECT_EQ(Form_Main->Caption(), "Tallowmere");
  EXPECT_EQ(HotKeyWnd, Form_Main->GetHandle());
  EXPECT_EQ(IniFileName.utf8, d.Ini());
  EXPECT_EQ(ExeFileName, "Vorlex.exe");
  // The tray icon shows the application's icon and title.
  ASSERT_EQ(d.system().trayIcons.size(), 1u);
  const NotifyIconData& icon = d.system().trayIcons.begin()->second;
  EXPECT_EQ(icon.szTip, "Vorlex");
  EXPECT_NE(icon.hIcon, 0u);
  EXPECT_EQ(d.Close(), 0);
  // An empty list saves no items; the run's end is stored.
  EXPECT_EQ(d.IniText(),
            ";Vorlex Initialize File\r\n[Head]\r\nName=\"Vorlex.exe\"\r\nVersion=\"1.22\"\r\n"
            "[Time]\r\nStart=26/12/07 09:30:00\r\nLogFile=0\r\nWinStart=0\r\nSuspend=0\r\nLast=26/12/07 09:30:00\r\n");
}

TEST(Program, ASecondCopyEndsAtOnceAndTouchesNothing) {
  Desktop first;
  first.WriteIni(kTwoItems);
  ASSERT_EQ(first.Start(), -1);
  const std::string before = first.IniText();
  const std::size_t windows = first.system().windows.size();
  const std::size_t hotkeys = first.system().hotkeys.size();

  HeadlessPlatform secondP(first.system(), first.p.exePath);
  VorlexProgram second(secondP);
  EXPECT_EQ(second.Start(), 0);
  EXPECT_EQ(Only(secondP.trace, {"create", "register", "tray", "write"}), V{});
  EXPECT_TRUE(secondP.messageBoxes.empty());
  EXPECT_EQ(first.system().windows.size(), windows);
  EXPECT_EQ(first.system().hotkeys.size(), hotkeys);
  EXPECT_EQ(first.IniText(), before);
  // The running copy came forward and is otherwise unaffected.
  EXPECT_EQ(first.system().foreground, Form_Main->GetHandle());
  EXPECT_FALSE(first.Pump());
  EXPECT_TRUE(first.p.messageBoxes.empty());
  EXPECT_EQ(first.Close(), 0);
}

TEST(Program, ACopyRunningElevatedCountsAsAnotherCopy) {
  // An elevated copy's mutex exists but may not be opened: CreateMutex gives
  // no handle and ERROR_ACCESS_DENIED. This copy must not start beside it.
  HeadlessSystem desktop;
  desktop.elevatedMutexes.insert(kMutexName);
  Desktop d(&desktop);
  EXPECT_EQ(d.Start(), 0);
  EXPECT_EQ(Only(d.p.trace, {"create", "register", "tray", "write"}), V{});
  EXPECT_TRUE(d.p.messageBoxes.empty());
  EXPECT_TRUE(AnotherCopyHoldsMutex(true, kErrorAlreadyExists));
  EXPECT_FALSE(AnotherCopyHoldsMutex(true, 0));
  EXPECT_FALSE(AnotherCopyHoldsMutex(false, 1450));  // any other failure: run unguarded
}

TEST(Program, ClosingSavesThenReleasesHotkeysThenRemovesTheIcon) {
  Desktop d;
  d.WriteIni(kTwoItems);
  ASSERT_EQ(d.Start(), -1);
  EXPECT_EQ(d.system().hotkeys.size(), 2u);
  ExeList->Items(1)->Name = "Renamed";
  d.p.trace.clear();
  EXPECT_EQ(d.Close(), 0);
  EXPECT_EQ(Only(d.p.trace, {"write", "unregister", "tray delete", "destroy TForm"}),
            (V{"write file", "write file", "destroy TForm_Time", "destroy TForm_SetEtc", "destroy TForm_About",
               "destroy TForm_Set", "write file", "unregister hotkey", "unregister hotkey", "tray delete",
               "destroy TForm_Main"}));
  EXPECT_NE(
      d.IniText().find("[1]\r\nName=\"Renamed\"\r\nHotKey=16450\r\nExe=\"cmd.exe\"\r\nPar=\"/k\"\r\nDir=\"\"\r\n"),
      std::string::npos);
  EXPECT_TRUE(d.system().atoms.empty());
  EXPECT_TRUE(d.system().hotkeys.empty());
  EXPECT_TRUE(d.system().trayIcons.empty());
  EXPECT_TRUE(d.p.liveIcons.empty());
  EXPECT_TRUE(d.p.liveBitmaps.empty());
  EXPECT_EQ(ExeList, nullptr);
  EXPECT_EQ(AtomName, "");
}

TEST(Program, TheHotkeyTextSwitchIsSavedByCloseButEndSessionSkipsFormClose) {
  for (bool endSession : {false, true}) {
    Desktop d;
    d.WriteIni(kTwoItems);
    ASSERT_EQ(d.Start(), -1);
    Form_Main->MI_ShortCutView->Checked = true;  // without a caption rebuild
    if (endSession) {
      EXPECT_EQ(d.p.SendMessage(Application->GetHandle(), kWmQueryEndSession, 0, 0), 1);
      d.p.SendMessage(Application->GetHandle(), kWmEndSession, 1, 0);
      EXPECT_EQ(d.p.exitCode, 0);
      EXPECT_TRUE(d.system().hotkeys.empty());
      EXPECT_TRUE(d.system().trayIcons.empty());
      d.program->Finish();
    } else {
      EXPECT_EQ(d.Close(), 0);
    }
    EXPECT_NE(d.IniText().find(endSession ? "ShortCutView=0" : "ShortCutView=1"), std::string::npos) << endSession;
  }
}

TEST(Program, AnEndSessionThatIsCancelledChangesNothing) {
  Desktop d;
  d.WriteIni(kTwoItems);
  ASSERT_EQ(d.Start(), -1);
  d.p.SendMessage(Application->GetHandle(), kWmEndSession, 0, 0);
  EXPECT_EQ(d.p.exitCode, -1);
  EXPECT_EQ(d.system().hotkeys.size(), 2u);
  EXPECT_EQ(d.Close(), 0);
}

TEST(Program, StartFailsWithExitCode1WhenTheFileCannotBeCreated) {
  Desktop d;
  std::filesystem::create_directory(d.Ini());
  EXPECT_EQ(d.Start(), 1);
  // The start-up's error, then the run's end that could not be stored.
  ASSERT_EQ(d.p.messageBoxes.size(), 2u);
  EXPECT_EQ(d.p.messageBoxes[0].text.rfind(d.Ini() + " を作成できません", 0), 0u);
  EXPECT_EQ(d.p.messageBoxes[1].text, d.Ini() + " に書き込めません");
  EXPECT_EQ(d.p.messageBoxes[0].caption, "Vorlex");
  EXPECT_TRUE(d.system().trayIcons.empty());
  EXPECT_EQ(Application, nullptr);
}

// A window, a form or a timer that the system refuses on the way to the
// message loop (a process out of its handles): the error is shown, the run
// ends with 1, and nothing of the start is left behind or written.
TEST(Program, AnErrorAnywhereInTheStartIsShownAndEndsWith1) {
  const std::vector<std::string> refused = {kApplicationClass, "TForm_Main", "TForm_Set",      "TForm_About",
                                            "TForm_SetEtc",    "TForm_Time", kTrayWindowClass, "timers"};
  for (const std::string& what : refused) {
    SCOPED_TRACE(what);
    Desktop d;
    d.WriteIni(kTwoItems);
    if (what == "timers") {
      d.p.refuseTimers = true;
      d.system().trayAddsRefused = 1;  // Explorer busy: the tray icon's retry needs a timer
    } else {
      d.p.refusedWindows.insert(what);
    }
    EXPECT_EQ(d.Start(), 1);
    ASSERT_FALSE(d.p.messageBoxes.empty());
    EXPECT_NE(d.p.messageBoxes[0].text.find("(1158)"), std::string::npos) << d.p.messageBoxes[0].text;
    EXPECT_EQ(d.p.messageBoxes[0].kind, Platform::BoxKind::Error);
    EXPECT_EQ(d.p.messageBoxes[0].caption, "Vorlex");
    EXPECT_EQ(Application, nullptr);
    EXPECT_TRUE(d.system().hotkeys.empty());
    EXPECT_TRUE(d.system().atoms.empty());
    EXPECT_TRUE(d.system().trayIcons.empty());
    EXPECT_TRUE(d.system().windows.empty());
    EXPECT_NE(d.IniText().find("[1]\r\nName=\"Shell\""), std::string::npos);
  }
}

TEST(Program, AFolderNameShiftJisLacksIsTheFolderItsFilesAreMadeIn) {
  Desktop d;
  // "Café Jürgen": the files go there, and a message shows what CP932 has.
  const std::string folder = d.dir / u8"Caf\u00E9 J\u00FCrgen";
  std::filesystem::create_directory(folder);
  d.p.exePath = folder + "/Vorlex.exe";
  std::filesystem::create_directory(folder + "/Vorlex.log");  // a folder where the log should be
  d.WriteIni("");                                             // beside the build folder's own: never touched
  WriteFile(folder + "/Vorlex.ini", ";Vorlex Initialize File\r\n[Time]\r\nLogFile=1\r\n");
  ASSERT_EQ(d.Start(), -1);
  EXPECT_NE(ReadFile(folder + "/Vorlex.ini").find("[Head]\r\nName=\"Vorlex.exe\""), std::string::npos);
  EXPECT_EQ(d.IniText(), "");
  EXPECT_EQ(d.Close(), 0);
  ASSERT_EQ(d.p.messageBoxes.size(), 1u);
  EXPECT_NE(d.p.messageBoxes[0].text.find(d.dir.path() + "/Café Jürgen/Vorlex.log"), std::string::npos)
      << d.p.messageBoxes[0].text;
}

TEST(Program, ARefusedSaveAtExitIsShownAndEverythingIsStillReleased) {
  Desktop d;
  d.WriteIni(kTwoItems);
  ASSERT_EQ(d.Start(), -1);
  std::filesystem::permissions(d.Ini(), std::filesystem::perms::owner_read);
  EXPECT_EQ(d.Close(), 0);
  // The time record's save and the items' save are both refused and shown.
  ASSERT_EQ(d.p.messageBoxes.size(), 2u);
  EXPECT_EQ(d.p.messageBoxes[0].text, d.Ini() + " に書き込めません");
  EXPECT_EQ(d.p.messageBoxes[1].text, d.Ini() + " に書き込めません");
  EXPECT_TRUE(d.system().hotkeys.empty());
  EXPECT_TRUE(d.system().atoms.empty());
  EXPECT_TRUE(d.system().trayIcons.empty());
}

TEST(Program, ASettingsFileHeldForAMomentAtExitIsWaitedFor) {
  // A virus scan holds the file without sharing for 800 ms as Vorlex ends:
  // nothing is shown and the run's end and the items are stored.
  Desktop d;
  d.WriteIni(kTwoItems);
  ASSERT_EQ(d.Start(), -1);
  d.p.posixFiles.held.insert(d.Ini());
  d.p.Schedule(800, [&] { d.p.posixFiles.held.clear(); });
  const std::uint64_t before = d.p.tick;
  EXPECT_EQ(d.Close(), 0);
  EXPECT_TRUE(d.p.messageBoxes.empty());
  EXPECT_GE(d.p.tick, before + 800);
  EXPECT_LT(d.p.tick, before + 800 + 2 * PatientFiles::kPauseMs);  // not a moment longer than needed
  const std::string text = d.IniText();
  EXPECT_NE(text.find("Last=26/12/07 09:30:0"), std::string::npos);
  EXPECT_NE(text.find("[1]\r\nName=\"Shell\"\r\nHotKey=16450\r\nExe=\"cmd.exe\"\r\nPar=\"/k\"\r\nDir=\"\"\r\n"),
            std::string::npos);
}

TEST(Program, ASettingsFileHeldForLongIsReportedAfterTwoSecondsAndKept) {
  Desktop d;
  d.WriteIni(kTwoItems);
  ASSERT_EQ(d.Start(), -1);
  const std::string kept = d.IniText();
  d.p.posixFiles.held.insert(d.Ini());
  const std::uint64_t before = d.p.tick;
  EXPECT_EQ(d.Close(), 0);
  ASSERT_EQ(d.p.messageBoxes.size(), 2u);
  EXPECT_EQ(d.p.messageBoxes[0].text.rfind(d.Ini() + " を読み込めません", 0), 0u);
  EXPECT_NE(d.p.messageBoxes[0].text.find("(32)"), std::string::npos);
  // Each of the two saves waited its two seconds, no more.
  EXPECT_GE(d.p.tick, before + 2 * PatientFiles::kPatienceMs);
  EXPECT_LE(d.p.tick, before + 2 * (PatientFiles::kPatienceMs + PatientFiles::kPauseMs));
  EXPECT_EQ(d.IniText(), kept);
  EXPECT_TRUE(d.system().trayIcons.empty());
}

TEST(Program, OnlyAHoldIsWaitedFor) {
  using Codes = std::initializer_list<std::uint32_t>;
  for (std::uint32_t code :
       Codes{kErrorSharingViolation, kErrorLockViolation, kErrorUnableToRemoveReplaced, kErrorUnableToMoveReplacement})
    EXPECT_TRUE(PatientFiles::Transient(code)) << code;
  for (std::uint32_t code : Codes{kErrorAccessDenied, 3, 112, 1177})
    EXPECT_FALSE(PatientFiles::Transient(code)) << code;
  // A replace refused while a scanner holds the old file for deletion is
  // waited for; one refused for a read-only file is not. An append waits
  // only for a file held when it opens: a failed write may have added part
  // of its row already.
  EXPECT_TRUE(PatientFiles::TransientReplace(SystemError("held", kErrorAccessDenied)));
  EXPECT_FALSE(PatientFiles::TransientReplace(ReadOnlyFile("read-only", kErrorAccessDenied)));
  EXPECT_FALSE(PatientFiles::TransientReplace(SystemError("gone", 1177)));
  EXPECT_TRUE(PatientFiles::TransientAppend(SystemError("held", kErrorSharingViolation)));
  EXPECT_FALSE(PatientFiles::TransientAppend(SystemError("locked", kErrorLockViolation)));
  // A refused write (read-only) is reported at once, not after a wait.
  Desktop d;
  d.WriteIni(kTwoItems);
  ASSERT_EQ(d.Start(), -1);
  std::filesystem::permissions(d.Ini(), std::filesystem::perms::owner_read);
  const std::uint64_t before = d.p.tick;
  EXPECT_EQ(d.Close(), 0);
  EXPECT_EQ(d.p.messageBoxes.size(), 2u);
  EXPECT_LT(d.p.tick, before + PatientFiles::kPauseMs);
}

TEST(Program, AHandWrittenFileKeepsEveryForeignByte) {
  Desktop d;
  const std::string hand =
      "; my launcher\r\n"
      "\r\n"
      "[Notes]\n"
      "  anything = goes \n"
      "[basic]\r\n"
      "   count   =   1   \r\n"
      "; keep me\r\n"
      "Mine=1\r\n"
      "\r\n"
      "[0]\r\n"
      "  name =  \"  Editor  \"  \r\n"
      "hotkey = $41\r\n"
      "exe=notepad.exe\r\n"
      "[Trailer]\r\n"
      "x=y";
  d.WriteIni(hand);
  ASSERT_EQ(d.Start(), -1);
  EXPECT_EQ(ExeList->Items(0)->Name, "  Editor  ");
  EXPECT_EQ(d.Close(), 0);
  EXPECT_EQ(d.IniText(),
            "; my launcher\r\n"
            "\r\n"
            "[Notes]\n"
            "  anything = goes \n"
            "[basic]\r\n"
            "Count=1\r\n"
            "; keep me\r\n"
            "Mine=1\r\n"
            "AtomName=\"Atom_Vorlex\"\r\n"
            "ShortCutView=0\r\n"
            "LeftDoubleClickMenuNo=-1\r\n"
            "RightDoubleClickMenuNo=-1\r\n"
            "VisibleMenuIcon=1\r\n"
            "\r\n"
            "[0]\r\n"
            "Name=\"  Editor  \"\r\n"
            "HotKey=65\r\n"
            "Exe=\"notepad.exe\"\r\n"
            "Par=\"\"\r\n"
            "Dir=\"\"\r\n"
            "[Trailer]\r\n"
            "x=y\r\n"
            "[Time]\r\n"
            "Start=26/12/07 09:30:00\r\n"
            "LogFile=0\r\nWinStart=0\r\nSuspend=0\r\n"
            "Last=26/12/07 09:30:00\r\n"
            "[Head]\r\n"
            "Name=\"Vorlex.exe\"\r\n"
            "Version=\"1.22\"\r\n"
            "[-1]\r\n"
            "Name=\"MenuHotKey\"\r\n"
            "HotKey=0\r\n"
            "Exe=\"\"\r\n"
            "Par=\"\"\r\n"
            "Dir=\"\"\r\n");
}

// The command line, carried by a second start to the running copy, or taken
// by a first start once it is up: each switch does what its command does;
// an unknown one or a missing item is told once.
TEST(Program, TheCommandLineDrivesTheRunningCopy) {
  Desktop first;
  PumpResult last = PumpResult::Idle;
  const struct {
    std::vector<std::string> args;
    std::function<bool()> done;
  } cases[] = {
      {{"/run", "Shell"}, [&] { return first.p.launches.size() == 2; }},
      {{"/menu"}, [] { return true; }},
      {{"/edit"}, [] { return Form_Set->Visible(); }},
      {{"/run", "0"}, [] { return true; }},
      {{"/run", "Missing"}, [] { return true; }},
      {{"/frobnicate"}, [] { return true; }},
      {{"-EXIT"}, [&] { return last == PumpResult::Quit; }},
  };
  first.WriteIni(kTwoItems);
  first.p.args = {"/run", "Editor"};  // a first start with a command
  ASSERT_EQ(first.Start(), -1);
  first.p.onPopup = [](const HeadlessPlatform::Popup&) { return -1; };
  first.p.PumpMessage(false);
  ASSERT_EQ(first.p.launches.size(), 1u);
  EXPECT_EQ(first.p.launches[0].file, "notepad.exe");
  for (const auto& c : cases) {
    HeadlessPlatform secondP(first.system(), first.p.exePath);
    secondP.args = c.args;
    VorlexProgram second(secondP);
    EXPECT_EQ(second.Start(), 0) << c.args[0];
    while ((last = first.p.PumpMessage(false)) == PumpResult::Dispatched) {
    }
    EXPECT_TRUE(c.done()) << c.args[0];
  }
  ASSERT_EQ(first.p.launches.size(), 3u);
  EXPECT_EQ(first.p.launches[1].file, "cmd.exe");
  EXPECT_EQ(first.p.launches[2].file, "notepad.exe");
  EXPECT_EQ(first.p.popups.size(), 1u);
  ASSERT_EQ(first.p.messageBoxes.size(), 2u);
  EXPECT_EQ(first.p.messageBoxes[0].text, Format(Tr(kMsgNoSuchItem), "Missing"));
  EXPECT_EQ(first.p.messageBoxes[1].text, Format(Tr(kMsgUnknownCommand), "/frobnicate"));
  EXPECT_EQ(first.Close(), 0);
}

}  // namespace vx::test

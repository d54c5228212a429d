// End-to-end tests of start-up, the single instance, idle and the end of the
// session.
#include "tests/e2e/e2e_fixture.h"

using namespace e2e;

TEST_F(E2E, FirstStartWritesTheHeaderAndACloseEndsWithZero) {
  Vorlex v(folder);
  const long long started = NowSeconds();
  StartReady(v);
  // The header, and the run's start once the file exists.
  EXPECT_EQ(WithoutTime(ReadBytes(Ini())), kHeader);
  EXPECT_EQ(ReadBytes(Ini()).find("[Time]\r\nStart="), std::string(kHeader).size());
  EXPECT_LE(std::llabs(Seconds(TimeValue(ReadBytes(Ini()), "Start")) - started), 2);
  EXPECT_EQ(WindowText(v.MainWindow()), L"Tallowmere");
  EXPECT_FALSE(IsWindowVisible(v.MainWindow()));
  // The application's window has no taskbar button.
  HWND app = FindWindowOf(v.Pid(), L"TApplication");
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(WindowText(app), L"Vorlex");
  EXPECT_TRUE(GetWindowLongW(app, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  for (const wchar_t* cls : {L"TForm_Set", L"TForm_About", L"TForm_SetEtc", L"TForm_Time"})
    EXPECT_NE(FindWindowOf(v.Pid(), cls), nullptr) << cls;
  PostMessageW(app, WM_CLOSE, 0, 0);
  EXPECT_EQ(v.WaitExit(), 0u);
  EXPECT_EQ(WithoutTime(ReadBytes(Ini())), kHeader);  // no items: none written
}

TEST_F(E2E, ASecondStartEndsWithZeroAndChangesNoFile) {
  WriteBytes(Ini(), Items(folder));
  Vorlex first(folder);
  StartReady(first);
  const std::string before = ReadBytes(Ini());
  Vorlex second(folder);
  ASSERT_TRUE(second.Start());
  EXPECT_EQ(second.WaitExit(), 0u);
  EXPECT_EQ(ReadBytes(Ini()), before);
  EXPECT_EQ(first.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_FALSE(HotKeyFree(kCtrlAlt, VK_F9));  // the first copy still holds its hotkey
  EXPECT_EQ(first.Close(), 0u);
}

TEST_F(E2E, WhileIdleItUsesNoProcessorTime) {
  Vorlex v(folder);
  StartWithItems(v);
  // No timer, no polling: it waits for messages (the menu icons that come
  // just after start-up aside, within the counter's grain).
  const ULONGLONG before = ProcessCpuMs(v.Pid()) + 20;
  EXPECT_TRUE(HoldsFor([&] { return ProcessCpuMs(v.Pid()) <= before + 20; }, 3000, 1000));
  EXPECT_EQ(v.Close(), 0u);
}

// A program that broadcasts a change and waits for every window's answer
// (an installer's WM_SETTINGCHANGE) is answered at once: every thread of
// Vorlex with a window handles messages while it waits, the job threads'
// apartments too. (Wine gives that apartment a window only when COM needs
// one, so under Wine this answers for the UI thread's windows; on Windows
// the apartment's window is among those asked.)
TEST_F(E2E, ABroadcastThatWaitsForEveryWindowIsAnsweredAtOnce) {
  Vorlex v(folder);
  StartWithItems(v);
  v.Tray(WM_LBUTTONDOWN);
  v.Tray(WM_LBUTTONUP);
  ASSERT_TRUE(v.CloseMenu());  // the icons were asked for before it opened
  const DWORD start = GetTickCount();
  DWORD_PTR answer = 0;
  EXPECT_TRUE(SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                                  SMTO_NORMAL, 5000, &answer));
  EXPECT_LT(GetTickCount() - start, 2000u);
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(E2E, TheEndOfTheSessionSavesAndEndsTheProgram) {
  Vorlex v(folder);
  StartWithItems(v);
  ASSERT_TRUE(EndSession(v));
  EXPECT_EQ(v.WaitExit(), 0u);
  EXPECT_NE(ReadBytes(Ini()).find("[Basic]\r\nCount=3\r\nLeftDoubleClickMenuNo=1\r\nRightDoubleClickMenuNo=2\r\n"
                                  "AtomName=\"Atom_Vorlex\"\r\nShortCutView=0\r\nVisibleMenuIcon=1\r\n"),
            std::string::npos);
  EXPECT_TRUE(HotKeyFree(kCtrlAlt, VK_F9));
}

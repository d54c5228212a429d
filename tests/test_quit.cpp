// The end of the run with work still out: a look-up that waits for a share
// while the save at the end fails and its box is read, one stuck for good,
// and a job that fails. Each ends cleanly and saves what it can.
#include <filesystem>

#include "core/Unit_All.h"
#include "forms/Fom_Set.h"
#include "tests/harness.h"

namespace vx::test {

namespace {

constexpr char kOnAShare[] =
    ";Vorlex Initialize File\r\n"
    "[Basic]\r\nCount=2\r\n"
    "[0]\r\nName=\"Tool\"\r\nHotKey=49217\r\nExe=\"\\\\server\\tools\\Tool.lnk\"\r\nActivate=1\r\n"
    "[1]\r\nName=\"Docs\"\r\nHotKey=49218\r\nExe=\"\\\\server\\docs\"\r\nSubmenu=1\r\n";

class Quit : public ::testing::Test {
 protected:
  Quit() {
    d.WriteIni(kOnAShare);
    d.system().shortcuts["\\\\server\\tools\\Tool.lnk"] = "\\\\server\\tools\\tool.exe";
    d.p.slowShares["\\\\server\\"] = 5000;
    EXPECT_EQ(d.Start(), -1);
  }
  Desktop d;
};

}  // namespace

// The editor asked aside about the program a field names, and the folder's
// hotkey listed its folder, when the session ended with the file read-only:
// while the person reads the boxes of the failed saves, the answers come,
// for forms that are gone. They find nothing freed.
TEST_F(Quit, AFailingSaveWhoseBoxIsReadWhileLookUpsAnswerEndsCleanly) {
  ASSERT_TRUE(d.system().PressHotKey(kModControl | kModAlt, 'B'));  // the folder's menu, listed aside
  Application->ProcessMessages();
  Form_Main->MI_SetClick(nullptr);
  Application->ProcessMessages();
  ASSERT_TRUE(d.p.Type(Form_Set->GetHandle(), "Edt_Exe", "\\\\server\\tools\\Other.lnk"));
  Application->ProcessMessages();
  std::filesystem::permissions(d.Ini(), std::filesystem::perms::owner_read);
  d.p.boxShownMs = 3000;  // the two boxes together outlast the share's 5 s
  EXPECT_EQ(d.p.SendMessage(Application->GetHandle(), kWmQueryEndSession, 0, 0), 1);
  d.p.SendMessage(Application->GetHandle(), kWmEndSession, 1, 0);
  EXPECT_EQ(d.p.exitCode, 0);
  EXPECT_GE(d.p.messageBoxes.size(), 1u);
  EXPECT_GE(d.p.tick, 5000u) << "the answers came while a box was up";
  d.program->Finish();
  d.program.reset();
}

// A start that looks up its program on a share that does not answer: the
// end of the run does not wait for it, and saves all the same.
TEST_F(Quit, ALookUpStuckOnAShareNeitherHoldsUpTheEndNorItsSave) {
  d.p.slowShares["\\\\server\\"] = 600000;
  const std::uint64_t start = d.p.tick;
  ASSERT_TRUE(d.system().PressHotKey(kModControl | kModAlt, 'A'));
  d.p.PumpMessage(false);
  ExeList->Items(1)->Name = "Documents";
  EXPECT_EQ(d.Close(), 0);
  EXPECT_LT(d.p.tick, start + PatientFiles::kPatienceMs);
  EXPECT_NE(d.IniText().find("Name=\"Documents\""), std::string::npos);
  EXPECT_TRUE(d.p.launches.empty());
}

// A job that fails tells the person as any handler's error does; the
// program goes on, and its next job is answered.
TEST_F(Quit, AJobThatFailsIsToldAndTheNextIsAnswered) {
  bool answered = false;
  d.p.RunAside(JobSpec(
      Lane::Check, "", [] { throw std::runtime_error("the share went away"); }, [] { ADD_FAILURE() << "no answer"; }));
  d.p.RunAside(JobSpec(
      Lane::Check, "", [] {}, [&] { answered = true; }));
  ASSERT_EQ(d.p.messageBoxes.size(), 1u);
  EXPECT_NE(d.p.messageBoxes[0].text.find("the share went away"), std::string::npos);
  EXPECT_TRUE(answered);
  EXPECT_EQ(d.Close(), 0);
}

}  // namespace vx::test

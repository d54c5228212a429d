// Starting with Windows: what the other settings' box shows for each form
// of the Run value, and what the editor's Ok and Cancel do to it.
#include "core/startup.h"
#include "forms/Fom_SetEtc.h"
#include "tests/editor_fixture.h"

namespace vx::test {

namespace {

class StartWithWindows : public Editor {
 protected:
  std::string Exe() { return d.p.ExePath().utf8; }
  std::map<std::string, std::string>& Run() { return d.system().runValues; }
  // Opens the editor: what the box shows.
  bool Shown() {
    Open();
    return Form_SetEtc->CB_StartWithWindows->Checked();
  }
  // Ticks or clears the box in the other settings, closes them, then Ok.
  void SetAndOk(bool on) {
    d.p.Schedule(10, [&, on] {
      const Handle etc = Form_SetEtc->GetHandle();
      if (d.p.Control(etc, "CB_StartWithWindows").checked != on) d.p.Click(etc, "CB_StartWithWindows");
      d.p.Click(etc, "Btn_Close");
    });
    Click("Btn_SetEtc");
    Click("Btn_Ok");
  }
};

}  // namespace

TEST(Startup, TheProgramOfACommandIsItsQuotedPartOrItsFirstWord) {
  EXPECT_EQ(CommandProgram("\"C:\\Program Files\\Vorlex\\Vorlex.exe\""), "C:\\Program Files\\Vorlex\\Vorlex.exe");
  EXPECT_EQ(CommandProgram("\"C:\\A B\\v.exe\" -min"), "C:\\A B\\v.exe");
  EXPECT_EQ(CommandProgram("C:\\Tools\\v.exe -min"), "C:\\Tools\\v.exe");
  EXPECT_EQ(CommandProgram("C:\\Program Files\\v.exe"), "C:\\Program");  // unquoted: another program
  EXPECT_EQ(CommandProgram("  "), "");
}

TEST_F(StartWithWindows, TheBoxIsTickedOnlyForThisVeryExeAndNotWhenDisabled) {
  Start(kThree);
  EXPECT_FALSE(Shown());
  Click("Btn_Cancel");
  Run()["Vorlex"] = "\"" + Exe() + "\"";
  EXPECT_TRUE(Shown());
  Click("Btn_Cancel");
  // The same file in other letter case is this exe; a copy elsewhere is not.
  Run()["Vorlex"] = "\"" + FoldCase(Exe()) + "\"";
  EXPECT_TRUE(Shown());
  Click("Btn_Cancel");
  Run()["Vorlex"] = "\"C:\\Old place\\Vorlex.exe\"";
  EXPECT_FALSE(Shown());
  Click("Btn_Cancel");
  // Disabled in Task Manager's Startup tab.
  Run()["Vorlex"] = "\"" + Exe() + "\"";
  d.system().disabledStartup.insert("Vorlex");
  EXPECT_FALSE(Shown());
  // Ticked again, it starts: the value is this exe, no longer disabled.
  SetAndOk(true);
  EXPECT_EQ(Run()["Vorlex"], "\"" + Exe() + "\"");
  EXPECT_FALSE(d.system().disabledStartup.count("Vorlex"));
}

TEST_F(StartWithWindows, OkWritesTheQuotedPathOrRemovesItAndCancelChangesNothing) {
  Start(kThree);
  EXPECT_FALSE(Shown());
  d.p.Schedule(10, [&] {
    const Handle etc = Form_SetEtc->GetHandle();
    d.p.Click(etc, "CB_StartWithWindows");
    d.p.Click(etc, "Btn_Close");
  });
  Click("Btn_SetEtc");
  Click("Btn_Cancel");
  EXPECT_TRUE(Run().empty());
  EXPECT_FALSE(Shown());
  SetAndOk(true);
  EXPECT_EQ(Run(), (std::map<std::string, std::string>{{"Vorlex", "\"" + Exe() + "\""}}));
  EXPECT_EQ(d.IniText().find(Exe()), std::string::npos) << "the settings file holds no switch";
  EXPECT_TRUE(Shown());
  SetAndOk(false);
  EXPECT_TRUE(Run().empty());
  // Another copy's value stays while the box is left as it showed.
  Run()["Vorlex"] = "\"C:\\Other\\Vorlex.exe\"";
  EXPECT_FALSE(Shown());
  Click("Btn_Ok");
  EXPECT_EQ(Run()["Vorlex"], "\"C:\\Other\\Vorlex.exe\"");
  // Ticked, this exe takes the value's place.
  EXPECT_FALSE(Shown());
  SetAndOk(true);
  EXPECT_EQ(Run()["Vorlex"], "\"" + Exe() + "\"");
}

TEST_F(StartWithWindows, ARefusedRegistryWriteIsReportedAndChangesNothingElse) {
  Start(kThree);
  d.system().refuseRegistry = 5;  // ERROR_ACCESS_DENIED
  EXPECT_FALSE(Shown());
  Type("Edt_Name", "renamed");
  SetAndOk(true);
  ASSERT_EQ(d.p.messageBoxes.size(), 1u);
  EXPECT_EQ(d.p.messageBoxes[0].text.rfind("RegSetValueExW (5)", 0), 0u) << d.p.messageBoxes[0].text;
  EXPECT_TRUE(Run().empty());
  EXPECT_NE(d.IniText().find("Name=\"renamed\""), std::string::npos);  // the items were saved all the same
  EXPECT_FALSE(Form_Set->Visible());
}

}  // namespace vx::test

// The settings file edited by another program while Vorlex runs: read as
// soon as it is whole, offered at the editor's Ok, never written over
// unread.
#include <string>

#include "app/Fom_Main.h"
#include "core/Unit_File.h"
#include "core/messages.h"
#include "tests/editor_fixture.h"

namespace vx::test {

namespace {

// kThree, with Language=en written under [Basic] and a fourth item added
// by hand, as a person does it in a text editor.
const std::string kByHand = std::string(kThree).replace(std::string(kThree).find("Count=3"), 7,
                                                        "Count=4\r\nLanguage=en") +
                            "[3]\r\nName=\"D\"\r\nHotKey=49220\r\nExe=\"d.exe\"\r\n";  // Ctrl+Alt+D

class SettingsWatch : public Editor {
 protected:
  // Another program writes the file; its folder's notice comes, and the
  // notices pause.
  void WrittenOutside(const std::string& text) {
    d.WriteIni(text);
    d.p.FolderChanged(FilePath(d.Ini()).Folder().utf8);
    d.p.RunClock(1000);
  }
};

}  // namespace

TEST_F(SettingsWatch, AnItemAndALanguageWrittenByHandShowAtOnceAndSurviveTheExit) {
  Start(kThree);
  WrittenOutside(kByHand);
  EXPECT_EQ(Names(), (V{"A", "B", "C", "D"}));
  EXPECT_EQ(Form_Main->PM_Left->Count(), 4);
  EXPECT_EQ(StartedBy(kModControl | kModAlt, 'D'), V{"d.exe"});
  EXPECT_TRUE(d.p.messageBoxes.empty());
  // Written as Vorlex ends, before any notice: the exit save leaves it.
  std::string last = kByHand;
  last.replace(last.find("Language=en"), 11, "Language=ja");
  d.WriteIni(last);
  d.Close();
  const std::string ini = d.IniText();
  EXPECT_NE(ini.find("Count=4\r\nLanguage=ja\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("[3]\r\nName=\"D\""), std::string::npos) << ini;
}

// A file saved in two steps is empty between them: it is read once whole.
// One that cannot be read is said once, and the running items stay.
TEST_F(SettingsWatch, AHalfWrittenFileIsReadWholeAndAnUnreadableOneIsSaidOnce) {
  Start(kThree);
  WrittenOutside("");
  EXPECT_EQ(Names(), (V{"A", "B", "C"}));
  WrittenOutside(kByHand);
  EXPECT_EQ(Names(), (V{"A", "B", "C", "D"}));

  d.p.posixFiles.held.insert(d.Ini());  // another program holds it, unshared
  for (int i = 0; i < 3; ++i) {
    d.p.FolderChanged(FilePath(d.Ini()).Folder().utf8);
    d.p.RunClock(4000);
  }
  EXPECT_EQ(d.p.messageBoxes.size(), 1u);
  EXPECT_EQ(Names(), (V{"A", "B", "C", "D"}));
  d.p.posixFiles.held.clear();
}

// A change made while the editor is open waits for its Ok, which asks:
// Yes saves the editor's items over it, No takes the file's.
TEST_F(SettingsWatch, AChangeWhileTheEditorIsOpenIsOfferedAtItsOk) {
  Start(kThree);
  for (bool keepMine : {true, false}) {
    SCOPED_TRACE(keepMine);
    Open();
    Select(1);
    Type("Edt_Name", keepMine ? "B2" : "B3");
    WrittenOutside(keepMine ? kByHand : kThree);
    EXPECT_EQ(ExeList->Count(), 3);  // not read under the editor
    d.p.onQuestion = [&](const HeadlessPlatform::Box& box) {
      EXPECT_EQ(box.text, Tr(kMsgChangedWhileEditing));
      return keepMine;
    };
    Click("Btn_Ok");
    EXPECT_EQ(Names(), keepMine ? (V{"A", "B2", "C"}) : (V{"A", "B", "C"}));
    EXPECT_NE(d.IniText().find(keepMine ? "Name=\"B2\"" : "Count=3"), std::string::npos);
  }
  EXPECT_EQ(d.p.messageBoxes.size(), 2u);
}

}  // namespace vx::test

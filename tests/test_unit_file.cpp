#include "core/Unit_File.h"

#include "tests/harness.h"

namespace vx::test {

using SettingsFile = CoreTest;

TEST_F(SettingsFile, HeaderOnAMissingFileThenDefaults) {
  WriteIniHeader();
  EXPECT_EQ(ReadFile(IniFileName), ";Vorlex Initialize File\r\n[Head]\r\nName=\"Vorlex.exe\"\r\nVersion=\"1.22\"\r\n");
  AtomName = "changed";
  LoadSettings();
  EXPECT_EQ(ExeList->Count(), 0);
  EXPECT_EQ(AtomName, "Atom_Vorlex");
  EXPECT_FALSE(ShortCutView);
  EXPECT_EQ(LeftDoubleClickMenuNo, -1);
  EXPECT_EQ(RightDoubleClickMenuNo, -1);
  EXPECT_TRUE(VisibleMenuIcon);
  EXPECT_EQ(MenuHotKeyItem.Name, "MenuHotKey");
  EXPECT_EQ(MenuHotKeyItem.HotKey, 0);
}

TEST_F(SettingsFile, HeaderKeepsAnExistingFirstLineAndFollowsTheExeName) {
  WriteFile(IniFileName, "; mine\r\n[Head]\r\nName=\"Old.exe\"\r\n");
  ExeFileName = "Renamed.exe";
  WriteIniHeader();
  EXPECT_EQ(ReadFile(IniFileName), "; mine\r\n[Head]\r\nName=\"Renamed.exe\"\r\nVersion=\"1.22\"\r\n");
}

TEST_F(SettingsFile, HeaderRaisesWhenTheFileCannotBeCreated) {
  std::filesystem::create_directory(IniFileName);  // a folder where the file should be
  try {
    WriteIniHeader();
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind(IniFileName + " を作成できません", 0), 0u) << e.what();
  }
}

TEST_F(SettingsFile, NoFileAtLoadLeavesTheSettingsAsTheyWere) {
  AddItem("old");
  AtomName = "Kept";
  LeftDoubleClickMenuNo = 4;
  LoadSettings();
  EXPECT_EQ(ExeList->Count(), 0);
  EXPECT_EQ(AtomName, "Kept");
  EXPECT_EQ(LeftDoubleClickMenuNo, 4);
}

TEST_F(SettingsFile, SaveThenLoadRoundTripsEveryField) {
  AddItem("  spaced name  ", 49217, "C:\\Program Files\\x.exe");
  TVorlexType* b = AddItem("二番目", 0x2000 | 0x74);
  b->Par = "\"C:\\my docs\\a.txt\"";
  b->Dir = "C:\\表";
  AddItem("-");
  AtomName = "Atom_Mine";
  ShortCutView = true;
  LeftDoubleClickMenuNo = 1;
  RightDoubleClickMenuNo = -1;
  VisibleMenuIcon = false;
  MenuHotKeyItem = TVorlexType{7, "Menu", 0x4000 | 0x4D, "e", "p", "d"};
  WriteFile(IniFileName, ";Vorlex Initialize File\r\n");
  SaveSettings();
  const std::string text = ReadFile(IniFileName);
  EXPECT_NE(text.find("[Basic]\r\nAtomName=\"Atom_Mine\"\r\nCount=3\r\nShortCutView=1\r\nLeftDoubleClickMenuNo=1\r\n"
                      "RightDoubleClickMenuNo=-1\r\nVisibleMenuIcon=0\r\n[-1]\r\nName=\"Menu\"\r\nHotKey=16461\r\n"
                      "Exe=\"e\"\r\nPar=\"p\"\r\nDir=\"d\"\r\n[0]\r\nName=\"  spaced name  \"\r\nHotKey=49217\r\n"),
            std::string::npos)
      << text;

  ExeList->Clear();
  FinalizeUnitAll();
  IniFileName = dir / "Vorlex.ini";
  LoadSettings();
  ASSERT_EQ(ExeList->Count(), 3);
  EXPECT_EQ(ExeList->Items(0)->Name, "  spaced name  ");
  EXPECT_EQ(ExeList->Items(0)->HotKey, 49217);
  EXPECT_EQ(ExeList->Items(0)->Exe, "C:\\Program Files\\x.exe");
  EXPECT_EQ(ExeList->Items(1)->Name, "二番目");
  EXPECT_EQ(ExeList->Items(1)->Par, "\"C:\\my docs\\a.txt\"");
  EXPECT_EQ(ExeList->Items(1)->Dir, "C:\\表");
  EXPECT_EQ(ExeList->Items(2)->Name, "-");
  EXPECT_EQ(AtomName, "Atom_Mine");
  EXPECT_TRUE(ShortCutView);
  EXPECT_EQ(LeftDoubleClickMenuNo, 1);
  EXPECT_FALSE(VisibleMenuIcon);
  EXPECT_EQ(MenuHotKeyItem.Name, "Menu");
  EXPECT_EQ(MenuHotKeyItem.HotKey, 0x4000 | 0x4D);
  EXPECT_EQ(MenuHotKeyItem.Atom, 0);  // atoms are never stored
  EXPECT_EQ(MenuHotKeyItem.Dir, "d");
}

TEST_F(SettingsFile, AnEmptyListSavesNothingSoTheLastItemsComeBack) {
  WriteFile(IniFileName, "[Basic]\r\nCount=1\r\n[0]\r\nName=\"kept\"\r\n");
  SaveSettings();
  EXPECT_EQ(ReadFile(IniFileName), "[Basic]\r\nCount=1\r\n[0]\r\nName=\"kept\"\r\n");
  LoadSettings();
  ASSERT_EQ(ExeList->Count(), 1);
  EXPECT_EQ(ExeList->Items(0)->Name, "kept");
}

TEST_F(SettingsFile, ShrinkingLeavesOldSectionsUnread) {
  for (int i = 0; i < 5; ++i) AddItem("item" + std::to_string(i));
  SaveSettings();
  ExeList->Delete(4);
  ExeList->Delete(3);
  SaveSettings();
  EXPECT_NE(ReadFile(IniFileName).find("[4]\r\nName=\"item4\""), std::string::npos);
  LoadSettings();
  EXPECT_EQ(ExeList->Count(), 3);
}

TEST_F(SettingsFile, DamagedValuesLoadAsDefaults) {
  WriteFile(IniFileName,
            "[Basic]\r\nCount=3\r\nShortCutView=7\r\nVisibleMenuIcon=yes\r\nLeftDoubleClickMenuNo=abc\r\n"
            "[-1]\r\nHotKey=70000\r\n"
            "[0]\r\nName=\"a\"\r\nHotKey=0x41\r\n"
            "[1]\r\nHotKey=$41\r\n"
            "[2]\r\nHotKey=letters\r\n");
  LoadSettings();
  ASSERT_EQ(ExeList->Count(), 3);
  EXPECT_EQ(ExeList->Items(0)->HotKey, 65);
  EXPECT_EQ(ExeList->Items(1)->HotKey, 65);
  EXPECT_EQ(ExeList->Items(1)->Name, "");
  EXPECT_EQ(ExeList->Items(2)->HotKey, 0);
  EXPECT_TRUE(ShortCutView);
  EXPECT_TRUE(VisibleMenuIcon);
  EXPECT_EQ(LeftDoubleClickMenuNo, -1);
  // A hotkey outside 0..65535 does not fit: no hotkey, and the load goes on.
  EXPECT_EQ(MenuHotKeyItem.HotKey, 0);
  EXPECT_EQ(MenuHotKeyItem.Name, "MenuHotKey");

  WriteFile(IniFileName, "[Basic]\r\nCount=-3\r\nVisibleMenuIcon=0\r\n[0]\r\nName=\"x\"\r\n[-1]\r\nHotKey=-1\r\n");
  LoadSettings();
  EXPECT_EQ(ExeList->Count(), 0);
  EXPECT_FALSE(VisibleMenuIcon);
  EXPECT_EQ(MenuHotKeyItem.HotKey, 0);
}

TEST_F(SettingsFile, AHostileCountIsBounded) {
  WriteFile(IniFileName, "[Basic]\r\nCount=2147483647\r\n[0]\r\nName=\"first\"\r\n");
  LoadSettings();
  EXPECT_EQ(ExeList->Count(), kMaxItems);
  EXPECT_EQ(ExeList->Items(0)->Name, "first");
}

TEST_F(SettingsFile, ARefusedSaveRaisesTheErrorAndKeepsTheFile) {
  WriteFile(IniFileName, "[Basic]\r\nCount=0\r\n");
  std::filesystem::permissions(IniFileName, std::filesystem::perms::owner_read);
  AddItem("x");
  try {
    SaveSettings();
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), IniFileName + " に書き込めません");
  }
  EXPECT_EQ(ReadFile(IniFileName), "[Basic]\r\nCount=0\r\n");
}

}  // namespace vx::test

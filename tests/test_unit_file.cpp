#include "core/Unit_File.h"

#include <sys/stat.h>

#include "core/Unit_All.h"
#include "core/profile.h"

#include "tests/harness.h"

namespace vx::test {

using SettingsFile = CoreTest;

TEST_F(SettingsFile, HeaderOnAMissingFileThenDefaults) {
  WriteIniHeader();
  EXPECT_EQ(ReadFile(IniFileName.utf8),
            ";Vorlex Initialize File\r\n[Head]\r\nName=\"Vorlex.exe\"\r\nVersion=\"1.22\"\r\n");
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
  WriteFile(IniFileName.utf8, "; mine\r\n[Head]\r\nName=\"Old.exe\"\r\n");
  ExeFileName = "Renamed.exe";
  WriteIniHeader();
  EXPECT_EQ(ReadFile(IniFileName.utf8), "; mine\r\n[Head]\r\nName=\"Renamed.exe\"\r\nVersion=\"1.22\"\r\n");
}

TEST_F(SettingsFile, HeaderRaisesWhenTheFileCannotBeCreated) {
  std::filesystem::create_directory(IniFileName.utf8);  // a folder where the file should be
  try {
    WriteIniHeader();
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind(IniFileName.utf8 + " を作成できません", 0), 0u) << e.what();
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
  MenuHotKeyItem = TVorlexType{};
  MenuHotKeyItem.Atom = 7;
  MenuHotKeyItem.Name = "Menu";
  MenuHotKeyItem.HotKey = 0x4000 | 0x4D;
  MenuHotKeyItem.Exe = "e";
  MenuHotKeyItem.Par = "p";
  MenuHotKeyItem.Dir = "d";
  WriteFile(IniFileName.utf8, ";Vorlex Initialize File\r\n");
  SaveSettings();
  const std::string text = ReadFile(IniFileName.utf8);
  EXPECT_NE(text.find("[Basic]\r\nAtomName=\"Atom_Mine\"\r\nCount=3\r\nShortCutView=1\r\nLeftDoubleClickMenuNo=1\r\n"
                      "RightDoubleClickMenuNo=-1\r\nVisibleMenuIcon=0\r\n[-1]\r\nName=\"Menu\"\r\nHotKey=16461\r\n"
                      "Exe=\"e\"\r\nPar=\"p\"\r\nDir=\"d\"\r\n[0]\r\nName=\"  spaced name  \"\r\nHotKey=49217\r\n"),
            std::string::npos)
      << text;

  ExeList->Clear();
  FinalizeUnitAll();
  IniFileName = FilePath(dir / "Vorlex.ini");
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

TEST_F(SettingsFile, EveryFieldOfTheTableIsStoredComparedAndEmptied) {
  // Each field in turn differs from a blank item: the comparison sees it,
  // a save and a load keep it, and Empty clears it.
  for (const TItemField& f : kItemFields) {
    TVorlexType item;
    if (f.text)
      item.*f.text = "value of " + std::string(f.key);
    else if (f.option)
      item.*f.option = static_cast<std::uint8_t>(f.values - 1);
    else
      item.HotKey = scCtrl | 'Q';
    EXPECT_NE(item, TVorlexType{}) << f.key;
    ExeList->Clear();
    *ExeList->Add() = item;
    SaveSettings();
    ExeList->Clear();
    LoadSettings();
    ASSERT_EQ(ExeList->Count(), 1) << f.key;
    EXPECT_EQ(*ExeList->Items(0), item) << f.key;
    item.Empty();
    EXPECT_EQ(item, TVorlexType{}) << f.key;
  }
  EXPECT_THROW(ItemField("Nonsense"), std::logic_error);
}

TEST_F(SettingsFile, OptionsTheWindowsKeyAndAnIconAreStoredOnlyWhenSetAndRemovedWhenCleared) {
  const std::string plain =
      ";Vorlex Initialize File\r\n[Basic]\r\nCount=2\r\n[0]\r\nName=\"A\"\r\nHotKey=0\r\nExe=\"a.exe\"\r\n"
      "Par=\"\"\r\nDir=\"\"\r\nMine=kept\r\n[1]\r\nName=\"B\"\r\nHotKey=0\r\nExe=\"b.exe\"\r\nPar=\"\"\r\n"
      "Dir=\"\"\r\n";
  WriteFile(IniFileName.utf8, plain);
  LoadSettings();
  ASSERT_EQ(ExeList->Count(), 2);
  SaveSettings();
  // Items without options: what an untouched save writes, byte for byte.
  const std::string untouched = ReadFile(IniFileName.utf8);
  TVorlexType* a = ExeList->Items(0);
  a->Activate = 1;
  a->RunAs = 1;
  a->Show = smMaximized;
  a->HotKey = scCtrl | 0x78;
  a->Win = 1;
  ExeList->Items(1)->Show = smMinimized;
  ExeList->Items(1)->Submenu = 1;
  ExeList->Items(1)->Icon = "icons\\b.ico,2";
  SaveSettings();
  const std::string set = ReadFile(IniFileName.utf8);
  EXPECT_NE(set.find("HotKey=16504\r\nExe=\"a.exe\"\r\nPar=\"\"\r\nDir=\"\"\r\nMine=kept\r\nWin=1\r\nActivate=1\r\n"
                     "RunAs=1\r\nShow=2\r\n[1]"),
            std::string::npos)
      << set;
  EXPECT_NE(set.find("[1]\r\nName=\"B\"\r\nHotKey=0\r\nExe=\"b.exe\"\r\nPar=\"\"\r\nDir=\"\"\r\nShow=1\r\nSubmenu=1\r\n"
                     "Icon=\"icons\\b.ico,2\"\r\n"),
            std::string::npos)
      << set;
  ExeList->Clear();
  LoadSettings();
  EXPECT_EQ(ExeList->Items(0)->Activate, 1);
  EXPECT_EQ(ExeList->Items(0)->RunAs, 1);
  EXPECT_EQ(ExeList->Items(0)->Show, smMaximized);
  EXPECT_EQ(ExeList->Items(1)->Show, smMinimized);
  EXPECT_EQ(ExeList->Items(1)->Activate, 0);
  EXPECT_EQ(ExeList->Items(0)->Win, 1);
  EXPECT_EQ(ExeList->Items(1)->Icon, "icons\\b.ico,2");
  // Cleared again: the keys go, and the file is what it was.
  ExeList->Items(0)->Empty();
  ExeList->Items(0)->Name = "A";
  ExeList->Items(0)->Exe = "a.exe";
  ExeList->Items(1)->Show = smNormal;
  ExeList->Items(1)->Submenu = 0;
  ExeList->Items(1)->Icon.clear();
  SaveSettings();
  EXPECT_EQ(ReadFile(IniFileName.utf8), untouched);
}

TEST_F(SettingsFile, DamagedValuesLoadAsDefaults) {
  WriteFile(IniFileName.utf8,
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

  WriteFile(IniFileName.utf8, "[Basic]\r\nCount=-3\r\nVisibleMenuIcon=0\r\n[0]\r\nName=\"x\"\r\n[-1]\r\nHotKey=-1\r\n");
  LoadSettings();
  EXPECT_EQ(ExeList->Count(), 0);
  EXPECT_FALSE(VisibleMenuIcon);
  EXPECT_EQ(MenuHotKeyItem.HotKey, 0);
  // An option value it does not know loads as the default.
  WriteFile(IniFileName.utf8,
            "[Basic]\r\nCount=4\r\n[0]\r\nShow=3\r\nRunAs=-1\r\n[1]\r\nShow=x\r\nActivate=2\r\n"
            "[2]\r\nShow=\" 2\"\r\nActivate=0x1\r\n[3]\r\nShow=1\r\nShow=2\r\n");
  LoadSettings();
  ASSERT_EQ(ExeList->Count(), 4);
  EXPECT_EQ(ExeList->Items(0)->Show, 0);
  EXPECT_EQ(ExeList->Items(0)->RunAs, 0);
  EXPECT_EQ(ExeList->Items(1)->Show, 0);
  EXPECT_EQ(ExeList->Items(1)->Activate, 0);
  EXPECT_EQ(ExeList->Items(2)->Show, smMaximized);  // a number as the file's other numbers read
  EXPECT_EQ(ExeList->Items(2)->Activate, 1);
  EXPECT_EQ(ExeList->Items(3)->Show, smMinimized);  // the first of duplicates
  // Saved at the default, an unknown value goes, and the duplicate behind
  // a removed key answers, as the profile functions leave it.
  SaveSettings();
  ExeList->Clear();
  LoadSettings();
  EXPECT_EQ(ExeList->Items(3)->Show, smMinimized);
  EXPECT_EQ(ReadFile(IniFileName.utf8).find("Show=3"), std::string::npos);
}

TEST_F(SettingsFile, AnEmptyListSavesNothingSoTheLastItemsComeBack) {
  WriteFile(IniFileName.utf8, "[Basic]\r\nCount=1\r\n[0]\r\nName=\"kept\"\r\n");
  SaveSettings();
  EXPECT_EQ(ReadFile(IniFileName.utf8), "[Basic]\r\nCount=1\r\n[0]\r\nName=\"kept\"\r\n");
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
  EXPECT_NE(ReadFile(IniFileName.utf8).find("[4]\r\nName=\"item4\""), std::string::npos);
  LoadSettings();
  EXPECT_EQ(ExeList->Count(), 3);
}

TEST_F(SettingsFile, ACountAboveTheLimitLoadsTheLimitAndSaysSoOnce) {
  WriteFile(IniFileName.utf8, "[Basic]\r\nCount=2147483647\r\n[0]\r\nName=\"first\"\r\n[10000]\r\nName=\"beyond\"\r\n");
  LoadSettings();
  EXPECT_EQ(ExeList->Count(), kMaxItems);
  EXPECT_EQ(ExeList->Items(0)->Name, "first");
  ASSERT_EQ(p.messageBoxes.size(), 1u);
  const std::string& text = p.messageBoxes[0].text;
  EXPECT_EQ(text.rfind(IniFileName.utf8 + " の項目数 (Count=2147483647) が上限を超えています。\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("10000"), std::string::npos);
  EXPECT_EQ(p.messageBoxes[0].kind, Platform::BoxKind::Plain);
  // The items beyond the limit stay in the file through a save.
  SaveSettings();
  EXPECT_NE(ReadFile(IniFileName.utf8).find("[10000]\r\nName=\"beyond\"\r\n"), std::string::npos);
  ClearExeList();
  WriteFile(IniFileName.utf8, "[Basic]\r\nCount=10000\r\n");
  LoadSettings();
  EXPECT_EQ(p.messageBoxes.size(), 1u);  // exactly at the limit: nothing to say
  EXPECT_EQ(ExeList->Count(), kMaxItems);
  WriteFile(IniFileName.utf8, "[Basic]\r\nCount=10001\r\n");
  LoadSettings();
  EXPECT_EQ(p.messageBoxes.size(), 2u);  // one past it: said
  EXPECT_EQ(ExeList->Count(), kMaxItems);
}

// A settings file that exists but cannot be read is an error at the first
// routine that opens it, and nothing is written over it.
TEST_F(SettingsFile, AnUnreadableFileIsAnErrorAndKeepsEveryByte) {
  const std::string text = "[Basic]\r\nCount=1\r\n[0]\r\nName=\"mine\"\r\n";
  WriteFile(IniFileName.utf8, text);
  p.posixFiles.faultHook = [](PosixFiles::Call call, const std::string&) {
    if (call == PosixFiles::Call::ReadFile) throw SystemError("read: Input/output error (5)", 5);
  };
  AddItem("x");
  for (auto routine : {&WriteIniHeader, &LoadSettings}) {
    try {
      routine();
      FAIL() << "an unreadable file was taken as read";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), IniFileName.utf8 + " を読み込めません\r\nread: Input/output error (5)");
    }
  }
  // The items in memory are not given up for a file that could not be read.
  ASSERT_EQ(ExeList->Count(), 1);
  EXPECT_EQ(ExeList->Items(0)->Name, "x");
  EXPECT_THROW(SaveSettings(), std::runtime_error);
  p.posixFiles.faultHook = nullptr;
  EXPECT_EQ(ReadFile(IniFileName.utf8), text);
  EXPECT_FALSE(std::filesystem::exists(IniFileName.utf8 + ".vxtmp"));
}

TEST_F(SettingsFile, AFileBeyondTheLargestSizeIsAnErrorAndKeepsEveryByte) {
  std::string text = "[Basic]\r\nCount=1\r\n";
  text.resize(ProfileFile::kMaxFileSize + 1, ';');
  WriteFile(IniFileName.utf8, text);
  try {
    WriteIniHeader();
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), IniFileName.utf8 + " は大きすぎます (設定ファイルは 64 MiB までです)");
  }
  EXPECT_EQ(std::filesystem::file_size(IniFileName.utf8), text.size());
}

// A flush replaces the file's bytes, not what the file is: a symbolic link
// still points where it did, and the file keeps its access rights.
TEST_F(SettingsFile, AFlushKeepsTheLinkAndTheModeOfTheFile) {
  std::filesystem::create_directory(dir / "elsewhere");
  const std::string target = dir / "elsewhere/real.ini";
  WriteFile(target, "; kept\r\n");
  ::chmod(target.c_str(), 0640);
  std::filesystem::create_symlink("elsewhere/real.ini", IniFileName.utf8);
  AddItem("linked");
  WriteIniHeader();
  SaveSettings();
  EXPECT_TRUE(std::filesystem::is_symlink(IniFileName.utf8));
  EXPECT_EQ(std::filesystem::read_symlink(IniFileName.utf8), "elsewhere/real.ini");
  EXPECT_NE(ReadFile(target).find("Name=\"linked\""), std::string::npos);
  EXPECT_EQ(ReadFile(target).rfind("; kept\r\n", 0), 0u);
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_FALSE(std::filesystem::exists(target + ".vxtmp"));

  // A link whose target does not exist yet: the target is created.
  std::filesystem::remove(IniFileName.utf8);
  std::filesystem::create_symlink("elsewhere/new.ini", IniFileName.utf8);
  WriteIniHeader();
  EXPECT_TRUE(std::filesystem::is_symlink(IniFileName.utf8));
  EXPECT_EQ(ReadFile(dir / "elsewhere/new.ini").rfind(";Vorlex Initialize File\r\n", 0), 0u);
}

TEST_F(SettingsFile, ARefusedSaveRaisesTheErrorAndKeepsTheFile) {
  WriteFile(IniFileName.utf8, "[Basic]\r\nCount=0\r\n");
  std::filesystem::permissions(IniFileName.utf8, std::filesystem::perms::owner_read);
  AddItem("x");
  try {
    SaveSettings();
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), IniFileName.utf8 + " に書き込めません");
  }
  EXPECT_EQ(ReadFile(IniFileName.utf8), "[Basic]\r\nCount=0\r\n");
}

}  // namespace vx::test

namespace vx::test {

// Windows' code page 932 decodes some characters from two codes; files of
// older Japanese programs hold the second. Each shows and starts as the
// character, and goes back as the same bytes while it is unchanged.
TEST_F(SettingsFile, DuplicateCodesShowAsTheirCharactersAndStayTheFilesBytes) {
  struct Duplicate {
    const char *code, *character;
  };
  for (const Duplicate& d : std::vector<Duplicate>{{"\x87\x90", "\xE2\x89\x92"},   // ≒ (0x81E0)
                                                   {"\xEE\xE0", "\xE9\xAB\x99"},   // 髙 (0xFBFC)
                                                   {"\xEE\xEF", "\xE2\x85\xB0"}})  // ⅰ (0xFA40)
  {
    SCOPED_TRACE(d.character);
    const std::string file = std::string(";Vorlex Initialize File\r\n[Basic]\r\nCount=1\r\n[0]\r\nName=\"a") + d.code +
                             "\"\r\nExe=\"C:\\" + d.code + "\\x.exe\"\r\n";
    WriteFile(IniFileName.utf8, file);
    LoadSettings();
    ASSERT_EQ(ExeList->Count(), 1);
    EXPECT_EQ(ExeList->Items(0)->Name, std::string("a") + d.character);
    EXPECT_EQ(ExeList->Items(0)->Exe, std::string("C:\\") + d.character + "\\x.exe");
    ExecItem(0);
    ASSERT_FALSE(p.launches.empty());
    EXPECT_EQ(p.launches.back().file, std::string("C:\\") + d.character + "\\x.exe");
    SaveSettings();
    const std::string saved = ReadFile(IniFileName.utf8);
    EXPECT_NE(saved.find(std::string("Name=\"a") + d.code + "\""), std::string::npos);
    EXPECT_NE(saved.find(std::string("Exe=\"C:\\") + d.code + "\\x.exe\""), std::string::npos);
    // Changed, the name is written as the code page writes it.
    ExeList->Items(0)->Name = std::string("b") + d.character;
    SaveSettings();
    EXPECT_NE(ReadFile(IniFileName.utf8).find("Name=\"b" + SjisBytes(d.character) + "\""), std::string::npos);
  }
}

// A value is seen through a buffer of 2047 Shift-JIS bytes; a double-byte
// code the file holds escaped (a duplicate, or one the code page lacks) is
// never cut in two.
TEST_F(SettingsFile, TheValueBufferNeverCutsADoubleByteCode) {
  const std::string a(2046, 'a');
  for (const char* code : {"\x87\x90", "\x85\x40"}) {
    WriteFile(IniFileName.utf8, std::string("[s]\r\nk=") + a + code + "\r\n");
    ProfileFile ini(p.files(), IniFileName, p.codePage());
    EXPECT_EQ(ini.ReadString("s", "k", ""), a);
  }
  WriteFile(IniFileName.utf8, std::string("[s]\r\nk=") + a.substr(1) + "\x87\x90\r\n");
  ProfileFile ini(p.files(), IniFileName, p.codePage());
  EXPECT_EQ(ini.ReadString("s", "k", ""), a.substr(1) + "\xE2\x89\x92");
}

}  // namespace vx::test

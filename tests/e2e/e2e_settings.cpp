// End-to-end tests of the settings file: foreign bytes kept, files that
// cannot be made, read or written, hidden and oversized files.
#include "tests/e2e/e2e_fixture.h"

using namespace e2e;

TEST_F(E2E, ACloseSavesTheItemsAndKeepsEveryForeignByte) {
  const std::string hand =
      "; my own launcher file\r\n\r\n[Notes]\n  anything = goes \n"
      "[basic]\r\n  count = 1 \r\n; keep\r\n[0]\r\n name = \"  Spaced  \" \r\nhotkey=$41\r\n[Tail]\r\nx=y";
  WriteBytes(Ini(), hand);
  Vorlex v(folder);
  StartReady(v);
  EXPECT_EQ(v.Close(), 0u);
  EXPECT_EQ(WithoutTime(ReadBytes(Ini())),
            "; my own launcher file\r\n\r\n[Notes]\n  anything = goes \n"
            "[basic]\r\nCount=1\r\nAtomName=\"Atom_Vorlex\"\r\nShortCutView=0\r\nLeftDoubleClickMenuNo=-1\r\n"
            "RightDoubleClickMenuNo=-1\r\nVisibleMenuIcon=1\r\n; keep\r\n"
            "[0]\r\nName=\"  Spaced  \"\r\nHotKey=65\r\nExe=\"\"\r\nPar=\"\"\r\nDir=\"\"\r\n"
            "[Tail]\r\nx=y\r\n"
            "[Head]\r\nName=\"Vorlex.exe\"\r\nVersion=\"1.22\"\r\n"
            "[-1]\r\nName=\"MenuHotKey\"\r\nHotKey=0\r\nExe=\"\"\r\nPar=\"\"\r\nDir=\"\"\r\n");
}

TEST_F(E2E, ASettingsFileThatCannotBeCreatedEndsWithTheErrorAndCode1) {
  ASSERT_TRUE(CreateDirectoryW(Ini().c_str(), nullptr));  // a folder where the file should be
  Vorlex v(folder);
  ASSERT_TRUE(v.Start());
  const auto [caption, text] = v.TakeMessageBox();
  EXPECT_EQ(caption, L"Vorlex");
  EXPECT_EQ(text.rfind(Ini() + L" を作成できません", 0), 0u) << Cp932(text);
  // Then the run's end, which cannot be stored either.
  EXPECT_EQ(v.TakeMessageBoxesUntilExit(), std::vector<std::wstring>{Ini() + L" に書き込めません"});
  EXPECT_EQ(v.WaitExit(), 1u);
}

TEST_F(E2E, AReadOnlySettingsFileAtExitIsReportedAndNothingIsLost) {
  Vorlex v(folder);
  StartWithItems(v);
  const std::string before = ReadBytes(Ini());
  SetFileAttributesW(Ini().c_str(), FILE_ATTRIBUTE_READONLY);
  PostMessageW(v.MainWindow(), WM_CLOSE, 0, 0);
  // The time record's save and the items' save, each refused and shown.
  EXPECT_EQ(v.TakeMessageBoxesUntilExit(),
            (std::vector<std::wstring>{Ini() + L" に書き込めません", Ini() + L" に書き込めません"}));
  EXPECT_EQ(v.WaitExit(), 0u);
  SetFileAttributesW(Ini().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(Ini()), before);
  EXPECT_TRUE(HotKeyFree(kCtrlAlt, VK_F9));  // released all the same
}

// A settings file that another program holds open, sharing it for deletion
// only, cannot be read: the start says so and writes nothing.
TEST_F(E2E, ASettingsFileThatCannotBeReadIsReportedAndKeepsEveryByte) {
  WriteBytes(Ini(), Items(folder));
  const std::string before = ReadBytes(Ini());
  ScopedHandle held(CreateFileW(Ini().c_str(), GENERIC_READ, FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held.Valid());
  Vorlex v(folder);
  ASSERT_TRUE(v.Start());
  // Each routine that opens the file says so: the time record's load, the
  // start-up, the time record's save at the end.
  const std::vector<std::wstring> texts = v.TakeMessageBoxesUntilExit();
  ASSERT_FALSE(texts.empty());
  for (const std::wstring& text : texts) EXPECT_EQ(text.rfind(Ini() + L" を読み込めません\r\n", 0), 0u) << Cp932(text);
  EXPECT_EQ(v.WaitExit(), 1u);
  held.Reset();
  EXPECT_EQ(ReadBytes(Ini()), before);
  EXPECT_FALSE(FileExists(Ini() + L".vxtmp"));
}

TEST_F(E2E, AHiddenSettingsFileIsStillHiddenAfterAStartAndAClose) {
  WriteBytes(Ini(), Items(folder));
  ASSERT_TRUE(SetFileAttributesW(Ini().c_str(), FILE_ATTRIBUTE_HIDDEN));
  Vorlex v(folder);
  StartReady(v);
  EXPECT_EQ(v.Close(), 0u);
  const DWORD attrs = GetFileAttributesW(Ini().c_str());
  EXPECT_TRUE(attrs & FILE_ATTRIBUTE_HIDDEN) << attrs;
  EXPECT_NE(ReadBytes(Ini()).find("[2]\r\nName=\"Item C\"\r\n"), std::string::npos);
}

TEST_F(E2E, ASettingsFileBeyondTheLargestSizeIsReportedAndNothingIsWritten) {
  std::string big = Items(folder);
  big.resize(70u << 20, ';');
  WriteBytes(Ini(), big);
  Vorlex v(folder);
  ASSERT_TRUE(v.Start());
  const std::vector<std::wstring> texts = v.TakeMessageBoxesUntilExit();
  ASSERT_FALSE(texts.empty());
  for (const std::wstring& text : texts) EXPECT_EQ(text, Ini() + L" は大きすぎます (設定ファイルは 64 MiB までです)");
  EXPECT_EQ(v.WaitExit(), 1u);
  EXPECT_EQ(ReadBytes(Ini()).size(), big.size());
}

TEST_F(E2E, FiftyMegabytesOfBlankLinesLoad) {
  std::string text = Items(folder);
  text.append(50u << 20, '\n');
  WriteBytes(Ini(), text);
  Vorlex v(folder);
  StartReady(v);
  EXPECT_EQ(FindWindowOf(v.Pid(), L"#32770", true), nullptr);
  EXPECT_EQ(v.Close(), 0u);
  EXPECT_EQ(ReadBytes(Ini()).rfind(Items(folder).substr(0, 30), 0), 0u);
}

namespace {
// Another program (a virus scan, a sync client) opens the file without
// sharing it, and lets it go after `ms`.
class HeldFile {
 public:
  HeldFile(const std::wstring& path, DWORD ms)
      : file_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)),
        ms_(ms),
        held_(file_.Valid()),
        thread_(CreateThread(nullptr, 0, Release, this, 0, nullptr)) {}
  ~HeldFile() { WaitForSingleObject(thread_.Get(), INFINITE); }
  bool Held() const { return held_; }

 private:
  static DWORD WINAPI Release(void* self) {
    auto* h = static_cast<HeldFile*>(self);
    Sleep(h->ms_);  // the other program's hold
    h->file_.Reset();
    return 0;
  }
  ScopedHandle file_;
  DWORD ms_;
  bool held_;
  ScopedHandle thread_;
};
}  // namespace

TEST_F(E2E, ASettingsFileHeldForAMomentAsTheProgramEndsIsWaitedFor) {
  Vorlex v(folder);
  StartWithItems(v);
  {
    HeldFile scan(Ini(), 800);
    ASSERT_TRUE(scan.Held());
    HWND main = v.MainWindow();
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(v.WaitExit(), 0u);
  }
  const auto [caption, text] = v.TakeMessageBox(300);
  EXPECT_EQ(text, L"");
  const std::string ini = ReadBytes(Ini());
  EXPECT_NE(TimeValue(ini, "Last"), L"<none>");
  EXPECT_NE(ini.find("[2]\r\nName=\"Item C\""), std::string::npos);
}

TEST_F(E2E, ASettingsFileHeldForLongIsStillReportedAndKept) {
  Vorlex v(folder);
  StartWithItems(v);
  const std::string before = ReadBytes(Ini());
  {
    HeldFile scan(Ini(), 10000);
    ASSERT_TRUE(scan.Held());
    PostMessageW(v.MainWindow(), WM_CLOSE, 0, 0);
    const std::vector<std::wstring> boxes = v.TakeMessageBoxesUntilExit(30000);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[0].find(L"を読み込めません"), std::wstring::npos);
    EXPECT_NE(boxes[0].find(L"(32)"), std::wstring::npos);
    EXPECT_EQ(v.WaitExit(), 0u);
  }
  EXPECT_EQ(ReadBytes(Ini()), before);  // never written over
}

namespace {
// How many names the file has.
DWORD Links(const std::wstring& path) {
  ScopedHandle h(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  return h.Valid() && GetFileInformationByHandle(h.Get(), &info) ? info.nNumberOfLinks : 0;
}
}  // namespace

// A package manager keeps a portable program's settings under a second
// name (a hard link): every save reaches both names.
TEST_F(E2E, ASettingsFileWithTwoNamesHoldsTheSameBytesUnderBothAfterOkAndExit) {
  WriteBytes(Ini(), Items(folder));
  const std::wstring persist = folder + L"\\persist", other = persist + L"\\Vorlex.ini";
  ASSERT_TRUE(CreateDirectoryW(persist.c_str(), nullptr));
  ASSERT_TRUE(CreateHardLinkW(other.c_str(), Ini().c_str(), nullptr));
  Vorlex v(folder);
  StartReady(v);
  HWND editor = OpenEditor(v);
  ASSERT_NE(editor, nullptr);
  Retype(ChildOfClass(editor, L"Edit", 0), L"Renamed");
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Ok")));
  ASSERT_TRUE(WaitHidden(editor));
  EXPECT_NE(ReadBytes(other).find("Name=\"Renamed\""), std::string::npos);
  EXPECT_EQ(ReadBytes(other), ReadBytes(Ini()));
  EXPECT_EQ(v.Close(), 0u);
  const std::string saved = ReadBytes(Ini());
  EXPECT_NE(TimeValue(saved, "Last"), L"<none>");
  EXPECT_EQ(ReadBytes(other), saved);
  EXPECT_EQ(Links(Ini()), 2u);
  EXPECT_FALSE(FileExists(Ini() + L".vxjnl"));
}

// A save stopped between ReplaceFileW's two renames (a forced shutdown, a
// power cut) leaves the file under its backup name alone, perhaps with the
// new one under the temporary name: the next start shows the items, and
// leaves nothing beside the file.
TEST_F(E2E, AStartFromTheBackupAloneShowsTheItems) {
  for (bool withTemp : {false, true}) {
    SCOPED_TRACE(withTemp ? "with the new file beside it" : "alone");
    DeleteFileW(Ini().c_str());
    DeleteFileW((folder + L"\\work\\a.txt").c_str());
    WriteBytes(Ini() + L".vxbak", Items(folder));
    if (withTemp) WriteBytes(Ini() + L".vxtmp", Items(folder) + "[Time]\r\nLogFile=0\r\n");
    Vorlex v(folder);
    StartReady(v);
    EXPECT_FALSE(HotKeyFree(kCtrlAlt, VK_F9));
    PressHotkey({VK_CONTROL, VK_MENU}, VK_F9);
    EXPECT_TRUE(WaitFile(folder + L"\\work\\a.txt", 15000));
    EXPECT_EQ(v.Close(), 0u);
    EXPECT_NE(ReadBytes(Ini()).find("[2]\r\nName=\"Item C\""), std::string::npos);
    EXPECT_FALSE(FileExists(Ini() + L".vxbak"));
    EXPECT_FALSE(FileExists(Ini() + L".vxtmp"));
  }
}

// After a ReplaceFileW that failed with 1177, the new file stays beside a
// hidden settings file under the temporary name, hidden too; CREATE_ALWAYS
// refuses a hidden file, so every later save failed after two seconds of
// waiting. It goes first now: the exit saves at once.
TEST_F(E2E, AHiddenTemporaryFileLeftBesideAHiddenSettingsFileHoldsUpNoSave) {
  WriteBytes(Ini(), Items(folder));
  WriteBytes(Ini() + L".vxtmp", "left by a failed save");
  ASSERT_TRUE(SetFileAttributesW(Ini().c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesW((Ini() + L".vxtmp").c_str(), FILE_ATTRIBUTE_HIDDEN));
  Vorlex v(folder);
  StartReady(v);
  const ULONGLONG before = GetTickCount64();
  EXPECT_EQ(v.Close(), 0u);
  EXPECT_LT(GetTickCount64() - before, 1500u);
  EXPECT_EQ(v.TakeMessageBox(300).second, L"");
  EXPECT_NE(TimeValue(ReadBytes(Ini()), "Last"), L"<none>");
  EXPECT_TRUE(GetFileAttributesW(Ini().c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(FileExists(Ini() + L".vxtmp"));
}

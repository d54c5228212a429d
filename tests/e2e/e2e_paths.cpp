// End-to-end tests of the names and paths people have: a program folder
// and items named outside Shift-JIS, folders typed into the editor, values
// longer than a field, and typing past a field's limit, with real keys.
#include "tests/e2e/e2e_fixture.h"
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <algorithm>
#include <vector>

using namespace e2e;

namespace {

// One item that starts vx_marker.exe, which writes `markerFile` in its
// working folder.
std::string OneItem(const std::string& exe, const std::string& par, const std::string& dir) {
  return std::string(kHeader) + "[Basic]\r\nCount=1\r\n[0]\r\nName=\"Marker\"\r\nHotKey=" + std::to_string(kCtrlAltF9) +
         "\r\nExe=\"" + exe + "\"\r\nPar=\"" + par + "\"\r\nDir=\"" + dir + "\"\r\n";
}

// A stored value of item 0, whatever the file's form; "<none>" when it is missing.
std::wstring Value(const std::wstring& iniPath, const std::wstring& key) {
  const std::wstring ini = IniText(iniPath);
  const std::size_t at = ini.find(L"\r\n" + key + L"=\"", ini.find(L"[0]\r\n"));
  if (at == std::wstring::npos) return L"<none>";
  const std::size_t start = at + key.size() + 4;
  return ini.substr(start, ini.find(L"\"\r\n", start) - start);
}

// What Windows' own profile functions read from the file.
std::wstring SystemRead(const std::wstring& ini, const wchar_t* section, const wchar_t* key) {
  wchar_t buf[2048] = {};
  GetPrivateProfileStringW(section, key, L"<none>", buf, 2048, ini.c_str());
  return buf;
}

class Paths : public ::testing::Test {
 protected:
  void SetUp() override { folder = NewFolder(TestName()); }
  std::wstring Ini() const { return folder + L"\\Vorlex.ini"; }
  void StartReady(Vorlex& v, const std::wstring& workingFolder = L"") {
    ASSERT_TRUE(v.Start(workingFolder));
    ASSERT_TRUE(v.WaitReady());
    ASSERT_NE(v.MainWindow(), nullptr);
  }
  std::wstring folder;
};

}  // namespace

TEST_F(Paths, FromAFolderNamedOutsideTheCodePageItMakesItsFileThereAndStartsItsItems) {
  // Unpacked as a person unpacks it, started from another folder.
  const std::wstring home = folder + L"\\Café Jürgen";
  ASSERT_TRUE(CreateDirectoryW(home.c_str(), nullptr));
  for (const wchar_t* file : {L"\\Vorlex.exe", L"\\vx_marker.exe"})
    ASSERT_TRUE(CopyFileW((folder + file).c_str(), (home + file).c_str(), FALSE));
  {
    Vorlex v(home);
    StartReady(v, folder);
    EXPECT_TRUE(FileExists(home + L"\\Vorlex.ini"));
    EXPECT_FALSE(FileExists(Ini()));
    EXPECT_EQ(v.Close(), 0u);
  }
  // Its items name the program beside it and its own folder relatively.
  WriteBytes(home + L"\\Vorlex.ini", OneItem("vx_marker.exe", "j.txt", "."));
  Vorlex v(home);
  StartReady(v, folder);
  PressHotkey({VK_CONTROL, VK_MENU}, VK_F9);
  ASSERT_TRUE(WaitFile(home + L"\\j.txt", 15000));
  const std::wstring marker = ReadMarker(home + L"\\j.txt");
  EXPECT_EQ(marker.substr(0, marker.find(L'\n')), L"j.txt");
  EXPECT_EQ(v.Close(), 0u);
  EXPECT_NE(ReadBytes(home + L"\\Vorlex.ini").find("[Time]\r\n"), std::string::npos);
}

TEST_F(Paths, AFolderTypedIntoTheFolderFieldIsStoredAndUsedAsTyped) {
  const std::wstring jurgen = folder + L"\\Jürgen", lookAlike = folder + L"\\Jurgen";
  ASSERT_TRUE(CreateDirectoryW(jurgen.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(lookAlike.c_str(), nullptr));
  WriteBytes(Ini(), OneItem(Cp932(folder) + "\\vx_marker.exe", "p.txt", ""));
  Vorlex v(folder);
  StartReady(v);
  HWND editor = OpenEditor(v);
  ASSERT_NE(editor, nullptr);
  Retype(ChildOfClass(editor, L"Edit", 3), jurgen);
  EXPECT_EQ(FieldText(ChildOfClass(editor, L"Edit", 3)), jurgen);
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Ok")));
  ASSERT_TRUE(WaitHidden(editor));
  EXPECT_TRUE(v.TakeMessageBox(500).second.empty());
  EXPECT_EQ(Value(Ini(), L"Dir"), jurgen);
  PressHotkey({VK_CONTROL, VK_MENU}, VK_F9);
  EXPECT_TRUE(WaitFile(jurgen + L"\\p.txt", 15000));
  EXPECT_FALSE(FileExists(lookAlike + L"\\p.txt"));
  EXPECT_EQ(v.Close(), 0u);
}

// An item named in three scripts, whose program lies in a folder named in
// two, typed into the editor as a person types and saved with Ok.
TEST_F(Paths, AnItemNamedInAnyScriptIsStoredStartedAndShownWhole) {
  const std::wstring home = folder + L"\\Präsentationen 발표", name = L"Büro ☕ 발표";
  const std::wstring program = home + L"\\vx_marker.exe";
  ASSERT_TRUE(CreateDirectoryW(home.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW((folder + L"\\vx_marker.exe").c_str(), program.c_str(), FALSE));
  WriteBytes(Ini(), OneItem("a.exe", "u.txt", "") + "[-1]\r\nHotKey=" + std::to_string(kCtrlAltF11) + "\r\n");
  const std::string sjisBefore = ReadBytes(Ini());
  {
    Vorlex v(folder);
    StartReady(v);
    HWND editor = OpenEditor(v);
    ASSERT_NE(editor, nullptr);
    Retype(ChildOfClass(editor, L"Edit", 0), name);
    Retype(ChildOfClass(editor, L"Edit", 1), program);
    Retype(ChildOfClass(editor, L"Edit", 3), home);
    EXPECT_EQ(FieldText(ChildOfClass(editor, L"Edit", 0)), name);
    ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Ok")));
    ASSERT_TRUE(WaitHidden(editor));
    EXPECT_TRUE(v.TakeMessageBox(500).second.empty());
    // The file became UTF-16, and Windows reads the same name and path.
    const std::string bytes = ReadBytes(Ini());
    ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(SystemRead(Ini(), L"0", L"Name"), name);
    EXPECT_EQ(SystemRead(Ini(), L"0", L"Exe"), program);
    EXPECT_NE(IniText(Ini()).find(L"[-1]\r\nHotKey="), std::wstring::npos);
    // Its hotkey starts exactly that program, in that folder.
    PressHotkey({VK_CONTROL, VK_MENU}, VK_F9);
    ASSERT_TRUE(WaitFile(home + L"\\u.txt", 15000));
    // The launch menu holds it: chosen there, it starts again.
    DeleteFileW((home + L"\\u.txt").c_str());
    PressHotkey({VK_CONTROL, VK_MENU}, VK_F11);
    ASSERT_TRUE(v.ChooseFromMenu(1));
    EXPECT_TRUE(WaitFile(home + L"\\u.txt", 15000));
    EXPECT_EQ(v.Close(), 0u);
  }
  // After a restart the editor shows it whole.
  Vorlex v(folder);
  StartReady(v);
  HWND editor = OpenEditor(v);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(FieldText(ChildOfClass(editor, L"Edit", 0)), name);
  EXPECT_EQ(FieldText(ChildOfClass(editor, L"Edit", 1)), program);
  wchar_t entry[64] = {};
  SendMessageW(ChildOfClass(editor, L"ListBox"), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(entry));
  EXPECT_EQ(std::wstring(entry), name);
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Cancel")));
  ASSERT_TRUE(WaitHidden(editor));
  EXPECT_EQ(v.Close(), 0u);
  EXPECT_NE(sjisBefore.substr(0, 2), "\xFF\xFE");
}

TEST_F(Paths, AStoredValueLongerThanItsFieldIsShownWholeAndSurvivesAnUntouchedOk) {
  std::string par;
  for (int i = 0; par.size() < 600; ++i) par += "arg" + std::to_string(i) + " ";
  par.resize(600);
  WriteBytes(Ini(), OneItem(Cp932(folder) + "\\vx_marker.exe", par, ""));
  Vorlex v(folder);
  StartReady(v);
  HWND editor = OpenEditor(v);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(FieldText(ChildOfClass(editor, L"Edit", 2)), Utf16(par));
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Ok")));
  ASSERT_TRUE(WaitHidden(editor));
  EXPECT_EQ(Value(Ini(), L"Par"), Utf16(par));
  EXPECT_EQ(v.Close(), 0u);
  EXPECT_EQ(Value(Ini(), L"Par"), Utf16(par));
}

TEST_F(Paths, TypingPastAFieldsLimitStopsThereAndTheCaretStaysWhereThePersonTypes) {
  const std::string par(250, 'a');
  WriteBytes(Ini(), OneItem(Cp932(folder) + "\\vx_marker.exe", par, ""));
  Vorlex v(folder);
  StartReady(v);
  HWND editor = OpenEditor(v);
  ASSERT_NE(editor, nullptr);
  HWND field = ChildOfClass(editor, L"Edit", 2);
  ClickWindow(field);
  FocusComesTo(field);
  PressKeys({}, VK_END);
  TypeText(L"123456789");
  auto shows = [field](const std::wstring& text) {
    return WaitUntil([&] { return FieldText(field) == text; }, 2000) || FieldText(field) == text;
  };
  EXPECT_TRUE(shows(Utf16(par) + L"1234")) << Cp932(FieldText(field));
  // The caret is still at the end: a key taken back and another typed
  // change the end, not the start.
  PressKeys({}, VK_BACK);
  TypeText(L"9");
  EXPECT_TRUE(shows(Utf16(par) + L"1239")) << Cp932(FieldText(field));
  // A double-byte character that would end past the limit is not taken.
  PressKeys({}, VK_BACK);
  TypeText(L"表");
  // The key is taken back at once: the field never shows more.
  EXPECT_TRUE(HoldsFor([&] { return FieldText(field).size() <= par.size() + 4; }, 300));
  EXPECT_TRUE(shows(Utf16(par) + L"123")) << Cp932(FieldText(field));
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Ok")));
  ASSERT_TRUE(WaitHidden(editor));
  EXPECT_EQ(Value(Ini(), L"Par"), Utf16(par + "123"));
  EXPECT_EQ(v.Close(), 0u);
}

namespace {
constexpr const wchar_t kEditorTitle[] = L"メニュー項目設定";

// Waits until the field shows something other than `before`; its text.
std::wstring WaitFieldChange(HWND field, const std::wstring& before, DWORD ms = 3000) {
  WaitUntil([&] { return FieldText(field) != before; }, ms);
  return FieldText(field);
}
}  // namespace

TEST_F(Paths, RealDropsOnTheEditorFillItsFieldsAndTakeOneFileWholeOrNone) {
  WriteBytes(Ini(), OneItem(Cp932(folder) + "\\vx_marker.exe", "keep me", ""));
  const std::wstring tools = folder + L"\\Tools", jurgen = folder + L"\\Jürgen";
  ASSERT_TRUE(CreateDirectoryW(tools.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(jurgen.c_str(), nullptr));
  for (const std::wstring& f : {tools + L"\\run.exe", tools + L"\\a.txt", tools + L"\\b.txt", jurgen + L"\\Jürgen.txt"})
    WriteBytes(f, "x");
  Vorlex v(folder);
  StartReady(v);
  HWND editor = OpenEditor(v);
  ASSERT_NE(editor, nullptr);
  HWND name = ChildOfClass(editor, L"Edit", 0), exe = ChildOfClass(editor, L"Edit", 1);
  HWND par = ChildOfClass(editor, L"Edit", 2), dir = ChildOfClass(editor, L"Edit", 3);

  // One file: its name, its path and its folder; the parameters stay.
  const std::wstring before = FieldText(exe);
  ASSERT_TRUE(DropFilesOn(kEditorTitle, {tools + L"\\run.exe"}));
  EXPECT_EQ(WaitFieldChange(exe, before), tools + L"\\run.exe");
  EXPECT_EQ(FieldText(name), L"run.exe");
  EXPECT_EQ(FieldText(dir), tools);
  EXPECT_EQ(FieldText(par), L"keep me");

  // Two files at once: the message, and nothing changes.
  ASSERT_TRUE(DropFilesOn(kEditorTitle, {tools + L"\\a.txt", tools + L"\\b.txt"}));
  EXPECT_EQ(v.TakeMessageBox(5000).second, L"ドロップできるファイルは１つです。");
  EXPECT_EQ(FieldText(exe), tools + L"\\run.exe");

  // A name outside Shift-JIS: taken whole, as dropped.
  const std::wstring odd = jurgen + L"\\Jürgen.txt";
  ASSERT_TRUE(DropFilesOn(kEditorTitle, {odd}));
  EXPECT_EQ(WaitFieldChange(exe, tools + L"\\run.exe"), odd);
  EXPECT_EQ(FieldText(name), L"Jürgen.txt");
  EXPECT_EQ(FieldText(dir), jurgen);
  EXPECT_TRUE(v.TakeMessageBox(300).second.empty());
  ASSERT_TRUE(ClickWindow(ChildWithText(editor, L"Ok")));
  ASSERT_TRUE(WaitHidden(editor));
  EXPECT_EQ(Value(Ini(), L"Exe"), odd);
  EXPECT_EQ(Value(Ini(), L"Par"), L"keep me");
  EXPECT_EQ(v.Close(), 0u);
}

namespace {

// The 64-bit marker, built beside this 32-bit driver by the 64-bit preset.
std::wstring Marker64() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  path = path.substr(0, path.find_last_of(L'\\'));
  return path.substr(0, path.find_last_of(L'\\')) + L"\\windows64\\vx_marker.exe";
}

bool UnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// Copies a file into the 64-bit System32, which this 32-bit driver sees as
// SysWOW64 unless it turns the redirection off for the copy.
bool CopyToSystem32(const std::wstring& from, const std::wstring& name) {
  wchar_t windir[MAX_PATH];
  GetWindowsDirectoryW(windir, MAX_PATH);
  void* old = nullptr;
  if (!Wow64DisableWow64FsRedirection(&old)) return false;
  const BOOL ok = CopyFileW(from.c_str(), (std::wstring(windir) + L"\\System32\\" + name).c_str(), FALSE);
  Wow64RevertWow64FsRedirection(old);
  return ok != FALSE;
}

// A process named `exe` that `parent` started; 0 when there is none.
DWORD ChildProcess(DWORD parent, const wchar_t* exe) {
  const ScopedHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap.Valid()) return 0;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  DWORD found = 0;
  for (BOOL more = Process32FirstW(snap.Get(), &e); more && !found; more = Process32NextW(snap.Get(), &e))
    if (e.th32ParentProcessID == parent && lstrcmpiW(e.szExeFile, exe) == 0) found = e.th32ProcessID;
  return found;
}

}  // namespace

TEST_F(Paths, On64BitWindowsTheProgramStartsSystem32ProgramsAsTheUserNamedThem) {
  if (!UnderWow64()) GTEST_SKIP() << "not a 32-bit program on 64-bit Windows";
  if (!FileExists(Marker64())) GTEST_SKIP() << "no 64-bit build beside this one";
  // A program that exists only in the 64-bit System32, as ssh.exe or wsl.exe.
  ASSERT_TRUE(CopyToSystem32(Marker64(), L"vx_marker64.exe"));
  wchar_t wow[MAX_PATH];
  GetSystemWow64DirectoryW(wow, MAX_PATH);
  EXPECT_FALSE(FileExists(std::wstring(wow) + L"\\vx_marker64.exe"));
  const std::string here = Cp932(folder);
  WriteBytes(Ini(), std::string(kHeader) +
                        "[Basic]\r\nCount=2\r\n"
                        "[0]\r\nName=\"64\"\r\nHotKey=" +
                        std::to_string(kCtrlAltF9) +
                        "\r\nExe=\"C:\\Windows\\System32\\vx_marker64.exe\"\r\nPar=\"m.txt\"\r\nDir=\"" + here +
                        "\"\r\n"
                        "[1]\r\nName=\"cmd\"\r\nHotKey=" +
                        std::to_string(0x4000 | 0x8000 | VK_F10) +
                        "\r\nExe=\"C:\\Windows\\System32\\cmd.exe\"\r\nPar=\"/k\"\r\nDir=\"" + here + "\"\r\n");
  Vorlex v(folder);
  StartReady(v);
  PressHotkey({VK_CONTROL, VK_MENU}, VK_F9);
  EXPECT_TRUE(WaitFile(folder + L"\\m.txt", 15000));
  // System32's cmd.exe runs as the 64-bit system has it: not under WOW64.
  const NewConsoleHosts hosts;
  PressHotkey({VK_CONTROL, VK_MENU}, VK_F10);
  DWORD cmd = 0;
  WaitUntil([&] { return (cmd = ChildProcess(v.Pid(), L"cmd.exe")) != 0; }, 15000);
  ASSERT_NE(cmd, 0u);
  const ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, cmd));
  ASSERT_TRUE(process.Valid());
  BOOL wow64 = TRUE;
  EXPECT_TRUE(IsWow64Process(process.Get(), &wow64));
  EXPECT_FALSE(wow64);
  TerminateProcess(process.Get(), 0);
  EXPECT_EQ(v.Close(), 0u);
  // The stored paths are the person's, not the mapped ones.
  EXPECT_EQ(ReadBytes(Ini()).find("Sysnative"), std::string::npos);
  EXPECT_NE(ReadBytes(Ini()).find("Exe=\"C:\\Windows\\System32\\vx_marker64.exe\""), std::string::npos);
}

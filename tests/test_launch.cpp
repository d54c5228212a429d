// What the shell is asked to open for an item: variables, paths beside the
// program, System32 under WOW64, and the values that stay as they were.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "core/Unit_All.h"
#include "core/folders.h"
#include "core/launch.h"
#include "platform/headless/headless.h"

namespace vx::test {

namespace {

// Files that exist, by their paths as Windows names them; a path is looked
// up as the file system would, its "." and ".." parts resolved.
class KnownFiles : public PosixFiles {
 public:
  std::set<std::string> present;
  bool Exists(const FilePath& path) override { return present.count(Normal(path.utf8)) != 0; }
  static std::string Normal(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
      std::size_t end = path.find_first_of("\\/", start);
      if (end == std::string::npos) end = path.size();
      const std::string part = path.substr(start, end - start);
      if (part == ".." && parts.size() > 1)
        parts.pop_back();
      else if (part != ".")
        parts.push_back(part);
      start = end + 1;
    }
    std::string out;
    for (const std::string& part : parts) out += (out.empty() ? "" : "\\") + part;
    return out;
  }
};

class LaunchPlatform : public HeadlessPlatform {
 public:
  LaunchPlatform(HeadlessSystem& s) : HeadlessPlatform(s, "E:\\Portable\\Vorlex\\Vorlex.exe") {}
  Files& files() override { return known; }
  KnownFiles known;
};

class Launch : public ::testing::Test {
 protected:
  Launch() : p(system) { p.environment = {{"windir", "C:\\Windows"}, {"USERPROFILE", "C:\\Users\\J\xC3\xBCrgen"}}; }
  LaunchRequest Resolve(const std::string& exe, const std::string& par = "", const std::string& dir = "") {
    return ResolveLaunch(exe, par, dir, p);
  }
  std::string File(const std::string& exe) { return Resolve(exe).file.utf8; }
  HeadlessSystem system;
  LaunchPlatform p;
};

}  // namespace

TEST_F(Launch, ValuesWithoutVariablesOrRelativePathsGoToTheShellAsStored) {
  const LaunchRequest r = Resolve("C:\\Tools\\run.exe", "-x \"a b\" 100%", "D:\\work");
  EXPECT_EQ(r.file.utf8, "C:\\Tools\\run.exe");
  EXPECT_EQ(r.params, "-x \"a b\" 100%");
  EXPECT_EQ(r.dir.utf8, "D:\\work");
  EXPECT_EQ(Resolve("\\\\server\\share\\x.exe").file.utf8, "\\\\server\\share\\x.exe");
  EXPECT_EQ(Resolve("x.exe").dir.utf8, "");  // no folder stays none
  // Every character arrives as stored.
  EXPECT_EQ(File("C:\\表\\Büro ☕ 발표.exe"), "C:\\表\\Büro ☕ 발표.exe");
}

TEST_F(Launch, VariablesAreExpandedInEachValueAndUnknownOnesStay) {
  const LaunchRequest r = Resolve("%windir%\\notepad.exe", "%USERPROFILE%\\a.txt", "%UserProfile%\\Documents");
  EXPECT_EQ(r.file.utf8, "C:\\Windows\\notepad.exe");
  // A profile folder that CP932 cannot name is reached through its variable.
  EXPECT_EQ(r.params, "C:\\Users\\J\xC3\xBCrgen\\a.txt");
  EXPECT_EQ(r.dir.utf8, "C:\\Users\\J\xC3\xBCrgen\\Documents");
  EXPECT_EQ(File("C:\\%NOPE%\\x.exe"), "C:\\%NOPE%\\x.exe");
  EXPECT_EQ(Resolve("C:\\a.exe", "50%-%windir%").params, "50%-C:\\Windows");
  EXPECT_EQ(Resolve("C:\\a.exe", "%%").params, "%%");
}

TEST_F(Launch, ARelativeProgramBesideTheExecutableIsThatFileAndOthersGoToTheShell) {
  p.known.present = {"E:\\Portable\\Vorlex\\tools\\x.exe", "E:\\Portable\\up.exe", "E:\\Portable\\Vorlex\\notes.txt"};
  EXPECT_EQ(File("tools\\x.exe"), "E:\\Portable\\Vorlex\\tools\\x.exe");
  EXPECT_EQ(File(".\\notes.txt"), "E:\\Portable\\Vorlex\\notes.txt");
  EXPECT_EQ(File("notepad.exe"), "notepad.exe");  // the shell's own search finds it
  EXPECT_EQ(File("..\\up.exe"), "..\\up.exe");    // above the folder: not taken from it, though it is there
  EXPECT_EQ(File("tools\\..\\..\\up.exe"), "tools\\..\\..\\up.exe");
  EXPECT_TRUE(p.files().Exists(FilePath("E:\\Portable\\Vorlex\\..\\up.exe")));
  EXPECT_EQ(Resolve("x.exe", "", ".\\docs").dir.utf8, "E:\\Portable\\Vorlex\\docs");
  EXPECT_EQ(Resolve("x.exe", "", ".").dir.utf8, "E:\\Portable\\Vorlex");
}

TEST_F(Launch, AChosenIconsFileAndIndexAndOneBesideTheExecutable) {
  struct Case {
    const char* text;
    const char* file;  // as looked up
    int index;
  } const cases[] = {
      {"C:\\Icons\\set.dll,12", "C:\\Icons\\set.dll", 12},
      {"%windir%\\System32\\shell32.dll,-16", "C:\\Windows\\System32\\shell32.dll", -16},  // a resource ID
      {"icons\\mine.ico,0", "E:\\Portable\\Vorlex\\icons\\mine.ico", 0},                   // beside Vorlex
      {"C:\\a,b\\x.ico", "C:\\a,b\\x.ico", 0},  // no number after the last comma: a file's first icon
      {"C:\\x.ico,", "C:\\x.ico,", 0},
  };
  p.known.present = {"E:\\Portable\\Vorlex\\icons\\mine.ico"};
  SetCorePlatform(&p);
  for (const Case& c : cases) {
    TVorlexType item;
    item.Exe = "notepad.exe";
    item.Icon = c.text;
    const ItemIconSpec picked = IconToPick(item);
    EXPECT_EQ(picked.file, c.file) << c.text;
    EXPECT_EQ(picked.index, c.index) << c.text;
    RequestItemIcon(item, Point{48, 48}, 0, 0);
    p.RunClock(10);
    // Asked for, then (it is in no file) the program's icon instead.
    EXPECT_EQ(p.iconLookups,
              (std::vector<std::string>{std::string(c.file) + "," + std::to_string(c.index), "notepad.exe"}))
        << c.text;
    p.iconLookups.clear();
  }
  SetCorePlatform(nullptr);
}

TEST_F(Launch, Under64BitWindowsOnlySystem32ProgramsGoThroughSysnative) {
  EXPECT_EQ(File("C:\\Windows\\System32\\cmd.exe"), "C:\\Windows\\System32\\cmd.exe");  // not WOW64
  p.wow64 = true;
  EXPECT_EQ(File("C:\\Windows\\System32\\cmd.exe"), "C:\\Windows\\Sysnative\\cmd.exe");
  EXPECT_EQ(File("c:\\WINDOWS\\system32\\OpenSSH\\ssh.exe"), "C:\\Windows\\Sysnative\\OpenSSH\\ssh.exe");
  EXPECT_EQ(File("%windir%\\System32\\wsl.exe"), "C:\\Windows\\Sysnative\\wsl.exe");
  EXPECT_EQ(File("C:\\Windows\\System32x\\a.exe"), "C:\\Windows\\System32x\\a.exe");
  EXPECT_EQ(File("C:\\Windows\\SysWOW64\\cmd.exe"), "C:\\Windows\\SysWOW64\\cmd.exe");
  EXPECT_EQ(File("D:\\Windows\\System32\\cmd.exe"), "D:\\Windows\\System32\\cmd.exe");
  // Documents stay as named: the 64-bit program that opens them (mmc.exe for
  // a console) has no Sysnative.
  EXPECT_EQ(File("C:\\Windows\\System32\\compmgmt.msc"), "C:\\Windows\\System32\\compmgmt.msc");
  EXPECT_EQ(File("C:\\Windows\\System32\\drivers\\etc\\hosts"), "C:\\Windows\\System32\\drivers\\etc\\hosts");
  EXPECT_EQ(File("C:\\Windows\\System32\\license.rtf"), "C:\\Windows\\System32\\license.rtf");
  EXPECT_EQ(File("C:\\Windows\\System32\\x.BAT"), "C:\\Windows\\Sysnative\\x.BAT");
  // PATHEXT says what a program is.
  p.environment["PATHEXT"] = ".COM;.EXE;.BAT;.CMD;.VBS;.MSC;.PS1";
  EXPECT_EQ(File("C:\\Windows\\System32\\a.ps1"), "C:\\Windows\\Sysnative\\a.ps1");
  EXPECT_EQ(File("C:\\Windows\\System32\\compmgmt.msc"), "C:\\Windows\\System32\\compmgmt.msc");
  p.environment["PATHEXT"] = ".EXE";
  EXPECT_EQ(File("C:\\Windows\\System32\\x.bat"), "C:\\Windows\\System32\\x.bat");
  EXPECT_TRUE(IsProgramPath("C:\\a.b\\x.Exe", p));
  EXPECT_FALSE(IsProgramPath("C:\\a.exe\\readme", p));
  EXPECT_FALSE(IsProgramPath("C:\\a\\.exe.txt", p));
  // The folder is the started program's to read in its own view.
  EXPECT_EQ(Resolve("C:\\Windows\\System32\\cmd.exe", "", "C:\\Windows\\System32").dir.utf8, "C:\\Windows\\System32");
  // A folder's menu lists System32 as 64-bit Windows has it, its entries
  // keep the name given.
  ListFolderMenu(FilePath("C:\\Windows\\System32"), p);
  ListFolderMenu(FilePath("C:\\Windows\\System32\\drivers"), p);
  ListFolderMenu(FilePath("C:\\Windows\\SysWOW64"), p);
  EXPECT_EQ(p.listedFolders, (std::vector<std::string>{"C:\\Windows\\Sysnative", "C:\\Windows\\Sysnative\\drivers",
                                                       "C:\\Windows\\SysWOW64"}));
}

// A 32-bit program on 64-bit Windows is told that ProgramFiles is the
// "(x86)" folder; the person, and the 64-bit build, mean the other.
TEST_F(Launch, Under64BitWindowsTheProgramFilesVariablesNameThe64BitFolders) {
  const std::string x86 = "C:\\Program Files (x86)", native = "C:\\Program Files";
  p.environment.insert({{"ProgramFiles", x86},
                        {"ProgramW6432", native},
                        {"CommonProgramFiles", x86 + "\\Common Files"},
                        {"CommonProgramW6432", native + "\\Common Files"},
                        {"ProgramFiles(x86)", x86}});
  EXPECT_EQ(File("%ProgramFiles%\\App\\app.exe"), x86 + "\\App\\app.exe");  // not WOW64
  p.wow64 = true;
  // What each names under WOW64, letter case aside.
  const std::pair<const char*, std::string> named[] = {{"%ProgramFiles%", native},
                                                       {"%programfiles%", native},
                                                       {"%CommonProgramFiles%", native + "\\Common Files"},
                                                       {"%ProgramFiles(x86)%", x86}};
  for (const auto& [variable, folder] : named)
    EXPECT_EQ(File(std::string(variable) + "\\App\\app.exe"), folder + "\\App\\app.exe") << variable;
  // A shortcut's stored target is read so too: the program it starts.
  system.shortcuts["C:\\Links\\App.lnk"] = "%ProgramFiles%\\App\\app.exe";
  EXPECT_EQ(ProgramOf("C:\\Links\\App.lnk", p).utf8, "C:\\Program Files\\App\\app.exe");
}

}  // namespace vx::test

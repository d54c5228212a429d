// Every state a crash can leave on the disk, for every write the whole
// program makes: its file calls are recorded as it runs, the folder is
// taken as it stands before each call (and with each write cut halfway),
// and the program is started on each of those folders. It must come up
// with the items old or new, tell the person at most once, save cleanly
// at its end and leave nothing beside the file.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "core/Unit_All.h"
#include "core/Unit_File.h"
#include "forms/Fom_Set.h"
#include "tests/harness.h"

namespace vx::test {

namespace {

namespace fs = std::filesystem;
using V = std::vector<std::string>;
using Call = PosixFiles::Call;

// A folder's files (paths relative to it) and which of them are one file
// under two names.
struct Disk {
  std::map<std::string, std::string> files;
  std::map<std::string, std::string> linkedTo;  // a second name -> the first
  bool operator==(const Disk& o) const { return files == o.files && linkedTo == o.linkedTo; }
};

Disk Take(const std::string& dir) {
  Disk disk;
  std::map<ino_t, std::string> seen;
  // The folder's own files first: a file's first name is the one beside
  // the program.
  std::vector<std::pair<std::size_t, std::string>> paths;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::string rel = fs::relative(e.path(), dir);
    if (e.is_regular_file()) paths.emplace_back(std::count(rel.begin(), rel.end(), '/'), rel);
  }
  std::sort(paths.begin(), paths.end());
  for (const auto& [depth, rel] : paths) {
    struct stat st {};
    ::stat((dir + "/" + rel).c_str(), &st);
    auto first = seen.emplace(st.st_ino, rel);
    if (!first.second)
      disk.linkedTo[rel] = first.first->second;
    else
      disk.files[rel] = ReadFile(dir + "/" + rel);
  }
  return disk;
}

void Lay(const std::string& dir, const Disk& disk) {
  for (const auto& [rel, bytes] : disk.files) {
    fs::create_directories(fs::path(dir + "/" + rel).parent_path());
    WriteFile(dir + "/" + rel, bytes);
  }
  for (const auto& [rel, first] : disk.linkedTo) {
    fs::create_directories(fs::path(dir + "/" + rel).parent_path());
    ASSERT_EQ(::link((dir + "/" + first).c_str(), (dir + "/" + rel).c_str()), 0);
  }
}

V Names() {
  V names;
  for (int i = 0; ExeList && i < ExeList->Count(); ++i) names.push_back(ExeList->Items(i)->Name);
  return names;
}

constexpr char kItems[] =
    ";Vorlex Initialize File\r\n"
    "[Basic]\r\nCount=3\r\n"
    "[0]\r\nName=\"A\"\r\nExe=\"a.exe\"\r\n"
    "[1]\r\nName=\"B\"\r\nExe=\"b.exe\"\r\n"
    "[2]\r\nName=\"C\"\r\nExe=\"c.exe\"\r\n"
    "[Time]\r\nLogFile=1\r\n";

// One run of the program: what lies in its folder first, and what the
// person does between the start and the end.
struct Scenario {
  const char* name;
  bool withFile;
  bool linked;  // the settings file has a second name, persist/Vorlex.ini
  std::function<void(Desktop&)> act;
  V before, after;  // the items before the run and after it
};

void RenameFirstInEditor(Desktop& d, const std::string& name) {
  Form_Main->MI_SetClick(nullptr);
  d.Pump();
  const Handle wnd = Form_Set->GetHandle();
  ASSERT_TRUE(d.p.Select(wnd, "LB_Select", 0));
  d.Pump();
  ASSERT_TRUE(d.p.Type(wnd, "Edt_Name", name));
  d.Pump();
  ASSERT_TRUE(d.p.Click(wnd, "Btn_Ok"));
  d.Pump();
}

void EndSession(Desktop& d) {
  EXPECT_EQ(d.p.SendMessage(Application->GetHandle(), kWmQueryEndSession, 0, 0), 1);
  d.p.SendMessage(Application->GetHandle(), kWmEndSession, 1, 0);
  d.program->Finish();
  d.program.reset();
}

const V kABC = {"A", "B", "C"};

std::vector<Scenario> Runs() {
  const std::string buero = "B\xC3\xBCro \xE2\x98\x95 \xEB\xB0\x9C\xED\x91\x9C";  // outside Shift-JIS
  auto renameFirst = [](std::string name) { return [name](Desktop& d) { RenameFirstInEditor(d, name); }; };
  auto endSession = [](Desktop& d) {
    ExeList->Items(1)->Name = "B2";
    EndSession(d);
  };
  // clang-format off
  return {
      {"the first start", false, false, [](Desktop&) {}, {}, {}},
      {"the editor's Ok, the exit save and the log", true, false, renameFirst("A2"), kABC, {"A2", "B", "C"}},
      {"the exit save inside WM_ENDSESSION", true, false, endSession, kABC, {"A", "B2", "C"}},
      {"the conversion to UTF-16", true, false, renameFirst(buero), kABC, {buero, "B", "C"}},
      {"the save of a file with two names", true, true, renameFirst("A2"), kABC, {"A2", "B", "C"}},
  };
  // clang-format on
}

// The folder before each file call of the run, and with each write cut
// halfway through its bytes.
std::vector<Disk> CrashStates(const Scenario& run, const Disk& start) {
  std::vector<Disk> states;
  Desktop d;
  Lay(d.dir.path(), start);
  std::string torn;  // the file a write was just made to, and its size before
  std::uintmax_t sizeBefore = 0;
  auto take = [&] {
    Disk now = Take(d.dir.path());
    if (!torn.empty()) {
      Disk cut = now;
      const std::string rel = fs::relative(torn, d.dir.path());
      auto f = cut.files.find(rel);
      if (f != cut.files.end() && f->second.size() > sizeBefore)
        f->second.resize(sizeBefore + (f->second.size() - sizeBefore) / 2);
      states.push_back(cut);
      torn.clear();
    }
    if (states.empty() || !(states.back() == now)) states.push_back(now);
  };
  d.p.posixFiles.faultHook = [&](Call call, const std::string& path) {
    take();
    if (call == Call::WriteFile) {
      torn = path;
      std::error_code ec;
      sizeBefore = fs::file_size(path, ec);
      if (ec) sizeBefore = 0;
    }
  };
  d.p.posixFiles.midwayHook = [&](Call) { take(); };
  EXPECT_EQ(d.Start(), -1);
  run.act(d);
  if (d.program) d.Close();
  take();
  return states;
}

// The header's write as the very first thing done on the folder, then the
// load: the items it finds, whatever the program reads first.
V HeaderFirst(const Disk& disk) {
  CoreSession core;
  Lay(core.dir.path(), disk);
  WriteIniHeader();
  LoadSettings();
  return Names();
}

}  // namespace

TEST(CrashStates, EveryStateAnyWriteOfTheProgramLeavesStartsWithTheItemsOldOrNew) {
  for (const Scenario& run : Runs()) {
    SCOPED_TRACE(run.name);
    Disk start;
    if (run.withFile) start.files["Vorlex.ini"] = kItems;
    if (run.linked) start.linkedTo["persist/Vorlex.ini"] = "Vorlex.ini";
    const std::vector<Disk> states = CrashStates(run, start);
    ASSERT_GT(states.size(), 10u);
    // The run itself ended with the new items, under both names.
    const Disk end = states.back();
    for (std::size_t k = 0; k < states.size(); ++k) {
      SCOPED_TRACE("state " + std::to_string(k) + " of " + std::to_string(states.size()));
      const V first = HeaderFirst(states[k]);
      EXPECT_TRUE(first == run.before || first == run.after) << ::testing::PrintToString(first);
      Desktop d;
      Lay(d.dir.path(), states[k]);
      ASSERT_EQ(d.Start(), -1);
      const V names = Names();
      EXPECT_TRUE(names == run.before || names == run.after) << ::testing::PrintToString(names);
      EXPECT_LE(d.p.messageBoxes.size(), 1u);
      const std::size_t told = d.p.messageBoxes.size();
      EXPECT_EQ(d.Close(), 0);
      EXPECT_EQ(d.p.messageBoxes.size(), told) << "the save after it is clean";
      // Nothing beside the file but the log, and the file holds what was
      // loaded, under every name.
      const Disk after = Take(d.dir.path());
      for (const auto& [rel, bytes] : after.files)
        EXPECT_TRUE(rel == "Vorlex.ini" || rel == "Vorlex.log") << rel << " left beside the file";
      EXPECT_EQ(after.linkedTo, end.linkedTo);
      Desktop again;
      Lay(again.dir.path(), after);
      ASSERT_EQ(again.Start(), -1);
      EXPECT_EQ(Names(), names);
      again.Close();
    }
  }
}

}  // namespace vx::test

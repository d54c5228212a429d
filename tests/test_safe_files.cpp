// Every call of every write fails in turn, with each failure Windows
// documents for it, and after each the file must be whole: the old bytes
// or the new, under its own name, with nothing left lying beside it.
#include <filesystem>
#include <map>

#include "tests/harness.h"

namespace vx::test {

namespace {

using Call = PosixFiles::Call;

// The errors that the pages of the calls name, or that a disk, a share or
// a program holding the file gives them.
const std::map<Call, std::vector<std::uint32_t>> kDocumented = {
    {Call::ReadFile, {5, 33, 1117}},                     // denied, lock violation, device I/O error
    {Call::CreateFile, {3, 5, 32, 112}},                 // no folder, denied, sharing, disk full
    {Call::WriteFile, {33, 112, 1117}},                  // lock violation, disk full, device I/O error
    {Call::FlushFileBuffers, {5, 1117}},                 // denied, device I/O error
    {Call::CloseHandle, {6}},                            // invalid handle
    {Call::MoveFileEx, {5, 17, 32, 183}},                // denied, other drive, sharing, exists
    {Call::ReplaceFile, {5, 32, 87, 1175, 1176, 1177}},  // and the three of its own page
    {Call::DeleteFile, {5, 32}},
};

struct Crash {};

class SafeWrites : public ::testing::Test {
 protected:
  std::string Target() const { return dir / "Vorlex.ini"; }
  // The files in the folder besides the target.
  std::vector<std::string> Beside() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
      if (e.path().filename() != "Vorlex.ini" && !e.is_directory()) names.push_back(e.path().filename());
    return names;
  }
  // What the program reads back: through the same files, which take a file
  // left under its backup name back first.
  std::string ReadBack() {
    std::string bytes;
    EXPECT_TRUE(files.Read(FilePath(Target()), bytes, 1u << 26)) << "no file under its name";
    return bytes;
  }
  // The calls `write` makes when nothing fails.
  std::vector<Call> CallsOf(const std::function<void()>& write) {
    std::vector<Call> calls;
    files.faultHook = [&](Call c, const std::string&) { calls.push_back(c); };
    write();
    files.faultHook = nullptr;
    return calls;
  }
  // Every failure to inject into `calls`: each call's documented errors,
  // then a crash at that moment (error 0) where `crash` says so.
  struct Failure {
    std::size_t at;
    Call call;
    std::uint32_t error;
  };
  static std::vector<Failure> Failures(const std::vector<Call>& calls, bool crash) {
    std::vector<Failure> out;
    for (std::size_t at = 0; at < calls.size(); ++at) {
      for (std::uint32_t error : kDocumented.at(calls[at])) out.push_back({at, calls[at], error});
      if (crash) out.push_back({at, calls[at], 0});
    }
    return out;
  }
  // Runs `write` with the failure injected: 0 when it went through, 1 when
  // it raised an error (the person is told), -1 for the crash.
  int Attempt(const std::function<void()>& write, const Failure& f) {
    files.faultHook = [f, n = std::size_t(0)](Call, const std::string& path) mutable {
      if (n++ != f.at) return;
      if (f.error == 0) throw Crash{};
      throw SystemError("injected at " + path + " (" + std::to_string(f.error) + ")", f.error);
    };
    int told = 0;
    try {
      write();
    } catch (const SystemError&) {
      told = 1;
    } catch (const Crash&) {
      told = -1;
    }
    files.faultHook = nullptr;
    return told;
  }
  void Clear() {
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove_all(e.path());
  }
  // The file's second name, as a package manager keeps it.
  std::string OtherName() const { return dir / "persist/Vorlex.ini"; }
  void LinkOtherName() {
    std::filesystem::create_directories(dir / "persist");
    std::filesystem::create_hard_link(Target(), OtherName());
  }

  TempDir dir;
  PosixFiles files;
  // As the program has them: a hold is waited for, on a clock of our own.
  std::uint64_t tick = 0;
  PatientFiles patient{files, [this] { return tick; }, [this](std::uint32_t ms) { tick += ms; }};
};

}  // namespace

// Each failure of each step of a save: the person is told once (one error,
// or none when a hold ended or the page's state could be mended), the file
// is whole, old or new, and nothing is left beside it but a backup whose
// own deletion failed, which the next save takes away.
// A file with two names is saved in place, behind a journal: both names
// hold the same bytes after every failure.
TEST_F(SafeWrites, ASaveLeavesTheFileWholeWhateverCallFailsAndHowever) {
  for (bool linked : {false, true}) {
    SCOPED_TRACE(linked ? "a file with two names" : "a file with one name");
    Clear();
    const std::string oldText = "[A]\r\nk=old\r\n", newText = "[A]\r\nk=" + std::string(100000, 'n') + "\r\n";
    const std::vector<std::string_view> pieces = {"[A]\r\nk=", std::string_view(newText).substr(7)};
    auto save = [&] { patient.Replace(FilePath(Target()), pieces); };
    WriteFile(Target(), oldText);
    if (linked) LinkOtherName();
    const std::vector<Call> calls = CallsOf(save);
    ASSERT_GE(calls.size(), 6u);  // delete of a stale backup, create, writes, flush, close, replace, delete
    for (const Failure& f : Failures(calls, true)) {
      SCOPED_TRACE("call " + std::to_string(f.at) + " (" + std::to_string(static_cast<int>(f.call)) + "), error " +
                   std::to_string(f.error));
      WriteFile(Target(), oldText);
      const int told = Attempt(save, f);
      // With nothing under the file's name, the new file is moved in.
      if (f.call == Call::ReplaceFile && f.error == kErrorUnableToMoveReplacement2) {
        EXPECT_EQ(told, 0);
      }
      const std::string now = ReadBack();
      EXPECT_TRUE(now == oldText || now == newText) << now.size();
      if (told == 0) {
        EXPECT_EQ(now, newText);  // no error: the new bytes are there
      }
      if (told == 1) {
        EXPECT_EQ(now, oldText);  // an error: the old ones
      }
      if (told >= 0 && f.call != Call::DeleteFile) {
        EXPECT_EQ(Beside(), std::vector<std::string>{});
      }
      // The next save is not disturbed by what the failure left, and ends
      // with nothing beside the file.
      save();
      EXPECT_EQ(ReadBack(), newText);
      EXPECT_EQ(Beside(), std::vector<std::string>{});
      if (linked) {
        EXPECT_EQ(ReadFile(OtherName()), newText);
        EXPECT_EQ(std::filesystem::hard_link_count(Target()), 2u);
      }
    }
  }
}

// After ReplaceFileW the temporary file a 1177 left has the file's
// attributes; CREATE_ALWAYS refuses it when they are hidden, so it goes
// first. A folder that takes no new files is no hold: told at once.
TEST_F(SafeWrites, AHiddenLeftoverIsNoHoldAndAFolderThatTakesNoNewFilesIsToldAtOnce) {
  WriteFile(Target(), "old");
  WriteFile(Target() + ".vxtmp", "left");
  files.hidden = {Target(), Target() + ".vxtmp"};
  patient.Replace(FilePath(Target()), {"new"});
  EXPECT_EQ(ReadFile(Target()), "new");
  EXPECT_EQ(tick, 0u);
  EXPECT_EQ(Beside(), std::vector<std::string>{});
  EXPECT_EQ(files.hidden, std::set<std::string>{Target()});
  files.faultHook = [&](Call call, const std::string& path) {
    if (call == Call::CreateFile && !std::filesystem::exists(path)) throw SystemError("denied", kErrorAccessDenied);
  };
  EXPECT_THROW(patient.Replace(FilePath(Target()), {"newer"}), ReadOnlyFile);
  EXPECT_THROW(patient.Create(FilePath(dir / "Vorlex.log"), "head"), ReadOnlyFile);
  EXPECT_EQ(tick, 0u);
  EXPECT_EQ(ReadFile(Target()), "new");
}

// The first start's file and the log's first lines: the whole file or none.
TEST_F(SafeWrites, ACreateLeavesTheWholeFileOrNoneWhateverCallFails) {
  const std::string header = ";Vorlex Initialize File\r\n";
  auto create = [&] { patient.Create(FilePath(Target()), header); };
  const std::vector<Call> calls = CallsOf(create);
  for (const Failure& f : Failures(calls, true)) {
    SCOPED_TRACE("call " + std::to_string(f.at) + ", error " + std::to_string(f.error));
    Clear();
    const int told = Attempt(create, f);
    std::string bytes;
    const bool exists = files.Read(FilePath(Target()), bytes, 1u << 20);
    EXPECT_EQ(exists, told == 0);
    if (exists) {
      EXPECT_EQ(bytes, header);
    }
    if (told >= 0) {
      EXPECT_EQ(Beside(), std::vector<std::string>{});
    }
  }
  // Never over a file that is there.
  WriteFile(Target(), "mine");
  EXPECT_THROW(create(), SystemError);
  EXPECT_EQ(ReadFile(Target()), "mine");
}

TEST_F(SafeWrites, AnAppendLeavesTheFileAsItWasOrWithTheRowAdded) {
  const std::string row = "26/12/07 | 04:18:02 | 09:30:00 | 05:11:58\r\n";
  auto append = [&] { patient.Append(FilePath(Target()), row); };
  WriteFile(Target(), "head\r\n");
  const std::vector<Call> calls = CallsOf(append);
  for (const Failure& f : Failures(calls, false)) {
    SCOPED_TRACE("call " + std::to_string(f.at) + ", error " + std::to_string(f.error));
    WriteFile(Target(), "head\r\n");
    const int told = Attempt(append, f);
    const std::string now = ReadFile(Target());
    // Done, the row is there once; told, a failed write may have written a
    // part of it, as WriteFile's page allows, and it is not written again.
    // The lines before it are never touched.
    if (told == 0) {
      EXPECT_EQ(now, "head\r\n" + row);
    }
    ASSERT_GE(now.size(), 6u);
    EXPECT_EQ("head\r\n" + row.substr(0, now.size() - 6), now);
    EXPECT_EQ(Beside(), std::vector<std::string>{});
  }
  // A read-only log is refused at once, not waited for.
  std::filesystem::permissions(Target(), std::filesystem::perms::owner_read);
  const std::uint64_t before = tick;
  EXPECT_THROW(append(), ReadOnlyFile);
  EXPECT_EQ(tick, before);
}

// ReplaceFileW's page, under Return value: ERROR_UNABLE_TO_MOVE_REPLACEMENT
// (1176) "If lpBackupFileName was specified, the replaced and replacement
// files retain their original file names. Otherwise, the replaced file no
// longer exists and the replacement file exists under its original name."
// ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 (1177): "The replacement file still
// exists under its original name ... The file to be replaced still exists
// with a different name. If lpBackupFileName is specified, it will be the
// name of the replaced file." ERROR_UNABLE_TO_REMOVE_REPLACED (1175) and any
// other error: both keep their names. The headless files fail so.
TEST_F(SafeWrites, TheHeadlessReplaceFailsAsWindowsDocumentsIt) {
  struct Exposed : PosixFiles {
    using PosixFiles::ReplaceFile;
  } fs;
  const FilePath target(Target()), temp(Target() + ".vxtmp"), backup(Target() + ".vxbak");
  struct Outcome {
    std::uint32_t error;
    bool withBackup;
    const char *underName, *underTemp, *underBackup;  // what each name holds afterwards ("" for nothing)
  };
  for (const Outcome& o : std::vector<Outcome>{{1175, true, "old", "new", ""},
                                               {1176, true, "old", "new", ""},
                                               {1176, false, "", "new", ""},
                                               {1177, true, "", "new", "old"},
                                               {5, true, "old", "new", ""},
                                               {0, true, "new", "", "old"}}) {
    SCOPED_TRACE(std::to_string(o.error) + (o.withBackup ? " with a backup name" : " without"));
    Clear();
    WriteFile(target.utf8, "old");
    WriteFile(temp.utf8, "new");
    fs.faultHook = [&o](Call call, const std::string&) {
      if (call == Call::ReplaceFile && o.error) throw SystemError("injected", o.error);
    };
    if (o.error)
      EXPECT_THROW(fs.ReplaceFile(target, temp, o.withBackup ? backup : FilePath()), SystemError);
    else
      fs.ReplaceFile(target, temp, backup);
    auto held = [](const FilePath& f) { return std::filesystem::exists(f.utf8) ? ReadFile(f.utf8) : std::string(); };
    EXPECT_EQ(held(target), o.underName);
    EXPECT_EQ(held(temp), o.underTemp);
    EXPECT_EQ(held(backup), o.underBackup);
  }
}

// What a crash between ReplaceFileW's two renames leaves (the old file
// under the backup name alone) is read as the file, and stays the file.
TEST_F(SafeWrites, AFileLeftUnderItsBackupNameAloneComesBackBeforeItIsRead) {
  WriteFile(Target() + ".vxbak", "[A]\r\nk=kept\r\n");
  EXPECT_EQ(ReadBack(), "[A]\r\nk=kept\r\n");
  EXPECT_EQ(Beside(), std::vector<std::string>{});
  // When both are there, the file under its own name is the file.
  WriteFile(Target() + ".vxbak", "stale");
  EXPECT_EQ(ReadBack(), "[A]\r\nk=kept\r\n");
}

// A scanner that holds the old file open for deletion makes ReplaceFileW
// answer ERROR_ACCESS_DENIED for a moment: waited for. A read-only file
// answers the same for good: told at once.
TEST_F(SafeWrites, AnAccessDeniedReplaceIsWaitedForUnlessTheFileIsReadOnly) {
  WriteFile(Target(), "old");
  int refusals = 3;
  files.faultHook = [&](Call call, const std::string&) {
    if (call == Call::ReplaceFile && refusals-- > 0) throw SystemError("held for deletion", kErrorAccessDenied);
  };
  patient.Replace(FilePath(Target()), {"new"});
  EXPECT_EQ(ReadFile(Target()), "new");
  EXPECT_EQ(tick, 3 * PatientFiles::kPauseMs);
  files.faultHook = nullptr;
  std::filesystem::permissions(Target(), std::filesystem::perms::owner_read);
  EXPECT_THROW(patient.Replace(FilePath(Target()), {"newer"}), ReadOnlyFile);
  EXPECT_EQ(tick, 3 * PatientFiles::kPauseMs);
  EXPECT_EQ(ReadFile(Target()), "new");
}

}  // namespace vx::test

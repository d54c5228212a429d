// Under Wine (or on Windows): the settings engine judged by the system's own
// profile functions. Every file below is read through GetPrivateProfileStringA
// and through the engine, key by key and an item's keys together, and the
// answers must be the same.
#include "platform/win32/win32.h"  // first: it tames <windows.h>'s macros

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/profile.h"

namespace {

std::string TempIni() {
  char dir[MAX_PATH], file[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  GetTempFileNameA(dir, "vxj", 0, file);
  return file;
}

// Writes the bytes as the file's whole content; false when it cannot.
bool WriteIni(const std::string& ini, const char* bytes) {
  HANDLE h = CreateFileA(ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, bytes, static_cast<DWORD>(std::strlen(bytes)), &written, nullptr);
  CloseHandle(h);
  return ok != FALSE;
}

// The system's answer, or "<none>" when the key is missing.
std::string SystemRead(const std::string& ini, const std::string& section, const std::string& key) {
  char buf[2048];
  const std::string none = "<none>";
  GetPrivateProfileStringA(section.c_str(), key.c_str(), none.c_str(), buf, sizeof buf, ini.c_str());
  return buf;
}

struct Case {
  const char* file;
  std::vector<const char*> sections;
};

TEST(ProfileJudge, TheEngineReadsWhatTheSystemReads) {
  const std::vector<Case> cases = {
      {"[Basic]\r\nCount=2\r\n[0]\r\nName=\"a\"\r\nHotKey=65\r\nExe=\"C:\\x.exe\"\r\nPar=\"-v \"q\"\"\r\nDir=\r\n",
       {"Basic", "0", "1"}},
      {"[0]\nName = ' spaced ' \nexe=first\nEXE=second\n[0]\nPar=dup section\n", {"0"}},
      {"first line\r\n[ 0 ]\r\n;Name=comment\r\n  Name  =  \"x\r\nHotKey=\r\n", {"0", " 0 "}},
      {"[0]\r\nName=no final line end", {"0"}},
      {"[項目‐]\r\nName=\"二番目\"\r\n[‐]\r\nExe=trail\r\n", {"項目‐", "‐"}},
      {"[0]\r\nName=\"\"\r\nHotKey='7'\r\nExe=\"\r\nPar=\"x'\r\n", {"0"}},
  };
  const char* const keys[] = {"Name", "HotKey", "Exe", "Par", "Dir", "name", "EXE"};
  vx::win32::Win32Platform platform;
  for (const Case& c : cases) {
    const std::string ini = TempIni();
    ASSERT_TRUE(WriteIni(ini, c.file));
    vx::ProfileFile engine(platform.files(), vx::FilePath(ini));
    for (const char* section : c.sections) {
      std::string values[7];
      std::vector<vx::ProfileFile::KeyRead> together;
      for (int i = 0; i < 5; ++i) together.push_back({keys[i], &values[i]});
      engine.ReadKeys(section, together.data(), together.size());
      for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(::testing::Message() << "file " << c.file << " [" << section << "] " << keys[i]);
        const std::string expected = SystemRead(ini, section, keys[i]);
        EXPECT_EQ(engine.ReadString(section, keys[i], "<none>"), expected);
        if (i < 5) {
          EXPECT_EQ(together[i].found ? values[i] : "<none>", expected);
        }
      }
    }
    DeleteFileA(ini.c_str());
  }
}

// A change made through the system and through the engine alike: a key
// written, or removed (written without a value) where `value` is null.
struct Change {
  const char *section, *key, *value;
};

// Makes the same changes to two copies of `file`, one through the system's
// profile functions and one through the engine (key by key, or the changes
// of section "0" as one batch and the rest key by key), then reads every
// key of `sections` back through the system: both copies must answer the
// same. The bytes may differ where the system rewrites lines it keeps.
void JudgeChanges(const char* file, const std::vector<Change>& changes, const std::vector<const char*>& sections,
                  const std::vector<const char*>& keys) {
  vx::win32::Win32Platform platform;
  for (bool together : {false, true}) {
    const std::string system = TempIni(), mine = TempIni();
    for (const std::string& ini : {system, mine}) ASSERT_TRUE(WriteIni(ini, file));
    for (const Change& c : changes) WritePrivateProfileStringA(c.section, c.key, c.value, system.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, system.c_str());
    {
      vx::ProfileFile engine(platform.files(), vx::FilePath(mine));
      auto one = [&engine](const Change& c) {
        if (c.value)
          engine.WriteString(c.section, c.key, c.value);
        else
          engine.DeleteKey(c.section, c.key);
      };
      if (together) {
        std::vector<vx::ProfileFile::KeyWrite> batch;
        for (const Change& c : changes)
          if (std::string(c.section) == "0") batch.push_back({c.key, c.value ? c.value : "", false, !c.value});
        engine.WriteKeys("0", batch.data(), batch.size());
        for (const Change& c : changes)
          if (std::string(c.section) != "0") one(c);
      } else {
        for (const Change& c : changes) one(c);
      }
      engine.Flush();
    }
    for (const char* section : sections)
      for (const char* key : keys) {
        SCOPED_TRACE(::testing::Message()
                     << "file " << file << (together ? ", together" : "") << " [" << section << "] " << key);
        EXPECT_EQ(SystemRead(mine, section, key), SystemRead(system, section, key));
      }
    DeleteFileA(system.c_str());
    DeleteFileA(mine.c_str());
  }
}

TEST(ProfileJudge, AfterTheSameWritesEveryKeyReadsTheSame) {
  const char* const files[] = {
      "[Basic]\r\nCount=1\r\n[0]\r\nName=\"a\"\r\nHotKey=65\r\nExe=\"C:\\x.exe\"\r\n",
      "[0]\nname=lower\nExe=first\nexe=second\n",
      "[0]\r\nName=no final line end",
      "",
  };
  const std::vector<Change> writes = {{"0", "Name", "\"b\""}, {"0", "HotKey", "66"},    {"0", "Exe", "\"C:\\x.exe\""},
                                      {"0", "Par", "\"-v\""}, {"1", "Name", "\"new\""}, {"Basic", "Count", "2"}};
  for (const char* file : files)
    JudgeChanges(file, writes, {"Basic", "0", "1"}, {"Name", "HotKey", "Exe", "Par", "Dir", "Count"});
}

// A key removed reads as the system's removal leaves it: gone, or answered
// by a later line of the same name.
TEST(ProfileJudge, AfterTheSameRemovalsEveryKeyReadsTheSame) {
  const char* const files[] = {
      "[0]\r\nName=\"a\"\r\nRunAs=1\r\nShow=2\r\nActivate=1\r\n[1]\r\nShow=1\r\n",
      "[0]\nshow=first\nSHOW=second\nRunAs=1\n[0]\nActivate=dup section\n",
      "[0]\r\nName=x\r\nShow=no final line end",
  };
  const std::vector<Change> removals = {{"0", "Show", nullptr}, {"0", "RunAs", nullptr}, {"0", "Missing", nullptr}};
  for (const char* file : files) JudgeChanges(file, removals, {"0", "1"}, {"Name", "Show", "RunAs", "Activate"});
}

}  // namespace

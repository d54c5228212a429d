// Under Wine (or on Windows): the settings engine judged by the system's own
// profile functions. Every file below, in Shift-JIS and as UTF-16 LE with a
// byte-order mark, is read through GetPrivateProfileStringW and through the
// engine, key by key and an item's keys together, and the answers must be
// the same; what either writes, the other reads.
#include "platform/win32/win32.h"  // first: it tames <windows.h>'s macros

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/profile.h"

namespace {

using vx::win32::Narrow;
using vx::win32::Wide;

std::string TempIni() {
  wchar_t dir[MAX_PATH], file[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  GetTempFileNameW(dir, L"vxj", 0, file);
  return Narrow(file);
}

enum class Form { ShiftJis, Utf16 };

// Writes the text (UTF-8) as the file's whole content in the form; false
// when it cannot.
bool WriteIni(const std::string& ini, const std::string& text, Form form) {
  std::string bytes;
  if (form == Form::Utf16) {
    bytes = "\xFF\xFE";
    for (char16_t u : vx::Utf8ToUtf16(text)) bytes += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
  } else {
    bytes = vx::win32::Win32CodePage().Encode(vx::Utf8ToUtf16(text));
  }
  HANDLE h = CreateFileW(Wide(ini).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  return ok != FALSE;
}

bool StartsUtf16(const std::string& ini) {
  HANDLE h = CreateFileW(Wide(ini).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  unsigned char head[2] = {};
  DWORD got = 0;
  ReadFile(h, head, 2, &got, nullptr);
  CloseHandle(h);
  return got == 2 && head[0] == 0xFF && head[1] == 0xFE;
}

// The system's answer, or "<none>" when the key is missing.
std::string SystemRead(const std::string& ini, const std::string& section, const std::string& key) {
  wchar_t buf[2048];
  GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), L"<none>", buf, 2048, Wide(ini).c_str());
  return Narrow(buf);
}

void SystemWrite(const std::string& ini, const char* section, const char* key, const char* value) {
  WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), value ? Wide(value).c_str() : nullptr,
                             Wide(ini).c_str());
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
  const std::vector<Case> unicode = {
      {"[0]\r\nName=\"Büro ☕ 발표 😀\"\r\nExe=\"C:\\Präsentationen 발표\\x.exe\"\r\n", {"0"}},
      {"[Jürgen ¥ 〜]\r\nname = ' 音乐 ' \r\n", {"Jürgen ¥ 〜"}},
  };
  const char* const keys[] = {"Name", "HotKey", "Exe", "Par", "Dir", "name", "EXE"};
  // The system reads a Shift-JIS file in the ANSI code page.
  ASSERT_EQ(GetACP(), 932u) << "the judge runs as on a Japanese Windows: under Wine, with LC_ALL=ja_JP.UTF-8";
  vx::win32::Win32Platform platform;
  std::vector<std::pair<Case, Form>> files;
  for (const Case& c : cases)
    for (Form form : {Form::ShiftJis, Form::Utf16}) files.push_back({c, form});
  for (const Case& c : unicode) files.push_back({c, Form::Utf16});
  for (const auto& [c, form] : files) {
    const std::string ini = TempIni();
    ASSERT_TRUE(WriteIni(ini, c.file, form));
    vx::ProfileFile engine(platform.files(), vx::FilePath(ini), platform.codePage());
    for (const char* section : c.sections) {
      std::string values[7];
      std::vector<vx::ProfileFile::KeyRead> together;
      for (int i = 0; i < 5; ++i) together.push_back({keys[i], &values[i]});
      engine.ReadKeys(section, together.data(), together.size());
      for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(::testing::Message() << (form == Form::Utf16 ? "UTF-16 " : "") << "file " << c.file << " ["
                                          << section << "] " << keys[i]);
        const std::string expected = SystemRead(ini, section, keys[i]);
        EXPECT_EQ(engine.ReadString(section, keys[i], "<none>"), expected);
        if (i < 5) {
          EXPECT_EQ(together[i].found ? values[i] : "<none>", expected);
        }
      }
    }
    DeleteFileW(Wide(ini).c_str());
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
                  const std::vector<const char*>& keys, Form form = Form::ShiftJis) {
  vx::win32::Win32Platform platform;
  for (bool together : {false, true}) {
    const std::string system = TempIni(), mine = TempIni();
    for (const std::string& ini : {system, mine}) ASSERT_TRUE(WriteIni(ini, file, form));
    for (const Change& c : changes) SystemWrite(system, c.section, c.key, c.value);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, Wide(system).c_str());
    {
      vx::ProfileFile engine(platform.files(), vx::FilePath(mine), platform.codePage());
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
    if (form == Form::Utf16) {
      EXPECT_TRUE(StartsUtf16(mine)) << "a UTF-16 file stays UTF-16";
    }
    DeleteFileW(Wide(system).c_str());
    DeleteFileW(Wide(mine).c_str());
  }
}

TEST(ProfileJudge, AfterTheSameWritesAndRemovalsEveryKeyReadsTheSame) {
  const char* const files[] = {
      "[Basic]\r\nCount=1\r\n[0]\r\nName=\"a\"\r\nHotKey=65\r\nExe=\"C:\\x.exe\"\r\n",
      "[0]\nname=lower\nExe=first\nexe=second\n",
      "[0]\r\nName=no final line end",
      "",
  };
  const std::vector<Change> writes = {{"0", "Name", "\"b\""}, {"0", "HotKey", "66"},    {"0", "Exe", "\"C:\\x.exe\""},
                                      {"0", "Par", "\"-v\""}, {"1", "Name", "\"new\""}, {"Basic", "Count", "2"}};
  for (const char* file : files)
    for (Form form : {Form::ShiftJis, Form::Utf16})
      JudgeChanges(file, writes, {"Basic", "0", "1"}, {"Name", "HotKey", "Exe", "Par", "Dir", "Count"}, form);
  // Characters Shift-JIS lacks, written by the system into a UTF-16 file and
  // by the engine, which makes its copy UTF-16 on the way.
  const std::vector<Change> unicode = {{"0", "Name", "\"Büro ☕ 발표 😀\""},
                                       {"0", "Exe", "\"C:\\Präsentationen 발표\\x.exe\""},
                                       {"Jürgen", "名前", "¥ 〜"}};
  JudgeChanges("[0]\r\nName=\"a\"\r\n", unicode, {"0", "Jürgen"}, {"Name", "Exe", "名前"}, Form::Utf16);
  // A key removed reads as the system's removal leaves it: gone, or
  // answered by a later line of the same name.
  for (const char* file : {"[0]\r\nName=\"a\"\r\nRunAs=1\r\nShow=2\r\nActivate=1\r\n[1]\r\nShow=1\r\n",
                           "[0]\nshow=first\nSHOW=second\nRunAs=1\n[0]\nActivate=dup section\n",
                           "[0]\r\nName=x\r\nShow=no final line end"})
    JudgeChanges(file, {{"0", "Show", nullptr}, {"0", "RunAs", nullptr}, {"0", "Missing", nullptr}}, {"0", "1"},
                 {"Name", "Show", "RunAs", "Activate"});
}

// A Shift-JIS file that the engine must make UTF-16 reads, through the
// system, as the engine wrote it, every foreign line with it.
TEST(ProfileJudge, AFileTheEngineMakesUtf16ReadsTheSameThroughTheSystem) {
  vx::win32::Win32Platform platform;
  const std::string ini = TempIni();
  ASSERT_TRUE(WriteIni(ini, ";first line 表\r\n[Foreign]\r\nmine=項目\r\n[0]\r\nName=\"a\"\r\n", Form::ShiftJis));
  {
    vx::ProfileFile engine(platform.files(), vx::FilePath(ini), platform.codePage());
    engine.WriteString("0", "Name", "\"Büro ☕ 발표\"");
    engine.Flush();
  }
  EXPECT_TRUE(StartsUtf16(ini));
  EXPECT_EQ(SystemRead(ini, "0", "Name"), "Büro ☕ 발표");
  EXPECT_EQ(SystemRead(ini, "Foreign", "mine"), "項目");
  DeleteFileW(Wide(ini).c_str());
}

}  // namespace

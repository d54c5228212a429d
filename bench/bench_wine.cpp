// Under Wine (or on Windows): the settings engine against the platform's own
// profile functions, doing the same reads and writes, and a folder's menu
// listed. Prints Markdown tables.
#include "platform/win32/win32.h"  // first: it tames <windows.h>'s macros

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/profile_bench.h"
#include "core/folders.h"

namespace {

// The reads of LoadSettings and the writes of SaveSettings, key by key,
// through GetPrivateProfileStringA / WritePrivateProfileStringA.
void ProfileApiLoad(const std::string& ini, int items) {
  char buf[2048];
  const char* basic[] = {"AtomName",       "Count", "ShortCutView", "LeftDoubleClickMenuNo", "RightDoubleClickMenuNo",
                         "VisibleMenuIcon"};
  for (const char* k : basic) GetPrivateProfileStringA("Basic", k, "", buf, sizeof buf, ini.c_str());
  const char* keys[] = {"Name", "HotKey", "Exe", "Par", "Dir"};
  for (int i = -1; i < items; ++i)
    for (const char* k : keys) GetPrivateProfileStringA(std::to_string(i).c_str(), k, "", buf, sizeof buf, ini.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
}

void ProfileApiSave(const std::string& ini, int items) {
  auto put = [&ini](const std::string& s, const char* k, const std::string& v) {
    WritePrivateProfileStringA(s.c_str(), k, v.c_str(), ini.c_str());
  };
  put("Basic", "AtomName", "\"Atom_Vorlex\"");
  put("Basic", "Count", std::to_string(items));
  put("Basic", "ShortCutView", "0");
  put("Basic", "LeftDoubleClickMenuNo", "-1");
  put("Basic", "RightDoubleClickMenuNo", "-1");
  put("Basic", "VisibleMenuIcon", "1");
  for (int i = -1; i < items; ++i) {
    const std::string s = std::to_string(i);
    put(s, "Name", "\"Item " + s + "\"");
    put(s, "HotKey", "16449");
    put(s, "Exe", "\"C:\\Program Files\\Vendor\\Program" + s + "\\program.exe\"");
    put(s, "Par", "\"--option \"value " + s + "\"\"");
    put(s, "Dir", "\"C:\\Users\\me\\Documents\"");
  }
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  const std::string dir = std::string(tmp);
  const int apiMax = argc > 1 ? std::atoi(argv[1]) : 1000;
  vx::win32::Win32Platform platform;
  std::printf(
      "| items | engine load ms | engine save ms | engine total ms | profile API total ms | ratio |\n"
      "|---|---|---|---|---|---|\n");
  for (int items : {100, 1000, 10000}) {
    const std::string ini = dir + "vorlex-bench-" + std::to_string(items) + ".ini";
    DeleteFileA(ini.c_str());
    const vx::bench::Row r = vx::bench::MeasureEngine(platform, ini, items, 5);
    const double engine = r.loadMs + r.saveMs;
    if (items > apiMax) {
      std::printf("| %d | %.2f | %.2f | %.2f | (not run) | |\n", items, r.loadMs, r.saveMs, engine);
    } else {
      const std::string apiIni = dir + "vorlex-bench-api-" + std::to_string(items) + ".ini";
      DeleteFileA(apiIni.c_str());
      ProfileApiSave(apiIni, items);
      const double t0 = vx::bench::NowMs();
      ProfileApiLoad(apiIni, items);
      ProfileApiSave(apiIni, items);
      const double api = vx::bench::NowMs() - t0;
      std::printf("| %d | %.2f | %.2f | %.2f | %.1f | %.0fx |\n", items, r.loadMs, r.saveMs, engine, api, api / engine);
      DeleteFileA(apiIni.c_str());
    }
    std::fflush(stdout);
    DeleteFileA(ini.c_str());
  }
  // The engine alone on Japanese names: a Shift-JIS file, and the same
  // items as a UTF-16 file (one name holds a character Shift-JIS lacks).
  std::printf(
      "\n| items | Shift-JIS load ms | Shift-JIS save ms | UTF-16 load ms | UTF-16 save ms | UTF-16 / Shift-JIS |\n"
      "|---|---|---|---|---|---|\n");
  for (int items : {100, 1000, 10000}) {
    const std::string ini = dir + "vorlex-bench-forms-" + std::to_string(items) + ".ini";
    using vx::bench::Names;
    const vx::bench::Row sjis = vx::bench::MeasureEngine(platform, ini, items, 5, Names::Japanese);
    const vx::bench::Row utf16 = vx::bench::MeasureEngine(platform, ini, items, 5, Names::Unicode);
    std::printf("| %d | %.2f | %.2f | %.2f | %.2f | %.2f |\n", items, sjis.loadMs, sjis.saveMs, utf16.loadMs,
                utf16.saveMs, (utf16.loadMs + utf16.saveMs) / (sjis.loadMs + sjis.saveMs));
    std::fflush(stdout);
    DeleteFileA(ini.c_str());
  }
  // A folder's menu: how long the listing takes on the worker before its
  // entries show (the launch menu itself never waits for it).
  std::printf("\n| files in the folder | listed and sorted ms |\n|---|---|\n");
  for (int files : {100, 1000, 10000}) {
    const std::wstring folder = vx::win32::Wide(dir) + L"vorlex-bench-folder-" + std::to_wstring(files);
    CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < files; ++i) {
      const std::wstring name = folder + L"\\File " + std::to_wstring(i) + (i % 10 ? L".txt" : L".lnk");
      CloseHandle(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    std::vector<double> ms;
    std::size_t shown = 0;
    for (int k = 0; k < 5; ++k) {
      const double t0 = vx::bench::NowMs();
      shown = vx::ListFolderMenu(vx::win32::PathFromWide(folder), platform).entries.size();
      ms.push_back(vx::bench::NowMs() - t0);
    }
    std::printf("| %d (%zu shown) | %.2f |\n", files, shown, vx::bench::Median(ms));
    std::fflush(stdout);
    for (int i = 0; i < files; ++i)
      DeleteFileW((folder + L"\\File " + std::to_wstring(i) + (i % 10 ? L".txt" : L".lnk")).c_str());
    RemoveDirectoryW(folder.c_str());
  }
  return 0;
}

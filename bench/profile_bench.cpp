#include "bench/profile_bench.h"

#include <algorithm>
#include <chrono>

#include "core/Unit_All.h"
#include "core/Unit_File.h"

namespace vx::bench {

double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

Row MeasureEngine(Platform& platform, const std::string& iniPath, int items, int rounds, Names names) {
  SetCorePlatform(&platform);
  ExeList = new TExeList;
  IniFileName = FilePath(iniPath);
  AtomName = "Atom_Vorlex";
  for (int i = 0; i < items; ++i) {
    TVorlexType* r = ExeList->Add();
    r->Name = (names == Names::Ascii ? "Item " : "項目 ") + std::to_string(i);
    if (names == Names::Unicode && i == 0) r->Name += " ☕";
    r->HotKey = static_cast<ShortCut>(0x4000 | (0x41 + i % 26));
    r->Exe = "C:\\Program Files\\Vendor\\Program" + std::to_string(i) + "\\program.exe";
    r->Par = "--option \"value " + std::to_string(i) + "\"";
    r->Dir = "C:\\Users\\me\\Documents";
  }
  platform.files().Replace(IniFileName, {""});  // a new file starts in Shift-JIS
  SaveSettings();
  std::string bytes;
  platform.files().Read(IniFileName, bytes, std::size_t(1) << 30);
  std::vector<double> load, save, floor;
  for (int k = 0; k < rounds; ++k) {
    double t0 = NowMs();
    LoadSettings();
    double t1 = NowMs();
    SaveSettings();
    double t2 = NowMs();
    platform.files().Replace(IniFileName, {bytes});
    double t3 = NowMs();
    load.push_back(t1 - t0);
    save.push_back(t2 - t1);
    floor.push_back(t3 - t2);
  }
  delete ExeList;
  ExeList = nullptr;
  FinalizeUnitAll();
  SetCorePlatform(nullptr);
  return Row{items, Median(load), Median(save), Median(floor)};
}

}  // namespace vx::bench

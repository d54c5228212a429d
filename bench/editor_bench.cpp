// The editor's Ok natively, on the headless desktop with the real program:
// 1,000 items (205 of them with hotkeys), the editor opened, then Ok, which
// stores the item, saves the file with its durable flush, registers every
// hotkey and rebuilds the launch menu. Prints a Markdown table.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/Fom_Main.h"
#include "app/program.h"
#include "bench/profile_bench.h"
#include "forms/Fom_Set.h"
#include "platform/headless/headless.h"

namespace {

std::string Settings(int items) {
  const char keys[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  const int mods[] = {0x4000 | 0x8000, 0x4000 | 0x2000, 0x8000 | 0x2000, 0x4000 | 0x8000 | 0x2000, 0x4000, 0x8000};
  std::string s = ";Vorlex Initialize File\r\n[Basic]\r\nCount=" + std::to_string(items) + "\r\n";
  for (int i = 0; i < items; ++i) {
    const int hotkey = i < 205 ? mods[i / 36] | keys[i % 36] : 0;
    s += "[" + std::to_string(i) + "]\r\nName=\"Item " + std::to_string(i) + "\"\r\nHotKey=" + std::to_string(hotkey) +
         "\r\nExe=\"C:\\Programs\\item" + std::to_string(i) + ".exe\"\r\nPar=\"\"\r\nDir=\"\"\r\n";
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const int items = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 25;
  char tmpl[] = "/tmp/vorlex-bench-XXXXXX";
  const std::string dir = ::mkdtemp(tmpl);
  std::ofstream(dir + "/Vorlex.ini", std::ios::binary) << Settings(items);
  vx::HeadlessSystem system;
  vx::HeadlessPlatform p(system, dir + "/Vorlex.exe");
  vx::VorlexProgram program(p);
  if (program.Start() != -1) return 1;
  std::vector<double> open, ok;
  for (int k = 0; k < rounds; ++k) {
    const double t0 = vx::bench::NowMs();
    vx::Form_Main->MI_SetClick(nullptr);
    const double t1 = vx::bench::NowMs();
    vx::Form_Set->Btn_OkClick(nullptr);
    const double t2 = vx::bench::NowMs();
    open.push_back(t1 - t0);
    ok.push_back(t2 - t1);
  }
  std::printf("| items | open the editor ms | Ok ms |\n|---|---|---|\n");
  std::printf("| %d | %.2f | %.2f |\n", items, vx::bench::Median(open), vx::bench::Median(ok));
  const bool sound = p.messageBoxes.empty() && system.hotkeys.size() == 205 + 0;
  program.Finish();
  std::filesystem::remove_all(dir);
  return sound ? 0 : 2;
}

// The settings engine natively: LoadSettings + SaveSettings at 100, 1,000 and
// 10,000 items. Prints a Markdown table.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "bench/profile_bench.h"
#include "platform/headless/headless.h"

int main() {
  char tmpl[] = "/tmp/vorlex-bench-XXXXXX";
  const std::string dir = ::mkdtemp(tmpl);
  vx::HeadlessSystem system;
  vx::HeadlessPlatform platform(system, dir + "/Vorlex.exe");
  std::printf("| items | LoadSettings ms | SaveSettings ms | total ms |\n|---|---|---|---|\n");
  for (int items : {100, 1000, 10000}) {
    const vx::bench::Row r = vx::bench::MeasureEngine(platform, dir + "/Vorlex.ini", items, 15);
    std::printf("| %d | %.3f | %.3f | %.3f |\n", r.items, r.loadMs, r.saveMs, r.loadMs + r.saveMs);
  }
  std::filesystem::remove_all(dir);
  return 0;
}

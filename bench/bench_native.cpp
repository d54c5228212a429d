// The settings engine natively: LoadSettings + SaveSettings at 100, 1,000 and
// 10,000 items. Prints a Markdown table.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "bench/profile_bench.h"
#include "platform/headless/headless.h"

// Arguments: optionally one item count and a number of rounds, and one
// kind of names (ascii, japanese, unicode), to run just that (for
// instruction counts under callgrind).
int main(int argc, char** argv) {
  char tmpl[] = "/tmp/vorlex-bench-XXXXXX";
  const std::string dir = ::mkdtemp(tmpl);
  vx::HeadlessSystem system;
  vx::HeadlessPlatform platform(system, dir + "/Vorlex.exe");
  std::vector<int> counts{100, 1000, 10000};
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 25;
  if (argc > 1) counts = {std::atoi(argv[1])};
  using vx::bench::Names;
  std::vector<Names> kinds{Names::Ascii, Names::Japanese, Names::Unicode};
  if (argc > 3) kinds = {argv[3][0] == 'a' ? Names::Ascii : argv[3][0] == 'j' ? Names::Japanese : Names::Unicode};
  for (Names names : kinds) {
    std::printf("\n%s\n\n", names == Names::Ascii ? "ASCII names (Shift-JIS file)"
                            : names == Names::Japanese
                                ? "Japanese names (Shift-JIS file)"
                                : "Japanese names, one with a character Shift-JIS lacks (UTF-16 file)");
    std::printf(
        "| items | LoadSettings ms | SaveSettings ms | total ms | durable write of the file ms | total / write |\n"
        "|---|---|---|---|---|---|\n");
    for (int items : counts) {
      const vx::bench::Row r = vx::bench::MeasureEngine(platform, dir + "/Vorlex.ini", items, rounds, names);
      const double total = r.loadMs + r.saveMs;
      std::printf("| %d | %.3f | %.3f | %.3f | %.3f | %.1f |\n", r.items, r.loadMs, r.saveMs, total, r.floorMs,
                  total / r.floorMs);
    }
  }
  std::filesystem::remove_all(dir);
  return 0;
}

// The settings engine's memory, whatever the file's shape: at most about
// four times the file's size plus a constant. This program counts every
// allocation (it replaces the global operator new), so the figures are exact
// and do not depend on the machine.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "core/Unit_All.h"
#include "core/Unit_File.h"
#include "core/profile.h"
#include "tests/harness.h"

namespace {
std::atomic<std::size_t> live{0}, peak{0};
}  // namespace

void* operator new(std::size_t size) {
  void* p = std::malloc(size + 16);
  if (!p) throw std::bad_alloc();
  *static_cast<std::size_t*>(p) = size;
  const std::size_t now = live += size;
  std::size_t top = peak;
  while (now > top && !peak.compare_exchange_weak(top, now)) {
  }
  return static_cast<char*>(p) + 16;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  char* block = static_cast<char*>(p) - 16;
  live -= *reinterpret_cast<std::size_t*>(block);
  std::free(block);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace vx::test {

namespace {

// The most the engine held at once beyond what was live before.
template <class F>
std::size_t PeakOf(F work) {
  const std::size_t before = live;
  peak = before;
  work();
  return peak - before;
}

constexpr std::size_t kSize = 8u << 20;

// A file of `size` bytes made of `line(i)` repeated.
template <class F>
std::string Shape(F line) {
  std::string s;
  for (std::size_t i = 0; s.size() < kSize; ++i) s += line(i);
  return s;
}

std::string Name(std::size_t i) {  // short distinct names
  std::string n;
  do {
    n += static_cast<char>('A' + i % 26);
    i /= 26;
  } while (i);
  return n;
}

}  // namespace

TEST(ProfileMemory, AnyShapeCostsAtMostTwoAndAHalfTimesItsSize) {
  TempDir dir;
  PosixFiles files;
  const std::string path = dir / "t.ini";
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"blank lines, CR LF", Shape([](std::size_t) { return std::string("\r\n"); })},
      {"blank lines, LF", Shape([](std::size_t) { return std::string("\n"); })},
      {"distinct sections", Shape([](std::size_t i) { return "[" + Name(i) + "\n"; })},
      {"one section repeated", Shape([](std::size_t) { return std::string("[a]\n"); })},
      {"one section of distinct keys", "[S]\n" + Shape([](std::size_t i) { return Name(i) + "=\n"; })},
      {"one section of one key repeated", "[S]\n" + Shape([](std::size_t) { return std::string("k=1\n"); })},
      {"comments", Shape([](std::size_t) { return std::string(";\n"); })},
      {"one long line", std::string(kSize, 'x')},
  };
  for (const Case& c : cases) {
    WriteFile(path, c.text);
    const std::size_t used = PeakOf([&] {
      ProfileFile ini(files, FilePath(path), Sjis());
      // Read and write the big section and another, as the program does.
      ini.ReadString("S", "k", "");
      ini.ReadString("Basic", "Count", "");
      ini.WriteString("S", "New", "1");
      ini.WriteString("Basic", "Count", "1");
      ini.Flush();
    });
    // At most two and a half times the file, whatever its shape.
    EXPECT_LE(used, 5 * c.text.size() / 2 + (1u << 20)) << c.what << ": " << used / (1 << 20) << " MiB";
    std::printf("%-32s %.2f times the file\n", c.what, static_cast<double>(used) / static_cast<double>(c.text.size()));
  }
}

// 50 MB of blank lines, loaded and saved by the program's own routines.
TEST(ProfileMemory, FiftyMegabytesOfBlankLinesLoadInUnder250Megabytes) {
  TempDir dir;
  HeadlessSystem system;
  HeadlessPlatform p(system, dir / "Vorlex.exe");
  SetCorePlatform(&p);
  ExeList = new TExeList;
  IniFileName = FilePath(dir / "Vorlex.ini");
  ExeFileName = "Vorlex.exe";
  std::string text;
  for (int i = 0; i < 25'000'000; ++i) text += "\r\n";
  WriteFile(IniFileName.utf8, text);
  text.clear();
  text.shrink_to_fit();
  const std::size_t used = PeakOf([] {
    WriteIniHeader();
    LoadSettings();
    ExeList->Add()->Name = "x";
    SaveSettings();
  });
  EXPECT_LE(used, 250u << 20) << used / (1 << 20) << " MiB";
  std::printf("50 MB of blank lines: %zu MiB at most\n", used >> 20);
  EXPECT_NE(ReadFile(IniFileName.utf8).find("[0]\r\nName=\"x\"\r\n"), std::string::npos);
  delete ExeList;
  ExeList = nullptr;
  FinalizeUnitAll();
  SetCorePlatform(nullptr);
}

}  // namespace vx::test

// The settings-engine benchmark, shared by the native and the Windows build:
// LoadSettings + SaveSettings of a file with N launch items.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace vx::bench {

struct Row {
  int items;
  double loadMs, saveMs;
  // The floor: the same file's bytes written durably once (a temporary
  // file, flushed to disk, put in place), as the save's own flush does.
  double floorMs;
};

// The items' names: ASCII ("Item 1"), Japanese ("項目 1", so the file is
// Shift-JIS with double-byte text), or the Japanese names with one
// character Shift-JIS lacks in the first, so the file is UTF-16.
enum class Names { Ascii, Japanese, Unicode };

// Writes a file of `items` items to `iniPath`, then times LoadSettings and
// SaveSettings on it (the median of `rounds` runs each).
Row MeasureEngine(Platform& platform, const std::string& iniPath, int items, int rounds, Names names = Names::Ascii);
double Median(std::vector<double> v);
double NowMs();

}  // namespace vx::bench

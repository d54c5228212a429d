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
};

// Writes a file of `items` items to `iniPath`, then times LoadSettings and
// SaveSettings on it (the median of `rounds` runs each).
Row MeasureEngine(Platform& platform, const std::string& iniPath, int items, int rounds);
double Median(std::vector<double> v);
double NowMs();

}  // namespace vx::bench

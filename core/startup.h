// Starting with Windows: the value "Vorlex" of the person's Run key names
// this very Vorlex.exe, in double quotes. Windows' own record holds the
// switch, not the settings file, so a moved or copied Vorlex never starts
// from a stale path.
#pragma once

#include <string>

#include "platform/platform.h"

namespace vx {

inline constexpr char kStartupValueName[] = "Vorlex";

// The program a Run command names: its quoted first part, or the text up
// to the first blank.
std::string CommandProgram(const std::string& command);
// Whether Windows starts this very Vorlex.exe at sign-in: the value names
// it (compared as the file system compares paths) and Task Manager has not
// disabled it.
bool StartsWithWindows(Platform& platform);
// Makes Windows start this Vorlex.exe at sign-in, or removes the value. A
// refused write raises SystemError and changes nothing.
void SetStartWithWindows(Platform& platform, bool on);

}  // namespace vx

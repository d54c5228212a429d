// What the program's entry (app/main.cpp) asks of the Win32 backend, in
// plain types: it needs no Windows header of its own.
#pragma once

#include "platform/platform.h"

namespace vx::win32 {

// Makes the process safe to run from any folder, makes the Win32 platform
// and runs `program` on it; its result is the process's exit code.
int RunProgram(int (*program)(Platform&));

}  // namespace vx::win32

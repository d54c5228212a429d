// The program entry of Vorlex.exe. Windows calls wWinMain (the program is
// linked with -municode); the Win32 backend makes the platform, and the
// program runs on it.
#include "app/program.h"
#include "platform/win32/entry.h"

// Windows' own declaration needs its headers; the four arguments (two
// module handles, the command line, the show command), which Vorlex does
// not use, are taken as what they are in size.
extern "C" int __stdcall wWinMain(void* /*instance*/, void* /*previous*/, wchar_t* /*commandLine*/, int /*show*/) {
  return vx::win32::RunProgram(vx::VorlexMain);
}

// The program entry of Vorlex.exe.
#include "app/program.h"
#include "platform/win32/win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  vx::win32::Win32Platform platform;
  return vx::VorlexMain(platform);
}

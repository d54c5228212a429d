// Pictures of the program as a person sees it on the Wine desktop: the time
// window collapsed and expanded, at 96 and at 192 DPI. Each is a BMP file in
// the folder named on the command line; scripts/screenshots.sh makes PNG
// files of them for the docs.
#include <cstdio>
#include <string>

#include "tests/e2e/driver.h"

using namespace e2e;

namespace {

bool Shoot(HWND wnd, const std::wstring& path) {
  Sleep(400);  // a refresh of the clock, and the frame drawn
  RECT r;
  return GetWindowRect(wnd, &r) && SaveScreenBmp(r, path);
}

bool TimeWindow(const std::wstring& out, DWORD dpi) {
  SetWineDpi(dpi);
  const std::wstring folder = NewFolder(L"screenshots-" + std::to_wstring(dpi));
  WriteBytes(folder + L"\\Vorlex.ini",
             ";Vorlex Initialize File\r\n[Time]\r\nLogFile=1\r\nWinStart=0\r\nSuspend=1\r\nLast=26/12/07 18:42:05\r\n");
  Vorlex v(folder);
  if (!v.Start() || !v.WaitReady()) return false;
  HWND time = OpenTimeWindow(v);
  bool ok = time != nullptr;
  const std::wstring suffix = L"-" + std::to_wstring(dpi) + L".bmp";
  ok = ok && Shoot(time, out + L"\\time-collapsed" + suffix);
  ok = ok && ClickWindow(ChildWithText(time, L"設定"));
  ok = ok && Shoot(time, out + L"\\time-expanded" + suffix);
  v.Close();
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vorlex_screenshots <folder>\n");
    return 2;
  }
  const std::wstring out = argv[1];
  bool ok = true;
  for (DWORD dpi : {96u, 192u}) ok = TimeWindow(out, dpi) && ok;
  SetWineDpi(96);
  std::fprintf(stderr, ok ? "screenshots written\n" : "some screenshots failed\n");
  return ok ? 0 : 1;
}

// Started by Vorlex as a launch item: a program with a window. It opens one
// top-level window of class "VxWindow", titled with its first argument and
// shown as it was asked to start (normal, minimized or maximized), and runs
// until the window is closed. Each start appends its process id to the file
// named by its second argument, so that a test counts the copies started.
#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {

LRESULT CALLBACK WindowProcedure(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(wnd, msg, w, l);
}

void AppendLine(const wchar_t* path, const std::string& line) {
  HANDLE h = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(h);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 3) return 2;
  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProcedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"VxWindow";
  RegisterClassW(&wc);
  // Logged before the window shows: a test that sees the window sees the line.
  AppendLine(argv[2], std::to_string(GetCurrentProcessId()) + "\n");
  HWND wnd = CreateWindowExW(0, L"VxWindow", argv[1], WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 360, 240,
                             nullptr, nullptr, instance, nullptr);
  if (!wnd) return 1;
  // `show` is what the starter asked for (ShellExecute's nShow).
  ShowWindow(wnd, show);
  UpdateWindow(wnd);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

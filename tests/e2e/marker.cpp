// Started by Vorlex as a launch item: writes the file named by its first
// argument (relative to its working folder) with its parameters as given, its working
// folder and the performance counter at its start, then ends.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  if (argc < 2) return 2;
  // The parameters as they were handed over: the command line after the
  // program's own name.
  std::wstring args = GetCommandLineW();
  std::size_t end = args[0] == L'"' ? args.find(L'"', 1) + 1 : args.find(L' ');
  args = end == std::wstring::npos ? L"" : args.substr(end);
  args.erase(0, args.find_first_not_of(L' '));
  wchar_t cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, cwd);
  const std::wstring text = args + L"\n" + cwd + L"\n" + std::to_wstring(now.QuadPart) + L"\n";
  // Written under a temporary name and renamed, so a reader sees it whole.
  const std::wstring temp = std::wstring(argv[1]) + L".part";
  HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(h);
  return MoveFileExW(temp.c_str(), argv[1], MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}

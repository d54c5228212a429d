#include "platform/win32/entry.h"

#include "platform/win32/win32.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace vx::win32 {

namespace {

// Vorlex is run from wherever it was unpacked, often a downloads folder
// beside files of unknown origin. The system loads some DLLs lazily (for
// themes, the shell, the dialogs); from here on they come from System32
// only, never from the program's folder. Asked for by name, as Windows 7
// without its loader update lacks the function.
void RestrictDllSearch() {
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto set = kernel ? reinterpret_cast<SetDirectories>(
                                reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                          : nullptr;
  if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

int RunProgram(int (*program)(Platform&)) {
  RestrictDllSearch();  // before the first window, shell or COM call
  Win32Platform platform;
  const int code = program(platform);
  // A look-up aside may still wait on a share that is offline, and its
  // work calls the platform when the share answers. The process ends here,
  // with the platform whole: ExitProcess ends that thread first.
  ExitProcess(static_cast<UINT>(code));
}

}  // namespace vx::win32

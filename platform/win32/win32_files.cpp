#include <algorithm>

#include "platform/win32/win32.h"

namespace vx::win32 {

namespace {

void WriteAll(HANDLE h, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr)) ThrowLastError("WriteFile");
    done += written;
  }
}

}  // namespace

bool Win32Files::Read(const std::string& path, std::string& bytes) {
  ScopedHandle h(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h.Get(), &size)) return false;
  bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(h.Get(), &bytes[done], static_cast<DWORD>(bytes.size() - done), &got, nullptr) || got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return true;
}

bool Win32Files::Exists(const std::string& path) {
  const DWORD attrs = GetFileAttributesW(Wide(path).c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

void Win32Files::Create(const std::string& path, const std::string& bytes) {
  ScopedHandle h(
      CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) ThrowLastError("CreateFileW");
  WriteAll(h.Get(), bytes);
  if (!FlushFileBuffers(h.Get())) ThrowLastError("FlushFileBuffers");
}

void Win32Files::Replace(const std::string& path, const std::string& bytes) {
  const std::wstring target = Wide(path);
  const DWORD attrs = GetFileAttributesW(target.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    ThrowLastError("MoveFileExW", ERROR_ACCESS_DENIED);
  // Write the whole new file beside the old one, make it durable, then put
  // it in the old one's place in one step.
  const std::wstring temp = target + L".vxtmp";
  try {
    ScopedHandle h(
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) ThrowLastError("CreateFileW");
    WriteAll(h.Get(), bytes);
    if (!FlushFileBuffers(h.Get())) ThrowLastError("FlushFileBuffers");
  } catch (...) {
    DeleteFileW(temp.c_str());
    throw;
  }
  if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeleteFileW(temp.c_str());
    ThrowLastError("MoveFileExW", error);
  }
}

}  // namespace vx::win32

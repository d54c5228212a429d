#include <algorithm>

#include "platform/win32/win32.h"

namespace vx::win32 {

namespace {

void WriteAll(HANDLE h, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr)) ThrowLastError("WriteFile");
    done += written;
  }
}

// The file that a path names: a symbolic link is followed to its target.
std::wstring FinalPath(const std::wstring& path) {
  ScopedHandle h(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.Valid()) return path;
  std::wstring buf(32768, L'\0');
  const DWORD n = GetFinalPathNameByHandleW(h.Get(), &buf[0], static_cast<DWORD>(buf.size()), FILE_NAME_NORMALIZED);
  if (n == 0 || n >= buf.size()) return path;
  buf.resize(n);
  // "\\?\C:\..." names a drive path; "\\?\UNC\server\..." a share.
  if (buf.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + buf.substr(8);
  if (buf.compare(0, 4, L"\\\\?\\") == 0) return buf.substr(4);
  return buf;
}

}  // namespace

bool Win32Files::Read(const FilePath& path, std::string& bytes, std::size_t maxBytes) {
  const std::wstring wide = WidePath(path);
  ScopedHandle h(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
    // A folder under the file's name is no file; anything else that keeps
    // an existing file from being read is an error, never an empty file.
    const DWORD attrs = GetFileAttributesW(wide.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY)) return false;
    ThrowLastError("CreateFileW", error);
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h.Get(), &size)) ThrowLastError("GetFileSizeEx");
  if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) throw FileTooLarge(path.display);
  bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(h.Get(), &bytes[done], static_cast<DWORD>(bytes.size() - done), &got, nullptr))
      ThrowLastError("ReadFile");
    if (got == 0) break;  // the file was shortened meanwhile
    done += got;
  }
  bytes.resize(done);
  return true;
}

bool Win32Files::Exists(const FilePath& path) {
  const DWORD attrs = GetFileAttributesW(WidePath(path).c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

void Win32Files::Create(const FilePath& path, const std::string& bytes) {
  ScopedHandle h(
      CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) ThrowLastError("CreateFileW");
  WriteAll(h.Get(), bytes);
  if (!FlushFileBuffers(h.Get())) ThrowLastError("FlushFileBuffers");
}

void Win32Files::Append(const FilePath& path, const std::string& bytes) {
  // Windows refuses to write a read-only file to anyone; Wine running as
  // root would not, so the attribute is asked first.
  const DWORD attrs = GetFileAttributesW(WidePath(path).c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    ThrowLastError("CreateFileW", ERROR_ACCESS_DENIED);
  ScopedHandle h(CreateFileW(WidePath(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) ThrowLastError("CreateFileW");
  WriteAll(h.Get(), bytes);
  if (!CloseHandle(h.Get())) {
    const DWORD error = GetLastError();
    h.Release();
    ThrowLastError("CloseHandle", error);
  }
  h.Release();
}

void Win32Files::Replace(const FilePath& path, const std::vector<std::string_view>& pieces) {
  const std::wstring target = FinalPath(WidePath(path));
  const DWORD attrs = GetFileAttributesW(target.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    ThrowLastError("ReplaceFileW", ERROR_ACCESS_DENIED);
  // Write the whole new file beside the old one, make it durable, then put
  // it in the old one's place in one step.
  const std::wstring temp = target + L".vxtmp";
  try {
    ScopedHandle h(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) ThrowLastError("CreateFileW");
    // The pieces are gathered into large writes.
    std::string buffer;
    for (std::string_view piece : pieces) {
      if (buffer.size() + piece.size() > (1u << 16)) {
        WriteAll(h.Get(), buffer);
        buffer.clear();
      }
      if (piece.size() > (1u << 16))
        WriteAll(h.Get(), piece);
      else
        buffer.append(piece);
    }
    WriteAll(h.Get(), buffer);
    if (!FlushFileBuffers(h.Get())) ThrowLastError("FlushFileBuffers");
  } catch (...) {
    DeleteFileW(temp.c_str());
    throw;
  }
  if (attrs == INVALID_FILE_ATTRIBUTES) {
    if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      const DWORD error = GetLastError();
      DeleteFileW(temp.c_str());
      ThrowLastError("MoveFileExW", error);
    }
    return;
  }
  // ReplaceFileW keeps the old file's attributes (hidden, system), its
  // security and its creation time.
  if (!ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    const DWORD error = GetLastError();
    DeleteFileW(temp.c_str());
    ThrowLastError("ReplaceFileW", error);
  }
  // Not every implementation carries the attributes over; make sure.
  if (GetFileAttributesW(target.c_str()) != attrs) SetFileAttributesW(target.c_str(), attrs);
}

}  // namespace vx::win32

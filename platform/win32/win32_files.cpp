// The Win32 backend's file calls. Each is one W call, failing as its page
// says; the steps between them are SafeFiles'.
#include <algorithm>

#include "platform/win32/win32.h"

namespace vx::win32 {

namespace {

// The file that a path names: a symbolic link is followed to its target.
std::wstring FinalPathOf(const std::wstring& path) {
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

bool Win32Files::ReadFile(const FilePath& path, std::string& bytes, std::size_t maxBytes) {
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
  if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) throw FileTooLarge(path.utf8);
  bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    if (!::ReadFile(h.Get(), &bytes[done], static_cast<DWORD>(bytes.size() - done), &got, nullptr))
      ThrowLastError("ReadFile");
    if (got == 0) break;  // the file was shortened meanwhile
    done += got;
  }
  bytes.resize(done);
  return true;
}

SafeFiles::Attributes Win32Files::GetAttributes(const FilePath& path) {
  Attributes a;
  const DWORD attrs = GetFileAttributesW(WidePath(path).c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) return a;
  a.exists = true;
  a.directory = (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
  a.readOnly = (attrs & FILE_ATTRIBUTE_READONLY) != 0;
  return a;
}

FilePath Win32Files::FinalPath(const FilePath& path) { return PathFromWide(FinalPathOf(WidePath(path))); }

namespace {

class Win32Writer : public SafeFiles::Writer {
 public:
  explicit Win32Writer(HANDLE h) : h_(h) {}
  void Write(std::string_view bytes) override {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
      DWORD written = 0;
      if (!::WriteFile(h_.Get(), bytes.data() + done, chunk, &written, nullptr)) ThrowLastError("WriteFile");
      done += written;
    }
  }
  void Flush() override {
    if (!FlushFileBuffers(h_.Get())) ThrowLastError("FlushFileBuffers");
  }
  void Close() override {
    // The handle is gone whatever CloseHandle answers.
    const BOOL closed = CloseHandle(h_.Get());
    const DWORD error = GetLastError();
    h_.Release();
    if (!closed) ThrowLastError("CloseHandle", error);
  }

 private:
  ScopedHandle h_;
};

}  // namespace

std::unique_ptr<SafeFiles::Writer> Win32Files::CreateFile(const FilePath& path, Open how) {
  const DWORD access = how == Open::Append ? FILE_APPEND_DATA : GENERIC_WRITE;
  const DWORD share = how == Open::Append ? FILE_SHARE_READ : 0;
  // TRUNCATE_EXISTING keeps the file, its names and its attributes; unlike
  // CREATE_ALWAYS it takes a hidden or system file as it is.
  const DWORD disposition = how == Open::CreateAlways ? CREATE_ALWAYS
                            : how == Open::Truncate   ? TRUNCATE_EXISTING
                                                      : OPEN_ALWAYS;
  HANDLE h = CreateFileW(WidePath(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) ThrowLastError("CreateFileW");
  return std::make_unique<Win32Writer>(h);
}

void Win32Files::MoveFile(const FilePath& from, const FilePath& to) {
  if (!MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), MOVEFILE_WRITE_THROUGH)) ThrowLastError("MoveFileExW");
}

void Win32Files::ReplaceFile(const FilePath& replaced, const FilePath& replacement, const FilePath& backup) {
  const std::wstring target = WidePath(replaced);
  const DWORD attrs = GetFileAttributesW(target.c_str());
  // ReplaceFileW keeps the old file's attributes (hidden, system), its
  // security and its creation time.
  if (!ReplaceFileW(target.c_str(), WidePath(replacement).c_str(), backup.empty() ? nullptr : WidePath(backup).c_str(),
                    REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
    ThrowLastError("ReplaceFileW");
  // Not every implementation carries the attributes over; make sure.
  if (attrs != INVALID_FILE_ATTRIBUTES && GetFileAttributesW(target.c_str()) != attrs)
    SetFileAttributesW(target.c_str(), attrs);
}

bool Win32Files::DeleteFile(const FilePath& path) { return DeleteFileW(WidePath(path).c_str()) != FALSE; }

std::uint32_t Win32Files::LinkCount(const FilePath& path) {
  ScopedHandle h(CreateFileW(WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!h.Valid() || !GetFileInformationByHandle(h.Get(), &info) || info.nNumberOfLinks == 0) return 1;
  return info.nNumberOfLinks;
}

}  // namespace vx::win32

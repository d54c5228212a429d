#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/headless/headless.h"

namespace vx {

namespace {

// The Windows error number that stands for a POSIX one, so that callers
// see the numbers the Windows program would (SystemError::code).
std::uint32_t WindowsError(int err) {
  switch (err) {
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return 5;  // ERROR_ACCESS_DENIED
    case ENOENT:
    case ENOTDIR:
      return 3;  // ERROR_PATH_NOT_FOUND
    case EMFILE:
    case ENFILE:
      return 4;  // ERROR_TOO_MANY_OPEN_FILES
    case ENOSPC:
      return 112;  // ERROR_DISK_FULL
    default:
      return 0x20000000u | static_cast<std::uint32_t>(err);  // a customer code holding errno
  }
}

[[noreturn]] void Fail(const char* function, const std::string& path, int err) {
  throw SystemError(std::string(function) + " " + path + ": " + std::strerror(err) + " (" + std::to_string(err) + ")",
                    WindowsError(err));
}

// A file another program holds without sharing: Windows refuses every open.
void CheckNotHeld(const std::set<std::string>& held, const std::string& path) {
  if (held.count(path)) throw SystemError("open " + path + ": held by another program (32)", kErrorSharingViolation);
}

// Owns a file descriptor.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

void WriteAll(int fd, const char* data, std::size_t size, const std::string& path) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("write", path, errno);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

}  // namespace

bool PosixFiles::ReadFile(const FilePath& file, std::string& bytes, std::size_t maxBytes) {
  const std::string& path = file.utf8;
  CheckNotHeld(held, path);
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return false;
    Fail("open", path, errno);
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) Fail("fstat", path, errno);
  if (!S_ISREG(st.st_mode)) return false;
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) throw FileTooLarge(path);
  // Read straight into the bytes: first up to the half (where a test's fault
  // hook stands for a failing disk), then the rest; a file that grew
  // meanwhile is read on in pieces, one that shrank ends where it ends.
  const std::size_t size = static_cast<std::size_t>(st.st_size);
  bytes.resize(size);
  std::size_t done = 0;
  bool halfway = false;
  for (;;) {
    if (!halfway && done * 2 >= size) {
      halfway = true;
      Before(Call::ReadFile, path);
    }
    if (done == bytes.size()) {
      char more[65536];
      const ssize_t n = ::read(fd.get(), more, sizeof more);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) Fail("read", path, errno);
      if (n == 0) break;
      if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) throw FileTooLarge(path);
      bytes.append(more, static_cast<std::size_t>(n));
      done = bytes.size();
      continue;
    }
    const std::size_t upTo = halfway ? bytes.size() : (size + 1) / 2;
    const ssize_t n = ::read(fd.get(), &bytes[done], upTo - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("read", path, errno);
    if (n == 0) {
      bytes.resize(done);
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

namespace {

// The file a path names: a symbolic link is followed to its target, which
// need not exist yet.
std::string Resolve(const std::string& path) {
  std::string target = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
    std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
    const ssize_t n = ::readlink(target.c_str(), &link[0], link.size());
    if (n < 0) Fail("readlink", target, errno);
    link.resize(static_cast<std::size_t>(n));
    target = link[0] == '/' ? link : DirectoryOf(target) + "/" + link;
  }
  Fail("open", path, ELOOP);
}

}  // namespace

FilePath PosixFiles::FinalPath(const FilePath& path) { return FilePath(Resolve(path.utf8)); }

SafeFiles::Attributes PosixFiles::GetAttributes(const FilePath& file) {
  Attributes a;
  struct stat st {};
  if (::stat(file.utf8.c_str(), &st) != 0) return a;
  a.exists = true;
  a.directory = S_ISDIR(st.st_mode);
  // A file without write permission counts as read-only, even for root, as
  // the read-only attribute does on Windows.
  a.readOnly = (st.st_mode & S_IWUSR) == 0;
  return a;
}

class PosixFiles::PosixWriter : public Writer {
 public:
  PosixWriter(const PosixFiles& files, int fd, std::string path) : files_(files), fd_(fd), path_(std::move(path)) {}
  void Write(std::string_view bytes) override {
    try {
      files_.Before(Call::WriteFile, path_);
    } catch (const SystemError&) {
      // A failed write may have written a part of its bytes.
      WriteAll(fd_.get(), bytes.data(), bytes.size() / 2, path_);
      throw;
    }
    WriteAll(fd_.get(), bytes.data(), bytes.size(), path_);
  }
  void Flush() override {
    files_.Before(Call::FlushFileBuffers, path_);
    if (::fsync(fd_.get()) != 0) Fail("fsync", path_, errno);
  }
  void Close() override {
    try {
      files_.Before(Call::CloseHandle, path_);
    } catch (const SystemError&) {
      ::close(fd_.release());  // the handle is gone all the same
      throw;
    }
    if (::close(fd_.release()) != 0) Fail("close", path_, errno);
  }

 private:
  const PosixFiles& files_;
  Fd fd_;
  std::string path_;
};

std::unique_ptr<SafeFiles::Writer> PosixFiles::CreateFile(const FilePath& file, Open how) {
  const std::string& path = file.utf8;
  Before(Call::CreateFile, path);
  CheckNotHeld(held, path);
  if (how == Open::CreateAlways && hidden.count(path))
    throw SystemError("CreateFileW " + path + ": CREATE_ALWAYS on a hidden file (5)", kErrorAccessDenied);
  int flags = O_WRONLY | O_CLOEXEC;
  if (how == Open::CreateAlways) flags |= O_CREAT | O_TRUNC | O_NOFOLLOW;
  if (how == Open::Append) flags |= O_CREAT | O_APPEND;
  if (how == Open::Truncate) flags |= O_TRUNC;
  Fd fd(::open(path.c_str(), flags, 0644));
  if (fd.get() < 0) Fail("open", path, errno);
  return std::make_unique<PosixWriter>(*this, fd.release(), path);
}

namespace {

void SyncFolderOf(const std::string& path) {
  Fd dir(::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace

void PosixFiles::MoveFile(const FilePath& from, const FilePath& to) {
  Before(Call::MoveFileEx, from.utf8);
  CheckNotHeld(held, to.utf8);
  struct stat st {};
  if (::lstat(to.utf8.c_str(), &st) == 0)
    throw SystemError("MoveFileEx " + to.utf8 + ": the file exists (183)", kErrorAlreadyExists);
  if (::rename(from.utf8.c_str(), to.utf8.c_str()) != 0) Fail("rename", from.utf8, errno);
  if (hidden.erase(from.utf8)) hidden.insert(to.utf8);
  SyncFolderOf(to.utf8);  // MOVEFILE_WRITE_THROUGH
}

void PosixFiles::ReplaceFile(const FilePath& replaced, const FilePath& replacement, const FilePath& backup) {
  // ReplaceFileW's steps: the replaced file's rights and owner are merged
  // into the replacement, the replaced file is renamed to the backup name,
  // and the replacement takes the replaced file's name.
  auto merge = [&] {
    struct stat st {};
    if (::stat(replaced.utf8.c_str(), &st) != 0) return;
    if (hidden.count(replaced.utf8)) hidden.insert(replacement.utf8);
    ::chmod(replacement.utf8.c_str(), st.st_mode & 07777);
    if (::chown(replacement.utf8.c_str(), st.st_uid, st.st_gid) != 0) {
      // Only root may give a file away; as Windows with
      // REPLACEFILE_IGNORE_MERGE_ERRORS, the replace goes on.
    }
  };
  try {
    Before(Call::ReplaceFile, replaced.utf8);
  } catch (const SystemError& e) {
    // What the page says each failure leaves behind.
    if (e.code() == kErrorUnableToMoveReplacement && backup.empty()) ::unlink(replaced.utf8.c_str());
    if (e.code() == kErrorUnableToMoveReplacement2) {
      merge();
      const std::string aside = backup.empty() ? replaced.utf8 + ".~rf" : backup.utf8;
      ::rename(replaced.utf8.c_str(), aside.c_str());
      if (hidden.erase(replaced.utf8)) hidden.insert(aside);
    }
    throw;
  }
  CheckNotHeld(held, replaced.utf8);
  merge();
  if (::rename(replaced.utf8.c_str(), backup.utf8.c_str()) != 0) Fail("rename", replaced.utf8, errno);
  if (midwayHook) midwayHook(Call::ReplaceFile);
  if (::rename(replacement.utf8.c_str(), replaced.utf8.c_str()) != 0) {
    const int err = errno;
    ::rename(backup.utf8.c_str(), replaced.utf8.c_str());
    Fail("rename", replacement.utf8, err);
  }
  // The backup keeps the old file's attributes; the name keeps its own.
  if (hidden.count(replaced.utf8)) hidden.insert(backup.utf8);
  hidden.erase(replacement.utf8);
  SyncFolderOf(replaced.utf8);
}

bool PosixFiles::DeleteFile(const FilePath& file) {
  try {
    Before(Call::DeleteFile, file.utf8);
  } catch (const SystemError&) {
    return false;
  }
  if (::unlink(file.utf8.c_str()) != 0) return false;
  hidden.erase(file.utf8);
  return true;
}

std::uint32_t PosixFiles::LinkCount(const FilePath& file) {
  struct stat st {};
  return ::stat(file.utf8.c_str(), &st) == 0 && st.st_nlink > 0 ? static_cast<std::uint32_t>(st.st_nlink) : 1;
}

}  // namespace vx

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

bool PosixFiles::Read(const FilePath& file, std::string& bytes, std::size_t maxBytes) {
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
      if (faultHook) faultHook(Step::Read);
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

bool PosixFiles::Exists(const FilePath& file) {
  const std::string& path = file.utf8;
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
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

void PosixFiles::Create(const FilePath& file, const std::string& bytes) {
  const std::string& path = file.utf8;
  CheckNotHeld(held, path);
  // A symbolic link whose target is missing gets its target created.
  const std::string target = Resolve(path);
  Fd fd(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (fd.get() < 0) Fail("open", path, errno);
  WriteAll(fd.get(), bytes.data(), bytes.size(), path);
  if (::fsync(fd.get()) != 0) Fail("fsync", path, errno);
}

void PosixFiles::Append(const FilePath& file, const std::string& bytes) {
  const std::string& path = file.utf8;
  CheckNotHeld(held, path);
  const std::string target = Resolve(path);
  // A file without write permission counts as read-only, even for root.
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && (S_ISDIR(st.st_mode) || (st.st_mode & S_IWUSR) == 0))
    Fail("open", path, EACCES);
  Fd fd(::open(target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (fd.get() < 0) Fail("open", path, errno);
  WriteAll(fd.get(), bytes.data(), bytes.size(), path);
  if (::close(fd.release()) != 0) Fail("close", path, errno);
}

void PosixFiles::Replace(const FilePath& file, const std::vector<std::string_view>& pieces) {
  const std::string& path = file.utf8;
  CheckNotHeld(held, path);
  const std::string target = Resolve(path);
  // A file without write permission counts as read-only, even for root, as
  // the read-only attribute does on Windows.
  struct stat st {};
  const bool existed = ::stat(target.c_str(), &st) == 0;
  if (existed) {
    if (S_ISDIR(st.st_mode)) Fail("rename", path, EISDIR);
    if ((st.st_mode & S_IWUSR) == 0) Fail("open", path, EACCES);
  }
  const std::string temp = target + ".vxtmp";
  auto step = [this](Step s) {
    if (faultHook) faultHook(s);
  };
  std::size_t total = 0;
  for (std::string_view p : pieces) total += p.size();
  try {
    ::unlink(temp.c_str());  // what an earlier crash may have left
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (fd.get() < 0) Fail("open", temp, errno);
    if (existed) {
      // The new file takes the old one's access rights and owner.
      if (::fchmod(fd.get(), st.st_mode & 07777) != 0) Fail("fchmod", temp, errno);
      if (::fchown(fd.get(), st.st_uid, st.st_gid) != 0 && errno != EPERM) Fail("fchown", temp, errno);
    }
    // The pieces are gathered into large writes; the hook's WriteTemp step
    // comes when exactly half of the data is written.
    constexpr std::size_t kChunk = 1u << 16;
    std::string buffer;
    std::size_t written = 0;
    bool halfway = false;
    auto drain = [&] {
      WriteAll(fd.get(), buffer.data(), buffer.size(), temp);
      written += buffer.size();
      buffer.clear();
    };
    for (std::string_view p : pieces) {
      while (!p.empty()) {
        std::size_t n = std::min(p.size(), kChunk - buffer.size());
        if (!halfway) n = std::min(n, total / 2 - (written + buffer.size()));
        buffer.append(p.data(), n);
        p.remove_prefix(n);
        if (!halfway && written + buffer.size() == total / 2) {
          drain();
          step(Step::WriteTemp);
          halfway = true;
        } else if (buffer.size() == kChunk) {
          drain();
        }
      }
    }
    drain();
    if (!halfway) step(Step::WriteTemp);
    step(Step::SyncTemp);
    if (::fsync(fd.get()) != 0) Fail("fsync", temp, errno);
    if (::close(fd.release()) != 0) Fail("close", temp, errno);
    step(Step::Rename);
    if (::rename(temp.c_str(), target.c_str()) != 0) Fail("rename", path, errno);
  } catch (const SystemError&) {
    ::unlink(temp.c_str());
    throw;
  }
  step(Step::SyncDir);
  Fd dir(::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace vx

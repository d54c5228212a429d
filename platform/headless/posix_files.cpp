#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/headless/headless.h"

namespace vx {

namespace {

[[noreturn]] void Fail(const char* function, const std::string& path, int err) {
  throw SystemError(std::string(function) + " " + path + ": " + std::strerror(err) + " (" + std::to_string(err) + ")",
                    static_cast<std::uint32_t>(err));
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

bool PosixFiles::Read(const std::string& path, std::string& bytes) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  bytes.clear();
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(buf, static_cast<std::size_t>(n));
  }
  return true;
}

bool PosixFiles::Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void PosixFiles::Create(const std::string& path, const std::string& bytes) {
  Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (fd.get() < 0) Fail("open", path, errno);
  WriteAll(fd.get(), bytes.data(), bytes.size(), path);
  if (::fsync(fd.get()) != 0) Fail("fsync", path, errno);
}

void PosixFiles::Replace(const std::string& path, const std::string& bytes) {
  // A file without write permission counts as read-only, even for root, as
  // the read-only attribute does on Windows.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) Fail("rename", path, EISDIR);
    if ((st.st_mode & S_IWUSR) == 0) Fail("open", path, EACCES);
  }
  const std::string temp = path + ".vxtmp";
  auto step = [this](Step s) {
    if (faultHook) faultHook(s);
  };
  try {
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.get() < 0) Fail("open", temp, errno);
    const std::size_t half = bytes.size() / 2;
    WriteAll(fd.get(), bytes.data(), half, temp);
    step(Step::WriteTemp);
    WriteAll(fd.get(), bytes.data() + half, bytes.size() - half, temp);
    step(Step::SyncTemp);
    if (::fsync(fd.get()) != 0) Fail("fsync", temp, errno);
    if (::close(fd.release()) != 0) Fail("close", temp, errno);
  } catch (const SystemError&) {
    ::unlink(temp.c_str());
    throw;
  }
  step(Step::Rename);
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    Fail("rename", path, err);
  }
  step(Step::SyncDir);
  Fd dir(::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace vx

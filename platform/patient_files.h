// Files that wait a moment for a file another program holds.
//
// Antivirus scanners, backup and sync clients open files for a moment
// without sharing them. A read or replace that meets such a hold (a sharing
// or lock violation, or a replace that could not yet remove or move a file)
// is tried again with short waits for about two seconds; only then does the
// error reach the caller. A replace refused with ERROR_ACCESS_DENIED is such
// a hold too (a scanner holding the old file open for deletion), unless the
// file is read-only. Any other error reaches the caller at once.
#pragma once

#include "platform/platform.h"

namespace vx {

class PatientFiles : public Files {
 public:
  static constexpr std::uint32_t kPatienceMs = 2000;
  static constexpr std::uint32_t kPauseMs = 50;

  // `sleep` waits the given milliseconds; `ticks` reads the clock.
  PatientFiles(Files& inner, std::function<std::uint64_t()> ticks, std::function<void(std::uint32_t)> sleep)
      : inner_(inner), ticks_(std::move(ticks)), sleep_(std::move(sleep)) {}

  // Whether a system error is a hold that ends by itself.
  static bool Transient(std::uint32_t code);
  // The same for a replace's error.
  static bool TransientReplace(const SystemError& error);
  // The same for an append's error: only a file held when it is opened, as
  // a failed write may have added a part of the bytes already.
  static bool TransientAppend(const SystemError& error) { return error.code() == kErrorSharingViolation; }

  bool Read(const FilePath& path, std::string& bytes, std::size_t maxBytes) override;
  bool Exists(const FilePath& path) override { return inner_.Exists(path); }
  void Create(const FilePath& path, const std::string& bytes) override;
  void Append(const FilePath& path, const std::string& bytes) override;
  void Replace(const FilePath& path, const std::vector<std::string_view>& pieces) override;

 private:
  template <typename Op>
  auto Patiently(Op op, bool (*transient)(const SystemError&) = IsTransient) -> decltype(op());
  static bool IsTransient(const SystemError& error) { return Transient(error.code()); }
  Files& inner_;
  std::function<std::uint64_t()> ticks_;
  std::function<void(std::uint32_t)> sleep_;
};

}  // namespace vx

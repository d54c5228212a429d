#include "platform/patient_files.h"

namespace vx {

bool PatientFiles::Transient(std::uint32_t code) {
  switch (code) {
    case kErrorSharingViolation:
    case kErrorLockViolation:
    case kErrorUnableToRemoveReplaced:   // the old file is still there, unchanged
    case kErrorUnableToMoveReplacement:  // so is it, and the new one under its own name
      return true;
    default:
      return false;
  }
}

template <typename Op>
auto PatientFiles::Patiently(Op op) -> decltype(op()) {
  const std::uint64_t deadline = ticks_() + kPatienceMs;
  for (;;) {
    try {
      return op();
    } catch (const SystemError& e) {
      if (!Transient(e.code()) || ticks_() >= deadline) throw;
    }
    sleep_(kPauseMs);
  }
}

bool PatientFiles::Read(const FilePath& path, std::string& bytes, std::size_t maxBytes) {
  return Patiently([&] { return inner_.Read(path, bytes, maxBytes); });
}

void PatientFiles::Create(const FilePath& path, const std::string& bytes) {
  Patiently([&] { inner_.Create(path, bytes); });
}

void PatientFiles::Append(const FilePath& path, const std::string& bytes) {
  Patiently([&] { inner_.Append(path, bytes); });
}

void PatientFiles::Replace(const FilePath& path, const std::vector<std::string_view>& pieces) {
  Patiently([&] { inner_.Replace(path, pieces); });
}

}  // namespace vx

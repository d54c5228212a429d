#include "platform/patient_files.h"

#include "platform/safe_files.h"

namespace vx {

bool PatientFiles::Transient(std::uint32_t code) {
  switch (code) {
    case kErrorSharingViolation:
    case kErrorLockViolation:
    // With a backup name given, as SafeFiles gives one, both leave the old
    // file and the new one under their own names (ReplaceFileW's page).
    case kErrorUnableToRemoveReplaced:
    case kErrorUnableToMoveReplacement:
      return true;
    default:
      return false;
  }
}

bool PatientFiles::TransientReplace(const SystemError& error) {
  if (error.code() == kErrorAccessDenied) return dynamic_cast<const ReadOnlyFile*>(&error) == nullptr;
  return Transient(error.code());
}

template <typename Op>
auto PatientFiles::Patiently(Op op, bool (*transient)(const SystemError&)) -> decltype(op()) {
  const std::uint64_t deadline = ticks_() + kPatienceMs;
  for (;;) {
    try {
      return op();
    } catch (const SystemError& e) {
      if (!transient(e) || ticks_() >= deadline) throw;
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
  Patiently([&] { inner_.Append(path, bytes); }, TransientAppend);
}

void PatientFiles::Replace(const FilePath& path, const std::vector<std::string_view>& pieces) {
  Patiently([&] { inner_.Replace(path, pieces); }, TransientReplace);
}

}  // namespace vx

// Files: whole-file reads and durable, atomic replacement.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/codepage.h"

namespace vx {

// Raised by Files::Read for a file larger than the caller takes.
class FileTooLarge : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class Files {
 public:
  virtual ~Files() = default;
  // True and the file's bytes when it exists as a regular file; false when
  // there is none (nothing, or a folder, under the path). A file that exists
  // but cannot be read whole (denied, shared for no reader, a failing read)
  // throws SystemError; one of more than `maxBytes` throws FileTooLarge.
  virtual bool Read(const FilePath& path, std::string& bytes, std::size_t maxBytes) = 0;
  virtual bool Exists(const FilePath& path) = 0;
  // Creates a new file holding `bytes`; throws SystemError when it cannot.
  virtual void Create(const FilePath& path, const std::string& bytes) = 0;
  // Adds `bytes` at the end of the file, creating it when missing. Throws
  // SystemError (its code a Windows error number) when it cannot.
  virtual void Append(const FilePath& path, const std::string& bytes) = 0;
  // Replaces (or creates) the file with the pieces, joined, so that a crash
  // at any moment leaves either the old file or the new one, whole. The file
  // stays what it was: a symbolic link keeps pointing where it did and its
  // target gets the bytes, and the file keeps its attributes, access rights
  // and owner. Throws SystemError when the system refuses; the old file is
  // then unchanged and no temporary file is left.
  virtual void Replace(const FilePath& path, const std::vector<std::string_view>& pieces) = 0;
};
}  // namespace vx

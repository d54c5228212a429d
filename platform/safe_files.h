// Files whose writes are made of the file system's own calls, one virtual
// function for each Windows call a write makes (CreateFileW, WriteFile,
// FlushFileBuffers, CloseHandle, MoveFileExW, ReplaceFileW, DeleteFileW).
// Each backend gives the calls; the steps between them, which decide what
// any failure leaves behind, stand here once for both. A backend's call
// fails as Windows documents it: a SystemError with the Windows error
// number, and the files left as that call's page says.
//
// What a failure leaves, at any call of any write:
// - Replace: the file under its own name, whole, old or new. The new bytes
//   are written and made durable under "<file>.vxtmp" first; ReplaceFileW
//   then puts them in place and keeps the old file under "<file>.vxbak"
//   until the new one is known to be in place. ReplaceFileW's
//   ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 leaves no file under the name: the
//   new one is moved in, or else the old one back. A temporary file is
//   deleted only while the file is whole under its name.
// - A file with more than one name (a hard link, as package managers keep
//   a portable program's settings) is rewritten in place, so that every
//   name sees the new bytes: its old bytes are first made durable in
//   "<file>.vxjnl" with a trailer that tells a whole journal from a torn
//   one; the journal goes once the file is whole again.
// - Create: the whole file or none (written under the temporary name and
//   moved in, never over a file that is there).
// - Append: the file as it was, or with the bytes added.
//
// Whatever stopped a write, the next call of any kind (Exists, Read,
// Create, Append, Replace) first puts the file back together: a whole
// journal is written back into the file; a file left under its backup
// name alone comes back under its own name, else one left under its
// temporary name alone (nothing under the name is never written over).
// A backup or temporary file beside a file under its name is deleted only
// once that file was read whole.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace vx {

// The refusal to replace a read-only file: ERROR_ACCESS_DENIED, as Windows
// gives it, but no hold that ends by itself.
class ReadOnlyFile : public SystemError {
 public:
  using SystemError::SystemError;
};

class SafeFiles : public Files {
 public:
  static constexpr const char* kTempSuffix = ".vxtmp";
  static constexpr const char* kBackupSuffix = ".vxbak";
  static constexpr const char* kJournalSuffix = ".vxjnl";

  // An open file, written through WriteFile and made durable through
  // FlushFileBuffers; closed (CloseHandle) by Close, or when dropped.
  class Writer {
   public:
    virtual ~Writer() = default;
    virtual void Write(std::string_view bytes) = 0;
    virtual void Flush() = 0;
    virtual void Close() = 0;
  };
  // CreateFileW's dispositions that the writes use.
  enum class Open {
    CreateAlways,  // CREATE_ALWAYS: a new, empty file in any case
    Append,        // OPEN_ALWAYS with FILE_APPEND_DATA
    Truncate,      // TRUNCATE_EXISTING: the same file (all its names), emptied
  };
  struct Attributes {
    bool exists = false;
    bool directory = false;
    bool readOnly = false;
  };

  bool Exists(const FilePath& path) override;
  bool Read(const FilePath& path, std::string& bytes, std::size_t maxBytes) override;
  void Create(const FilePath& path, const std::string& bytes) override;
  void Append(const FilePath& path, const std::string& bytes) override;
  void Replace(const FilePath& path, const std::vector<std::string_view>& pieces) override;

 protected:
  // Reads the whole file as Files::Read says.
  virtual bool ReadFile(const FilePath& path, std::string& bytes, std::size_t maxBytes) = 0;
  virtual Attributes GetAttributes(const FilePath& path) = 0;
  // The file that the path names: a symbolic link is followed to its
  // target, which need not exist yet.
  virtual FilePath FinalPath(const FilePath& path) = 0;
  virtual std::unique_ptr<Writer> CreateFile(const FilePath& path, Open how) = 0;
  // MoveFileExW with MOVEFILE_WRITE_THROUGH, never over a file that is
  // there: on failure the file is still under `from`.
  virtual void MoveFile(const FilePath& from, const FilePath& to) = 0;
  // ReplaceFileW(replaced, replacement, backup, REPLACEFILE_IGNORE_MERGE_ERRORS):
  // on success the replacement holds the name, with the replaced file's
  // attributes and rights, and the replaced file is under the backup name.
  virtual void ReplaceFile(const FilePath& replaced, const FilePath& replacement, const FilePath& backup) = 0;
  // DeleteFileW; false when the file could not be deleted.
  virtual bool DeleteFile(const FilePath& path) = 0;
  // How many names the file has (GetFileInformationByHandle's
  // nNumberOfLinks); 1 when the system cannot tell.
  virtual std::uint32_t LinkCount(const FilePath& path) = 0;

 private:
  // The file's attributes; ReadOnlyFile for a read-only file or a folder.
  Attributes RefuseReadOnly(const FilePath& path, const char* function);
  // Puts back together what a write that was cut short left (above).
  void Recover(const FilePath& target);
  // Deletes what a finished or failed write left beside a file that was
  // just read whole.
  void DropLeftovers(const FilePath& target);
  // Writes the pieces into `path` through a file opened `how`, made
  // durable and closed; a leftover of an earlier run under a new file's
  // name is deleted first.
  void WriteWhole(const FilePath& path, const std::vector<std::string_view>& pieces, Open how = Open::CreateAlways);
  void ReplaceExisting(const FilePath& target, const FilePath& temp);
  void ReplaceInPlace(const FilePath& target, const std::vector<std::string_view>& pieces);
  // Writes a whole journal's old bytes back into the file; false for a
  // torn journal (the file was not touched yet).
  bool RollBack(const FilePath& target, const FilePath& journal);
};

}  // namespace vx

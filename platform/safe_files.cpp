#include "platform/safe_files.h"

namespace vx {

namespace {

FilePath Beside(const FilePath& path, const char* suffix) { return FilePath(path.utf8 + suffix); }

// The data is gathered into writes of this size at most.
constexpr std::size_t kChunk = 1u << 16;

}  // namespace

SafeFiles::Attributes SafeFiles::RefuseReadOnly(const FilePath& path, const char* function) {
  // Windows refuses to write a read-only file to anyone; Wine running as
  // root, or a POSIX owner, would not, so the attribute is asked first.
  const Attributes attributes = GetAttributes(path);
  if (attributes.directory || attributes.readOnly)
    throw ReadOnlyFile(std::string(function) + " (5): " + path.utf8 + " is read-only", kErrorAccessDenied);
  return attributes;
}

bool SafeFiles::Read(const FilePath& path, std::string& bytes, std::size_t maxBytes) {
  if (ReadFile(path, bytes, maxBytes)) return true;
  // A replace that failed at its worst left the old file under its backup
  // name and nothing under its own: it comes back before anything could
  // take it for missing and write a new file in its place. A move that
  // fails is an error here, never an empty file.
  const FilePath target = FinalPath(path);
  const Attributes kept = GetAttributes(Beside(target, kBackupSuffix));
  if (!kept.exists || kept.directory || GetAttributes(target).exists) return false;
  MoveFile(Beside(target, kBackupSuffix), target);
  return ReadFile(path, bytes, maxBytes);
}

void SafeFiles::WriteWhole(const FilePath& temp, const std::vector<std::string_view>& pieces) {
  // CREATE_ALWAYS: what an earlier crash may have left under the name goes.
  std::unique_ptr<Writer> file = CreateFile(temp, Open::CreateAlways);
  try {
    std::string buffer;
    for (std::string_view piece : pieces) {
      if (buffer.size() + piece.size() > kChunk) {
        file->Write(buffer);
        buffer.clear();
      }
      if (piece.size() > kChunk)
        file->Write(piece);
      else
        buffer.append(piece);
    }
    if (!buffer.empty()) file->Write(buffer);
    file->Flush();
    file->Close();
  } catch (...) {
    file.reset();
    DeleteFile(temp);  // only ever a copy of new bytes
    throw;
  }
}

void SafeFiles::Create(const FilePath& path, const std::string& bytes) {
  const FilePath target = FinalPath(path);
  const FilePath temp = Beside(target, kTempSuffix);
  WriteWhole(temp, {bytes});
  try {
    MoveFile(temp, target);
  } catch (...) {
    DeleteFile(temp);
    throw;
  }
}

void SafeFiles::Append(const FilePath& path, const std::string& bytes) {
  RefuseReadOnly(FinalPath(path), "CreateFileW");
  std::unique_ptr<Writer> file = CreateFile(path, Open::Append);
  file->Write(bytes);
  file->Close();
}

void SafeFiles::Replace(const FilePath& path, const std::vector<std::string_view>& pieces) {
  const FilePath target = FinalPath(path);
  const Attributes attributes = RefuseReadOnly(target, "ReplaceFileW");
  const FilePath temp = Beside(target, kTempSuffix);
  WriteWhole(temp, pieces);
  if (!attributes.exists) {
    try {
      MoveFile(temp, target);
    } catch (...) {
      DeleteFile(temp);  // the file was not there before either
      throw;
    }
    return;
  }
  ReplaceExisting(target, temp);
}

void SafeFiles::ReplaceExisting(const FilePath& target, const FilePath& temp) {
  const FilePath backup = Beside(target, kBackupSuffix);
  // The file is whole under its name: a backup an earlier save left is stale.
  DeleteFile(backup);
  try {
    ReplaceFile(target, temp, backup);
  } catch (const SystemError& e) {
    if (e.code() != kErrorUnableToMoveReplacement2) {
      // Every other failure, with a backup name given, leaves both files
      // under their own names (ReplaceFileW's page): the old file is whole.
      DeleteFile(temp);
      throw;
    }
    // The old file is under the backup name and the new one, whole and
    // durable, under the temporary name: nothing is under the file's name.
    // The new one goes in; failing that, the old one goes back.
    try {
      MoveFile(temp, target);
    } catch (const SystemError&) {
      try {
        MoveFile(backup, target);
      } catch (const SystemError&) {
        // Both stay where they are; the next read takes the backup back.
        throw e;
      }
      DeleteFile(temp);
      throw e;
    }
  }
  // The new file is in place: the old one is no longer needed. One that
  // cannot go now goes at the next save.
  DeleteFile(backup);
}

}  // namespace vx

#include "platform/safe_files.h"

#include "base/text.h"
#include "base/texts.h"

namespace vx {

namespace {

FilePath Beside(const FilePath& path, const char* suffix) { return FilePath(path.utf8 + suffix); }

// The data is gathered into writes of this size at most.
constexpr std::size_t kChunk = 1u << 16;
// No file of the program's is this large; a journal is read whole.
constexpr std::size_t kAnySize = std::size_t(1) << 30;

// A journal is the file's old bytes and a trailer: "VXJ1", their size and
// their FNV-1a hash, both 64-bit little-endian. A journal cut short by a
// crash lacks it, or its numbers do not match.
constexpr std::size_t kTrailerSize = 20;

std::uint64_t Fnv1a(std::string_view bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return h;
}

void AppendU64(std::string& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Trailer(std::string_view old) {
  std::string t = "VXJ1";
  AppendU64(t, old.size());
  AppendU64(t, Fnv1a(old));
  return t;
}

// Whether the journal is whole; `old` is then the size of the bytes it keeps.
bool WholeJournal(const std::string& journal, std::size_t& old) {
  if (journal.size() < kTrailerSize) return false;
  old = journal.size() - kTrailerSize;
  return journal.compare(old, std::string::npos, Trailer(std::string_view(journal).substr(0, old))) == 0;
}

}  // namespace

SafeFiles::Attributes SafeFiles::RefuseReadOnly(const FilePath& path, const char* function) {
  // Windows refuses to write a read-only file to anyone; Wine running as
  // root, or a POSIX owner, would not, so the attribute is asked first.
  const Attributes attributes = GetAttributes(path);
  if (attributes.directory || attributes.readOnly)
    throw ReadOnlyFile(std::string(function) + " (5): " + Format(Tr("%s は読み取り専用です"), path.utf8),
                       kErrorAccessDenied);
  return attributes;
}

void SafeFiles::Recover(const FilePath& target) {
  // A journal: the file may hold a part of a save's bytes. A whole journal
  // puts the old ones back; a torn one was cut short before the file was
  // touched. Either way it goes, and one that cannot go stops the call: left
  // there, it would take the next save back.
  const FilePath journal = Beside(target, kJournalSuffix);
  if (GetAttributes(journal).exists) {
    RollBack(target, journal);
    if (!DeleteFile(journal))
      throw SystemError("DeleteFileW (5): " + journal.utf8 + " cannot be deleted", kErrorAccessDenied);
  }
  if (GetAttributes(target).exists) return;
  // Nothing under the name: a replace stopped between its two renames left
  // the old file under the backup name (and perhaps the new one under the
  // temporary name), or a move of a new file in did not happen. The old
  // file comes back; else the new one goes in. Neither is ever written over
  // while nothing is under the file's name.
  for (const char* suffix : {kBackupSuffix, kTempSuffix}) {
    const FilePath kept = Beside(target, suffix);
    const Attributes a = GetAttributes(kept);
    if (a.exists && !a.directory) {
      MoveFile(kept, target);
      return;
    }
  }
}

bool SafeFiles::RollBack(const FilePath& target, const FilePath& journal) {
  std::string bytes;
  std::size_t old = 0;
  if (!ReadFile(journal, bytes, kAnySize) || !WholeJournal(bytes, old)) return false;
  bytes.resize(old);
  WriteWhole(target, {bytes}, GetAttributes(target).exists ? Open::Truncate : Open::CreateAlways);
  return true;
}

void SafeFiles::DropLeftovers(const FilePath& target) {
  // One that cannot go now goes after a later read.
  for (const char* suffix : {kBackupSuffix, kTempSuffix}) {
    const FilePath left = Beside(target, suffix);
    const Attributes a = GetAttributes(left);
    if (a.exists && !a.directory) DeleteFile(left);
  }
}

bool SafeFiles::Exists(const FilePath& path) {
  const FilePath target = FinalPath(path);
  Recover(target);
  const Attributes a = GetAttributes(target);
  return a.exists && !a.directory;
}

bool SafeFiles::Read(const FilePath& path, std::string& bytes, std::size_t maxBytes) {
  const FilePath target = FinalPath(path);
  Recover(target);
  if (!ReadFile(target, bytes, maxBytes)) return false;
  DropLeftovers(target);
  return true;
}

void SafeFiles::WriteWhole(const FilePath& path, const std::vector<std::string_view>& pieces, Open how) {
  const bool fresh = how == Open::CreateAlways;
  // A leftover of an earlier run goes first: after ReplaceFileW it has the
  // settings file's attributes, and CREATE_ALWAYS refuses a hidden or
  // system file with ERROR_ACCESS_DENIED.
  if (fresh && GetAttributes(path).exists) DeleteFile(path);
  std::unique_ptr<Writer> file;
  try {
    file = CreateFile(path, how);
  } catch (const SystemError& e) {
    // Denied with nothing under the name: the folder takes no new files (a
    // read-only share, Program Files without elevation), which no wait
    // mends. A file still there is held, or being deleted: a wait may.
    if (fresh && e.code() == kErrorAccessDenied && !GetAttributes(path).exists)
      throw ReadOnlyFile(std::string(e.what()) + "\r\n" + path.Folder().utf8 + " takes no new files",
                         kErrorAccessDenied);
    throw;
  }
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
    if (fresh) DeleteFile(path);  // only ever a copy of new bytes
    throw;
  }
}

void SafeFiles::Create(const FilePath& path, const std::string& bytes) {
  const FilePath target = FinalPath(path);
  Recover(target);
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
  const FilePath target = FinalPath(path);
  Recover(target);
  RefuseReadOnly(target, "CreateFileW");
  std::unique_ptr<Writer> file = CreateFile(target, Open::Append);
  file->Write(bytes);
  file->Close();
}

void SafeFiles::Replace(const FilePath& path, const std::vector<std::string_view>& pieces) {
  const FilePath target = FinalPath(path);
  Recover(target);
  const Attributes attributes = RefuseReadOnly(target, "ReplaceFileW");
  // A new file under the name would leave the file's other names with the
  // old bytes.
  if (attributes.exists && LinkCount(target) > 1) return ReplaceInPlace(target, pieces);
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
  // The file is whole under its name (renames are whole, and a journal was
  // taken back): a backup an earlier save left is stale.
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
        // Both stay where they are; the next call takes the backup back.
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

void SafeFiles::ReplaceInPlace(const FilePath& target, const std::vector<std::string_view>& pieces) {
  const FilePath journal = Beside(target, kJournalSuffix);
  std::string old;
  if (!ReadFile(target, old, kAnySize)) throw SystemError("ReadFile: " + target.utf8 + " is gone", kErrorFileNotFound);
  const std::string trailer = Trailer(old);
  // The old bytes are durable beside the file before the file is touched.
  WriteWhole(journal, {old, trailer});
  old = std::string();
  try {
    WriteWhole(target, pieces, Open::Truncate);
  } catch (...) {
    // The file may hold a part of the new bytes: the old ones go back. If
    // that fails too, the journal stays and the next call takes them back.
    try {
      if (RollBack(target, journal)) DeleteFile(journal);
    } catch (const SystemError&) {
    }
    throw;
  }
  if (!DeleteFile(journal)) {
    // Left there, the journal would take this save back at the next read:
    // it is taken back now, and the person told.
    RollBack(target, journal);
    throw SystemError("DeleteFileW (5): " + journal.utf8 + " cannot be deleted", kErrorAccessDenied);
  }
}

}  // namespace vx

// A folder as a launch item's menu shows it: its sub-folders, then its
// files, each group in Explorer's order, without what Explorer hides.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vx {

// The most entries a folder's menu shows; the rest are reached through
// the folder itself.
inline constexpr std::size_t kMaxFolderEntries = 500;

struct FolderEntry {
  std::string caption;  // the name; a shortcut's (.lnk, .url) without its extension
  FilePath path;
  bool folder = false;
};

struct FolderContents {
  bool isFolder = false;  // false: the path names no folder (a file, nothing)
  std::vector<FolderEntry> entries;
  bool more = false;  // the folder holds more than kMaxFolderEntries
};

// Lists the folder: hidden and system files and desktop.ini are left out,
// the sub-folders come first, each group sorted by Platform::NameBefore. A
// 32-bit Vorlex on 64-bit Windows reads System32 as 64-bit Windows has it.
// It may wait for a share: call it aside.
FolderContents ListFolderMenu(const FilePath& folder, Platform& p);

}  // namespace vx

#include "core/folders.h"

#include <algorithm>

#include "base/text.h"
#include "core/launch.h"

namespace vx {

namespace {
// A name in the folder, with the folder's own separator ('/' only in the
// headless desktop's paths).
std::string InFolder(const std::string& folder, const std::string& name) {
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder + name;
  const bool slash = folder.find('/') != std::string::npos && folder.find('\\') == std::string::npos;
  return folder + (slash ? '/' : '\\') + name;
}
}  // namespace

FolderContents ListFolderMenu(const FilePath& folder, Platform& p) {
  FolderContents contents;
  std::vector<FolderItem> items;
  // Read as 64-bit Windows has it (System32 is not SysWOW64); the entries
  // keep the folder's name as given.
  contents.isFolder = p.shell().ListFolder(FilePath(AsSystemHasIt(folder.utf8, p)), items);
  items.erase(
      std::remove_if(items.begin(), items.end(),
                     [](const FolderItem& i) { return i.hidden || FoldCase(i.name) == FoldCase("desktop.ini"); }),
      items.end());
  std::sort(items.begin(), items.end(), [&p](const FolderItem& a, const FolderItem& b) {
    if (a.folder != b.folder) return a.folder;
    return p.shell().NameBefore(a.name, b.name);
  });
  contents.more = items.size() > kMaxFolderEntries;
  if (contents.more) items.resize(kMaxFolderEntries);
  for (const FolderItem& item : items) {
    FolderEntry e;
    e.caption = item.name;
    if (!item.folder && (HasExtension(item.name, ".lnk") || HasExtension(item.name, ".url")))
      e.caption.resize(item.name.size() - 4);
    e.path = FilePath(InFolder(folder.utf8, item.name));
    e.folder = item.folder;
    contents.entries.push_back(std::move(e));
  }
  return contents;
}

}  // namespace vx

// The headless desktop's pop-up menus, with the submenus a test opens
// while one is up, and the folders that a folder's menu lists: read from
// the real file system, hidden as a test says.
#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "base/cleanup.h"
#include "base/text.h"
#include "platform/headless/headless.h"

namespace vx {

const MenuEntrySpec* HeadlessPlatform::Popup::Entry(int id) const {
  auto in = [id](const std::vector<MenuEntrySpec>& list, int first) -> const MenuEntrySpec* {
    const int at = id - first;
    return at >= 0 && at < static_cast<int>(list.size()) ? &list[static_cast<std::size_t>(at)] : nullptr;
  };
  if (const MenuEntrySpec* e = in(entries, firstId)) return e;
  for (const auto& [opener, sub] : submenus)
    if (const MenuEntrySpec* e = in(sub.entries, sub.firstId)) return e;
  return nullptr;
}

const HeadlessPlatform::Shown* HeadlessPlatform::Popup::Submenu(int id) const {
  auto it = submenus.find(id);
  return it == submenus.end() ? nullptr : &it->second;
}

int HeadlessPlatform::TrackPopupMenu(const std::vector<MenuEntrySpec>& entries, Point at, Handle owner,
                                     const SubmenuOpens& opens) {
  popups.push_back(Popup{entries, at, owner, 0, {}});
  menuShown_ = true;
  opens_ = opens;
  int chosen = -1;
  ThenCleanUp([&] { chosen = onPopup ? onPopup(popups.back()) : -1; },
              [this] {
                menuShown_ = false;
                opens_ = nullptr;
              });
  const MenuEntrySpec* e = popups.back().Entry(chosen);
  // A line, a greyed entry or one that opens a submenu cannot be chosen.
  return e && !e->separator && e->enabled && !e->submenu ? chosen : -1;
}

void HeadlessPlatform::OpenSubmenu(int id) {
  if (!menuShown_ || popups.empty()) throw std::logic_error("no menu is up");
  const MenuEntrySpec* e = popups.back().Entry(id);
  if (!e || !e->submenu) throw std::logic_error("entry " + std::to_string(id) + " opens no submenu");
  popups.back().submenus[id];  // it shows, empty until it is filled
  if (opens_) opens_(id);
}

void HeadlessPlatform::SetShownMenu(int id, int firstId, const std::vector<MenuEntrySpec>& entries) {
  if (!menuShown_ || popups.empty()) return;
  Popup& pop = popups.back();
  if (id == -1) {
    pop.firstId = firstId;
    pop.entries = entries;
    return;
  }
  auto it = pop.submenus.find(id);
  if (it == pop.submenus.end()) return;  // the submenu of an entry that is no longer shown
  it->second = Shown{firstId, entries};
}

void HeadlessPlatform::SetShownMenuBitmap(int id, Handle bitmap) {
  if (!menuShown_ || popups.empty()) return;
  if (auto* e = const_cast<MenuEntrySpec*>(popups.back().Entry(id))) e->bitmap = bitmap;
}

bool HeadlessPlatform::IsFolder(const FilePath& path) {
  ShareLookUp(path.utf8);
  std::error_code ec;
  return std::filesystem::is_directory(std::filesystem::path(path.utf8), ec);
}

bool HeadlessPlatform::ListFolder(const FilePath& folder, std::vector<FolderItem>& items) {
  listedFolders.push_back(folder.utf8);
  items.clear();
  if (!IsFolder(folder)) return false;
  std::error_code ec;
  const std::filesystem::path path(folder.utf8);
  for (const auto& entry : std::filesystem::directory_iterator(path, ec)) {
    FolderItem item;
    item.name = entry.path().filename().string();
    item.folder = entry.is_directory(ec);
    item.hidden = hiddenFiles.count(entry.path().string()) > 0;
    items.push_back(item);
  }
  return true;
}

bool HeadlessPlatform::NameBefore(const std::string& a, const std::string& b) {
  // As StrCmpLogicalW: runs of digits by their number, the rest by letter
  // without regard to case (ASCII folding is this desktop's whole rule).
  const std::string x = FoldCase(a), y = FoldCase(b);
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  std::size_t i = 0, j = 0;
  while (i < x.size() && j < y.size()) {
    if (digit(x[i]) && digit(y[j])) {
      std::size_t ei = i, ej = j;
      while (ei < x.size() && digit(x[ei])) ++ei;
      while (ej < y.size() && digit(y[ej])) ++ej;
      const std::string_view nx = std::string_view(x).substr(i, ei - i), ny = std::string_view(y).substr(j, ej - j);
      const std::size_t zx = std::min(nx.find_first_not_of('0'), nx.size()),
                        zy = std::min(ny.find_first_not_of('0'), ny.size());
      const std::string_view vx = nx.substr(zx), vy = ny.substr(zy);
      if (vx.size() != vy.size()) return vx.size() < vy.size();
      if (vx != vy) return vx < vy;
      i = ei;
      j = ej;
      continue;
    }
    if (x[i] != y[j]) return static_cast<unsigned char>(x[i]) < static_cast<unsigned char>(y[j]);
    ++i;
    ++j;
  }
  return x.size() - i < y.size() - j;
}

}  // namespace vx

// The headless desktop's pop-up menus, with the submenus a test opens
// while one is up.
#include <stdexcept>
#include <string>

#include "base/cleanup.h"
#include "base/text.h"
#include "platform/headless/headless.h"

namespace vx {

const MenuEntrySpec* HeadlessMenus::Popup::Entry(int id) const {
  auto in = [id](const std::vector<MenuEntrySpec>& list, int first) -> const MenuEntrySpec* {
    const int at = id - first;
    return at >= 0 && at < static_cast<int>(list.size()) ? &list[static_cast<std::size_t>(at)] : nullptr;
  };
  if (const MenuEntrySpec* e = in(entries, firstId)) return e;
  for (const auto& [opener, sub] : submenus)
    if (const MenuEntrySpec* e = in(sub.entries, sub.firstId)) return e;
  return nullptr;
}

const HeadlessMenus::Shown* HeadlessMenus::Popup::Submenu(int id) const {
  auto it = submenus.find(id);
  return it == submenus.end() ? nullptr : &it->second;
}

int HeadlessMenus::TrackPopupMenu(const std::vector<MenuEntrySpec>& entries, Point at, Handle owner,
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

const MenuEntrySpec& HeadlessMenus::SubmenuEntry(int id) const {
  if (!menuShown_ || popups.empty()) throw std::logic_error("no menu is up");
  const MenuEntrySpec* e = popups.back().Entry(id);
  if (!e || !e->submenu) throw std::logic_error("entry " + std::to_string(id) + " opens no submenu");
  return *e;
}

void HeadlessMenus::Highlight(int id) {
  SubmenuEntry(id);
  if (opens_) opens_(id, false);
}

void HeadlessMenus::OpenSubmenu(int id) {
  Highlight(id);
  SubmenuEntry(id);            // still shown
  popups.back().submenus[id];  // it shows, empty until it is filled
  if (opens_) opens_(id, true);
}

void HeadlessMenus::SetShownMenu(int id, int firstId, const std::vector<MenuEntrySpec>& entries) {
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

void HeadlessMenus::SetShownMenuBitmap(int id, Handle bitmap) {
  if (!menuShown_ || popups.empty()) return;
  if (auto* e = const_cast<MenuEntrySpec*>(popups.back().Entry(id))) e->bitmap = bitmap;
}
}  // namespace vx

// Pop-up menus: the launch menu and its folders' submenus, shown by the
// system's menu loop, filled as they open.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/interface/types.h"

namespace vx {

// One entry of a native pop-up menu, as shown.
struct MenuEntrySpec {
  std::string caption;
  bool separator = false;
  bool checked = false;
  bool enabled = true;
  Handle bitmap = 0;  // an image made by IconBitmap, or 0
  // The entry opens a menu of its own, whose entries are asked for when it
  // opens (SubmenuOpens, then SetShownMenu).
  bool submenu = false;
};

// Hears what a person does with a shown menu's entries that open
// submenus: moves onto one (Windows' WM_MENUSELECT, `opening` false), so
// that its entries can be found before it opens, and opens it
// (WM_INITMENUPOPUP, before it shows: `opening` true). `id` is the
// entry's, as TrackPopupMenu numbers them.
using SubmenuOpens = std::function<void(int id, bool opening)>;

class Menus {
 public:
  virtual ~Menus() = default;

  // Pop-up menus: shows the entries with the top-left corner at `at` and
  // returns the id of the chosen entry, or -1 when none was chosen. The
  // entries are ids 0 to n - 1; a submenu's entries get theirs when it is
  // filled. `opens` hears each submenu open, and may fill it then.
  virtual int TrackPopupMenu(const std::vector<MenuEntrySpec>& entries, Point at, Handle owner,
                             const SubmenuOpens& opens) = 0;
  // Puts `entries` into the submenu of entry `id` of the menu shown now, in
  // place of what it held (-1: into the menu itself), numbered from
  // `firstId` on. A submenu as it opens shows them. One open already is
  // shown anew, at its new size, only while it is the deepest menu open:
  // otherwise it takes them the next time it opens.
  virtual void SetShownMenu(int id, int firstId, const std::vector<MenuEntrySpec>& entries) = 0;
  // Changes the image of entry `id` of the menu shown now (an icon that
  // came late); the menu draws it at once.
  virtual void SetShownMenuBitmap(int id, Handle bitmap) = 0;
};

}  // namespace vx

// Icons that own their handle, and pop-up menus: entries with captions,
// checks and bitmaps, submenus filled as they open, the AutoPopup switch,
// separators named "-", and the chosen entry's click handler.
#pragma once

#include <string>
#include <vector>

#include "toolkit/component.h"

namespace vx {

// An icon object that owns its handle.
class TIcon {
 public:
  TIcon() = default;
  ~TIcon();
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;
  Handle GetHandle() const { return handle_; }
  // Takes ownership of `icon`, destroying the one held before.
  void SetHandle(Handle icon);
  // Holds a copy of `other`'s picture (empty when `other` is null or empty).
  void Assign(const TIcon* other);
  bool Empty() const { return handle_ == 0; }

 private:
  Handle handle_ = 0;
};

class TPopupMenu;

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  std::string Caption;
  bool Checked = false;
  bool Visible = true;
  bool Enabled = true;
  TNotifyEvent OnClick;

  // The entry's image; the item owns it and destroys it with itself.
  Handle Bitmap() const { return bitmap_; }
  void SetBitmap(Handle bitmap);
  bool IsLine() const { return Caption == "-"; }
  TPopupMenu* Parent() const { return parent_; }
  void Click();
  // The menu this entry opens, or none (a plain entry). The entry does not
  // own it: give it the entry as its owner, and it goes with the entry.
  TPopupMenu* Submenu() const { return submenu_; }
  void SetSubmenu(TPopupMenu* menu) { submenu_ = menu; }

 private:
  friend class TPopupMenu;
  TPopupMenu* parent_ = nullptr;
  TPopupMenu* submenu_ = nullptr;
  Handle bitmap_ = 0;
};

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  bool AutoPopup = true;
  // Runs just before the menu is shown: popped up, or opened as the
  // submenu of an entry of a menu that is up.
  TNotifyEvent OnPopup;
  // Runs when the person moves onto the entry that opens this menu, before
  // it opens: what it shows can be found meanwhile.
  TNotifyEvent OnHighlight;
  // Runs when this menu, popped up, has closed, before the chosen entry's
  // click handler.
  TNotifyEvent OnClose;
  // Whether a pop-up menu of the program's is up now.
  static bool AnyShowing();
  // Where the menu is shown, or was last.
  Point PopupPoint() const { return popupPoint_; }

  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int i) const { return items_.at(static_cast<std::size_t>(i)); }
  int IndexOf(const TMenuItem* item) const;
  // The entry's id in the menu shown now, or -1 (not shown, or no menu).
  int ShownIndex(const TMenuItem* item) const;
  // Shows the menu at the screen point and returns when it has closed; the
  // chosen entry's click handler has run by then.
  void Popup(int x, int y);
  // Shows the entries anew where this menu is up now (its entries changed
  // while it was open: a list that came late); elsewhere nothing.
  void Refresh();

 private:
  // The entries as shown, numbered on in the shown menu.
  std::vector<MenuEntrySpec> ShownEntries();
  void SubmenuEvent(int id, bool opening);
  std::vector<TMenuItem*> items_;
  // While this menu is up, or opened inside the menu that is: that menu.
  TPopupMenu* shownIn_ = nullptr;
  int shownAs_ = -1;                 // the id of the entry whose submenu this is; -1: the menu popped up
  std::vector<TMenuItem*> shown_;    // of the menu popped up: its entries by id, null for one gone
  std::vector<TPopupMenu*> opened_;  // of the menu popped up: the submenus opened in it
  Point popupPoint_;
};

}  // namespace vx

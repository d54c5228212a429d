// The toolkit's menus room: what toolkit/menus.h describes.
#include "toolkit/menus.h"

#include <algorithm>
#include <utility>

#include "base/cleanup.h"
#include "base/text.h"
#include "toolkit/application.h"

namespace vx {

// --------------------------------------------------------------------- TIcon

TIcon::~TIcon() { SetHandle(0); }

void TIcon::SetHandle(Handle icon) {
  if (handle_ && handle_ != icon && Application) Application->P.DestroyIcon(handle_);
  handle_ = icon;
}

void TIcon::Assign(const TIcon* other) {
  if (other == this) return;
  SetHandle(other && other->handle_ ? Application->P.CopyIcon(other->handle_) : 0);
}

// ----------------------------------------------------------------- TMenuItem

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  if (parent_) parent_->Remove(this);
  SetBitmap(0);
}

void TMenuItem::SetBitmap(Handle bitmap) {
  const Handle old = bitmap_;
  bitmap_ = bitmap;
  // An open menu shows the new image at once, and lets go of the old one
  // before it is destroyed.
  const int shownAt = parent_ ? parent_->ShownIndex(this) : -1;
  if (shownAt >= 0 && Application) Application->P.SetShownMenuBitmap(shownAt, bitmap);
  if (old && old != bitmap && Application) Application->P.DestroyBitmap(old);
}

void TMenuItem::Click() {
  if (Enabled && OnClick) OnClick(this);
}

// ---------------------------------------------------------------- TPopupMenu

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TPopupMenu::~TPopupMenu() {
  for (TMenuItem* item : items_) item->parent_ = nullptr;
}

void TPopupMenu::Add(TMenuItem* item) {
  if (item->parent_) item->parent_->Remove(item);
  item->parent_ = this;
  items_.push_back(item);
}

void TPopupMenu::Remove(TMenuItem* item) {
  auto it = std::find(items_.rbegin(), items_.rend(), item);  // entries go last first
  if (it == items_.rend()) return;
  items_.erase(std::next(it).base());
  std::replace(shown_.begin(), shown_.end(), item, static_cast<TMenuItem*>(nullptr));
  item->parent_ = nullptr;
}

int TPopupMenu::ShownIndex(const TMenuItem* item) const {
  auto it = std::find(shown_.begin(), shown_.end(), item);
  return it == shown_.end() ? -1 : static_cast<int>(it - shown_.begin());
}

int TPopupMenu::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TPopupMenu::Popup(int x, int y) {
  popupPoint_ = Point{x, y};
  if (OnPopup) OnPopup(this);
  std::vector<MenuEntrySpec> entries;
  shown_.clear();
  for (TMenuItem* item : items_) {
    if (!item->Visible) continue;
    MenuEntrySpec e;
    e.caption = item->Caption;
    e.separator = item->IsLine();
    e.checked = item->Checked;
    e.enabled = item->Enabled;
    e.bitmap = item->Bitmap();
    entries.push_back(e);
    shown_.push_back(item);
  }
  int chosen = -1;
  std::vector<TMenuItem*> shown;  // once the menu is down; an entry removed while it was up is null here
  ThenCleanUp(
      [&] {
        chosen = Application->P.TrackPopupMenu(entries, Point{x, y}, Application->GetHandle());
      },
      [&] { shown = std::exchange(shown_, {}); });
  if (chosen < 0 || chosen >= static_cast<int>(shown.size())) return;
  TMenuItem* item = shown[static_cast<std::size_t>(chosen)];
  // The handler may have rebuilt the menu meanwhile; only a live entry runs.
  if (item && IndexOf(item) >= 0 && !item->IsLine()) item->Click();
}

}  // namespace vx

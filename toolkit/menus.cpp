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
  if (handle_ && handle_ != icon && Application) Application->P.icons().DestroyIcon(handle_);
  handle_ = icon;
}

void TIcon::Assign(const TIcon* other) {
  if (other == this) return;
  SetHandle(other && other->handle_ ? Application->P.icons().CopyIcon(other->handle_) : 0);
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
  if (shownAt >= 0 && Application) Application->P.menus().SetShownMenuBitmap(shownAt, bitmap);
  if (old && old != bitmap && Application) Application->P.icons().DestroyBitmap(old);
}

void TMenuItem::Click() {
  if (Enabled && OnClick) OnClick(this);
}

// ---------------------------------------------------------------- TPopupMenu

namespace {
int g_menusUp = 0;  // pop-up menus shown now (one, or one inside another's loop)
}  // namespace

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TPopupMenu::~TPopupMenu() {
  for (TMenuItem* item : items_) item->parent_ = nullptr;
  if (shownIn_ && shownIn_ != this) {
    auto& opened = shownIn_->opened_;
    opened.erase(std::remove(opened.begin(), opened.end(), this), opened.end());
  }
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
  if (shownIn_) std::replace(shownIn_->shown_.begin(), shownIn_->shown_.end(), item, static_cast<TMenuItem*>(nullptr));
  item->parent_ = nullptr;
}

int TPopupMenu::ShownIndex(const TMenuItem* item) const {
  if (!shownIn_) return -1;
  const auto& shown = shownIn_->shown_;
  auto it = std::find(shown.begin(), shown.end(), item);
  return it == shown.end() ? -1 : static_cast<int>(it - shown.begin());
}

int TPopupMenu::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

std::vector<MenuEntrySpec> TPopupMenu::ShownEntries() {
  std::vector<MenuEntrySpec> entries;
  for (TMenuItem* item : items_) {
    if (!item->Visible) continue;
    MenuEntrySpec e;
    e.caption = item->Caption;
    e.separator = item->IsLine();
    e.checked = item->Checked;
    e.enabled = item->Enabled;
    e.bitmap = item->Bitmap();
    e.submenu = item->Submenu() != nullptr;
    entries.push_back(e);
    shownIn_->shown_.push_back(item);
  }
  return entries;
}

void TPopupMenu::Popup(int x, int y) {
  popupPoint_ = Point{x, y};
  if (OnPopup) OnPopup(this);
  shown_.clear();
  shownIn_ = this;
  shownAs_ = -1;
  const std::vector<MenuEntrySpec> entries = ShownEntries();
  ++g_menusUp;
  int chosen = -1;
  std::vector<TMenuItem*> shown;  // once the menu is down; an entry removed while it was up is null here
  ThenCleanUp(
      [&] {
        chosen = Application->P.menus().TrackPopupMenu(entries, Point{x, y}, Application->GetHandle(),
                                                       [this](int id, bool opening) { SubmenuEvent(id, opening); });
      },
      [&] {
        shown = std::exchange(shown_, {});
        for (TPopupMenu* sub : std::exchange(opened_, {})) sub->shownIn_ = nullptr;
        shownIn_ = nullptr;
        --g_menusUp;
      });
  if (OnClose) OnClose(this);
  if (chosen < 0 || chosen >= static_cast<int>(shown.size())) return;
  TMenuItem* item = shown[static_cast<std::size_t>(chosen)];
  // The handler may have rebuilt the menu meanwhile; only a live entry runs.
  if (item && item->Parent() && !item->IsLine() && !item->Submenu()) item->Click();
}

bool TPopupMenu::AnyShowing() { return g_menusUp > 0; }

void TPopupMenu::SubmenuEvent(int id, bool opening) {
  if (id < 0 || id >= static_cast<int>(shown_.size()) || !shown_[static_cast<std::size_t>(id)]) return;
  TPopupMenu* sub = shown_[static_cast<std::size_t>(id)]->Submenu();
  if (!sub || sub == this) return;
  if (!opening) {
    if (sub->OnHighlight) sub->OnHighlight(sub);
    return;
  }
  if (sub->shownIn_ != this) opened_.push_back(sub);
  sub->shownIn_ = this;
  sub->shownAs_ = id;
  sub->popupPoint_ = popupPoint_;
  if (sub->OnPopup) sub->OnPopup(sub);
  sub->Refresh();
}

void TPopupMenu::Refresh() {
  if (!shownIn_) return;
  // The entries keep no ids of the submenu as it was shown.
  for (TMenuItem*& e : shownIn_->shown_)
    if (e && e->parent_ == this) e = nullptr;
  const int firstId = static_cast<int>(shownIn_->shown_.size());
  const std::vector<MenuEntrySpec> entries = ShownEntries();
  Application->P.menus().SetShownMenu(shownAs_, firstId, entries);
}

}  // namespace vx

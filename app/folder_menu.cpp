#include "app/folder_menu.h"

#include <utility>

#include "core/Unit_All.h"
#include "core/messages.h"

namespace vx {

namespace {
int g_showing = 0;                     // how often a menu that holds folders' menus was shown
std::shared_ptr<const void> g_holder;  // lives while that menu is up

// A name as a menu shows it: "&" would underline the next letter.
std::string MenuText(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '&') out += '&';
    out += c;
  }
  return out;
}

}  // namespace

TFolderMenu::TFolderMenu(TComponent* owner, FilePath folder, const Calls& calls, std::function<void()> open)
    : TPopupMenu(owner),
      folder_(std::move(folder)),
      calls_(calls),
      open_(std::move(open)),
      self_(std::make_shared<TFolderMenu*>(this)) {
  OnHighlight = [this](TObject*) { StartListing(); };
  OnPopup = [this](TObject*) { Opening(); };
  OnClose = [](TObject*) { Closed(); };  // popped up alone, by the item's hotkey
}

TFolderMenu::~TFolderMenu() {
  *self_ = nullptr;
  for (int i = 0; i < Count(); ++i) calls_.forgetIcons(Items(i));
}

void TFolderMenu::NewShowing() {
  ++g_showing;
  g_holder = std::make_shared<int>(g_showing);
}

void TFolderMenu::Closed() { g_holder.reset(); }

std::shared_ptr<const void> TFolderMenu::ShowingHolder() { return g_holder; }

bool ChosenElevated() {
  auto down = [](int vk) { return (Application->P.GetKeyState(vk) & 0x8000) != 0; };
  return down(kVkControl) && down(kVkShift);
}

TMenuItem* TFolderMenu::AddEntry(const std::string& caption, std::function<void()> click) {
  auto* item = new TMenuItem(this);
  item->Caption = caption;
  if (click) item->OnClick = [click = std::move(click)](TObject*) { click(); };
  Add(item);
  return item;
}

void TFolderMenu::Clear() {
  while (Count() > 0) {
    TMenuItem* item = Items(Count() - 1);
    calls_.forgetIcons(item);
    item->Free();
  }
}

void TFolderMenu::StartListing() {
  if (listedIn_ == g_showing) return;  // listed already while this menu is up
  listedIn_ = g_showing;
  const int listing = ++listing_;
  auto contents = std::make_shared<FolderContents>();
  std::weak_ptr<TFolderMenu*> self = self_;
  Platform& P = Application->P;
  JobSpec job(
      Lane::Listing, folder_.utf8, [contents, folder = folder_, &P] { *contents = ListFolderMenu(folder, P); },
      [self, contents, listing] {
        const auto menu = self.lock();
        if (menu && *menu && (*menu)->listing_ == listing) (*menu)->Fill(*contents);
      });
  if (g_holder) job.HeldBy(g_holder);
  listingJob_ = P.jobs().RunAside(std::move(job));
}

void TFolderMenu::Opening() {
  StartListing();
  // A listing begun as the person moved onto the entry has mostly come by
  // now; one under way is given a moment more, so that the menu opens at
  // its full size.
  if (filledIn_ != g_showing) Application->P.jobs().Await(listingJob_, kListingWaitMs);
  if (filledIn_ == g_showing) return;
  Clear();
  AddOpenEntry();
  AddEntry("-", nullptr);
  AddEntry(kFolderListing, nullptr)->Enabled = false;
}

void TFolderMenu::AddOpenEntry() {
  TMenuItem* open = AddEntry(Tr(kFolderOpen), open_);
  if (openIcon_) openIcon_(open);
}

void TFolderMenu::Fill(const FolderContents& contents) {
  filledIn_ = g_showing;
  Clear();
  AddOpenEntry();
  if (contents.isFolder) {
    AddEntry("-", nullptr);
    for (const FolderEntry& e : contents.entries) {
      const FilePath path = e.path;
      std::function<void()> start;
      if (!e.folder) start = [path] { OpenFolderEntry(path, ChosenElevated()); };
      TMenuItem* item = AddEntry(MenuText(e.caption), std::move(start));
      if (e.folder) item->SetSubmenu(new TFolderMenu(item, path, calls_, [path] { OpenFolderEntry(path, false); }));
      calls_.requestIcon(item, path);
    }
    if (contents.entries.empty()) AddEntry(Tr(kFolderEmpty), nullptr)->Enabled = false;
    // The rest is reached through the folder itself.
    if (contents.more) AddEntry(kFolderListing, [folder = folder_] { OpenFolderEntry(folder, false); });
  }
  Refresh();
}

}  // namespace vx

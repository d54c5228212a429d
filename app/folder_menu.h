// A folder that opens as a menu: "開く", a line, its sub-folders (each a
// menu of its own) and its files. It is listed aside once each time the
// menu it is in opens anew: from the moment the person moves onto its
// entry, so that it opens with its entries, as the shell's own menus do.
// A large folder or one on a share that is offline never holds up the menu
// it is in: when opening it has waited a moment for its listing, it shows
// a greyed "..." until the listing comes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "core/folders.h"
#include "toolkit/toolkit.h"

namespace vx {

// Whether Ctrl and Shift are held as a menu entry is chosen: it starts
// elevated that once, as on the taskbar and in the Start menu.
bool ChosenElevated();

class TFolderMenu : public TPopupMenu {
 public:
  // What a folder's menu asks of the main window: an entry's icon, and to
  // forget the icons still to come for an entry that goes now. `open` is
  // what its own "開く" does (the launch item's start, for the item's own
  // folder).
  struct Calls {
    std::function<void(TMenuItem*, const FilePath&)> requestIcon;
    std::function<void(TMenuItem*)> forgetIcons;
  };
  TFolderMenu(TComponent* owner, FilePath folder, const Calls& calls, std::function<void()> open);
  ~TFolderMenu() override;

  // How long a menu that opens waits for a listing under way.
  static constexpr std::uint32_t kListingWaitMs = 100;
  // Every folder's menu is listed anew the next time it opens: the menu
  // that holds them is opening now.
  static void NewShowing();
  // The menu that holds them has closed: listings and icons not yet begun
  // for it are dropped.
  static void Closed();
  // What holds the look-ups for the menus shown now (JobSpec::HeldBy).
  static std::shared_ptr<const void> ShowingHolder();
  // Gives the menu's own "開く" entry an icon (the launch item's chosen
  // one) each time the entry is made.
  void SetOpenIcon(std::function<void(TMenuItem*)> openIcon) { openIcon_ = std::move(openIcon); }

 private:
  void StartListing();
  void Opening();
  void Fill(const FolderContents& contents);
  void Clear();
  TMenuItem* AddEntry(const std::string& caption, std::function<void()> click);
  void AddOpenEntry();
  FilePath folder_;
  Calls calls_;
  std::function<void()> open_;
  std::function<void(TMenuItem*)> openIcon_;
  int listedIn_ = -1;  // the showing this menu was listed (or is being listed) in
  int filledIn_ = -1;  // the showing whose listing it shows
  int listing_ = 0;    // the listing under way; an older one's answer is dropped
  JobId listingJob_ = 0;
  // Gone with the menu: an answer that comes after it finds nothing to fill.
  std::shared_ptr<TFolderMenu*> self_;
};

}  // namespace vx

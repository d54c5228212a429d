// A folder that opens as a menu: "開く", a line, its sub-folders (each a
// menu of its own) and its files. It is listed aside each time the menu it
// is in opens anew, when it opens itself, so that a large folder or one on
// a share that is offline never holds up the menu it is in; until its
// listing comes it shows a greyed "...".
#pragma once

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

  // Every folder's menu is listed anew the next time it opens: the menu
  // that holds them is opening now.
  static void NewShowing();
  // Shows a listing found beforehand (the item's hotkey finds it before the
  // menu pops up): the menu shows it as it opens this time.
  void Fill(const FolderContents& contents);

 private:
  void Opening();
  void Clear();
  TMenuItem* AddEntry(const std::string& caption, std::function<void()> click);
  FilePath folder_;
  Calls calls_;
  std::function<void()> open_;
  int listedIn_ = -1;  // the showing this menu was listed in
  int listing_ = 0;    // the listing under way; an older one's answer is dropped
  // Gone with the menu: an answer that comes after it finds nothing to fill.
  std::shared_ptr<TFolderMenu*> self_;
};

}  // namespace vx

// The headless desktop's roles beside the UI thread's: work done aside, the
// pop-up menus, icons, and the shell. Each is a base of HeadlessPlatform
// (platform/headless/headless.h), which hands itself to each as its host,
// so that a test reaches every role's state on the one platform.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vx {

class HeadlessPlatform;

// Jobs run as Windows' backend runs them (JobQueue), on the scripted
// clock: a job's work runs when a thread takes it, and its answer comes
// when the look-ups it made have taken their time.
class HeadlessJobs : public Jobs {
 public:
  explicit HeadlessJobs(HeadlessPlatform& host) : host_(host) {}
  JobId RunAside(JobSpec job) override;
  bool Await(JobId job, std::uint32_t ms) override;
  // Folders on a share that answers slowly: a look-up of a path below one
  // (a shortcut read, a path compared, a start) takes this many
  // milliseconds. Only work done aside may take them: the UI thread's
  // look-ups stand for none.
  std::map<std::string, std::uint32_t> slowShares;
  // Whether no job waits or runs.
  bool JobsIdle() const { return jobQueue_.Idle(); }
  // A look-up of `path`: below a slow share its time passes aside, or, on
  // the UI thread, the whole desktop's clock waits for it.
  void ShareLookUp(const std::string& path);
  // Time the work under way takes beside its look-ups (a slow icon).
  void TakesAside(std::uint32_t ms) { asideMs_ += ms; }
  // How long the work under way has taken so far (0 on the UI thread).
  std::uint32_t AsideSoFar() const { return aside_ ? asideMs_ : 0; }

 private:
  // Hands waiting jobs to the free threads.
  void Dispatch();
  HeadlessPlatform& host_;
  JobQueue jobQueue_;
  std::map<JobId, std::function<void()>> answers_;  // of the jobs not yet answered
  bool aside_ = false;
  std::uint32_t asideMs_ = 0;
};

class HeadlessMenus : public Menus {
 public:
  HeadlessMenus() = default;
  // A menu as shown, with the submenus filled while it was up.
  struct Shown {
    int firstId = 0;  // the id of its first entry
    std::vector<MenuEntrySpec> entries;
  };
  struct Popup {
    std::vector<MenuEntrySpec> entries;
    Point at;
    Handle owner;
    int firstId = 0;                // the entries' first id; past 0 once the menu was filled anew
    std::map<int, Shown> submenus;  // by the id of the entry that opens each
    // The entry with that id, in the menu or a submenu; null for none.
    const MenuEntrySpec* Entry(int id) const;
    // The submenu of entry `id` as it shows now; null when it never opened.
    const Shown* Submenu(int id) const;
  };
  std::vector<Popup> popups;
  // Chooses an entry of a pop-up menu by its id (-1: none); runs while the
  // menu is up, and may open submenus first (OpenSubmenu).
  std::function<int(const Popup&)> onPopup;
  // While a menu is up: a person moves onto entry `id` (Highlight), and its
  // submenu opens (OpenSubmenu, which moves onto it first).
  void Highlight(int id);
  void OpenSubmenu(int id);
  int TrackPopupMenu(const std::vector<MenuEntrySpec>& entries, Point at, Handle owner,
                     const SubmenuOpens& opens) override;
  void SetShownMenu(int id, int firstId, const std::vector<MenuEntrySpec>& entries) override;
  // The menu shown now is the last of `popups`: the entry with that id, in
  // it or in a submenu, takes the image.
  void SetShownMenuBitmap(int id, Handle bitmap) override;

 private:
  const MenuEntrySpec& SubmenuEntry(int id) const;
  bool menuShown_ = false;
  SubmenuOpens opens_;  // of the menu up now
};

class HeadlessIcons : public Icons {
 public:
  explicit HeadlessIcons(HeadlessPlatform& host) : host_(host) {}
  ~HeadlessIcons() override;
  std::set<Handle> liveIcons, liveBitmaps;
  std::map<Handle, Point> bitmapSizes;   // each image's size, as it was made
  std::set<std::string> filesWithIcons;  // paths the shell has an icon for
  // How long the shell takes to find a path's icon (an offline share, a
  // sleeping drive); the rest are found at once.
  std::map<std::string, std::uint32_t> slowIcons;
  std::vector<std::string> iconLookups;  // the paths asked for, in order
  int smallIconLoads = 0;
  // Where each icon came from: a file's path for the shell's icon of it,
  // "file,index@size" for a chosen one; and the icon each image was drawn from.
  std::map<Handle, std::string> iconSources;
  std::map<Handle, Handle> bitmapIcons;
  // The chosen icons a file holds (its indexes); a file not named here
  // holds none, and one that does not exist cannot be read.
  std::map<std::string, std::set<int>> iconsInFiles;

  Handle LoadMainIcon() override { return NewIcon(); }
  Handle LoadSmallMainIcon() override {
    ++smallIconLoads;
    return NewIcon();
  }
  Handle CopyIcon(Handle icon) override {
    if (!icon) return 0;
    auto source = iconSources.find(icon);
    return NewIcon(source == iconSources.end() ? "" : source->second);
  }
  void DestroyIcon(Handle icon) override { liveIcons.erase(icon); }
  std::uintptr_t RequestFileIcon(const FilePath& path, Handle wnd, std::uint32_t msg,
                                 const std::shared_ptr<const void>& holder) override;
  Handle TakeFileIcon(std::uintptr_t ticket) override;
  std::uintptr_t RequestChosenIcon(const ChosenIcon& icon, const FilePath& otherwise, Handle wnd, std::uint32_t msg,
                                   const std::shared_ptr<const void>& holder) override;
  Point LargeIconSize(int dpi) override { return Point{32 * dpi / 96, 32 * dpi / 96}; }
  int DpiAt(Point) override;
  Handle IconBitmap(Handle icon, Point size) override;
  void DestroyBitmap(Handle bitmap) override { liveBitmaps.erase(bitmap); }

 private:
  Handle NewIcon(const std::string& source = "");
  Handle LookUpFileIcon(const std::string& path);
  // Looks an icon up as a job aside does, then posts its answer.
  std::uintptr_t RequestIcon(const std::string& path, std::function<Handle()> lookUp, Handle wnd, std::uint32_t msg,
                             const std::shared_ptr<const void>& holder);
  HeadlessPlatform& host_;
  std::map<std::uintptr_t, Handle> iconAnswers_;
  std::uintptr_t lastIconTicket_ = 0;
};

class HeadlessShell : public Shell {
 public:
  explicit HeadlessShell(HeadlessPlatform& host) : host_(host) {}
  // What the shell was asked to open; paths and parameters in UTF-8, and
  // the window that owns the shell's error box.
  struct Launch {
    std::string verb, file, params, dir;
    int show;
    Handle owner = 0;
  };
  std::vector<Launch> launches;
  std::set<std::string> unopenable;  // files the shell cannot start (launches record them all the same)
  // The folders a test lists (ListFolder reads the real file system) hold
  // these hidden or system files.
  std::set<std::string> hiddenFiles;
  std::vector<std::string> listedFolders;  // the folders ListFolder was asked for, in order
  std::vector<std::pair<NotifyOp, NotifyIconData>> notifyCalls;
  // The short (8.3) names the file system gives.
  std::map<std::u16string, std::u16string> shortNames;
  struct Watch {
    std::string folder;
    Handle wnd;
    std::uint32_t msg;
  };
  std::vector<Watch> watches;

  bool ShellExecute(const std::string& verb, const LaunchRequest& target, int show, Handle owner) override;
  bool ShellNotifyIcon(NotifyOp op, const NotifyIconData& data) override;
  Handle ForegroundWindow() override;
  std::vector<ProgramWindow> ProgramWindows() override;
  bool BringForward(Handle wnd) override;
  bool ShortcutTarget(const FilePath& link, FilePath& target) override;
  bool SameFile(const FilePath& a, const FilePath& b) override;
  bool ListFolder(const FilePath& folder, std::vector<FolderItem>& items) override;
  bool IsFolder(const FilePath& path) override;
  bool NameBefore(const std::string& a, const std::string& b) override;
  void WatchFolder(const FilePath& folder, Handle wnd, std::uint32_t msg) override;
  // A file in `folder` changed: each watcher of the folder hears it.
  void FolderChanged(const std::string& folder);
  StartupEntry GetStartupEntry(const std::string& name) override;
  void SetStartupEntry(const std::string& name, const std::string& command) override;
  void RemoveStartupEntry(const std::string& name) override;

 private:
  HeadlessPlatform& host_;
};

}  // namespace vx

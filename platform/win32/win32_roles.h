// The Win32 backend's roles beside the UI thread's: work done aside on
// threads of its own, the pop-up menus, icons, and the shell. Each is a base
// of Win32Platform, which hands itself to each as its host. Included by
// platform/win32/win32.h, after the names the interface uses are freed.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/scoped.h"

namespace vx::win32 {

class Win32Platform;

// The threads that do the work handed aside, each with its own COM
// apartment, taking jobs as JobQueue orders them. Shared with the threads,
// which may outlive the platform while a look-up hangs on a share.
struct JobThreads : std::enable_shared_from_this<JobThreads> {
  std::mutex lock;
  std::condition_variable ended;                                    // a job's work has ended
  ScopedHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};  // auto-reset: a job may be taken
  JobQueue queue;
  std::set<JobId> endedJobs;  // work ended, answer not yet run
  int threads = 0, idle = 0;
  bool stop = false;
  HWND answerWnd = nullptr;  // hears each job's end (Win32Jobs::kAnswerMessage)
  static void Work(std::shared_ptr<JobThreads> self);
  // Starts a thread when a job may be taken and no thread is idle; held.
  void MoreThreadsIfNeeded();
};

class Win32Jobs : public Jobs {
 public:
  static constexpr UINT kAnswerMessage = WM_APP + 0x200;
  explicit Win32Jobs(Win32Platform& host);
  ~Win32Jobs() override;
  JobId RunAside(JobSpec job) override;
  bool Await(JobId job, std::uint32_t ms) override;

 private:
  // The UI thread's end: a hidden window that runs each job's `done` when
  // its work has ended (wParam: the job; lParam 1: dropped unbegun).
  class Answers : public WindowProc {
   public:
    explicit Answers(Win32Jobs& jobs) : jobs_(jobs) {}

   protected:
    std::intptr_t WndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override;

   private:
    Win32Jobs& jobs_;
  };
  void Answer(JobId id, bool run);
  Win32Platform& host_;
  std::shared_ptr<JobThreads> threads_;
  Answers answers_{*this};
  std::map<JobId, std::function<void()>> pending_;  // each job's `done`, by job
};

class Win32Menus : public Menus {
 public:
  explicit Win32Menus(Win32Platform& host) : host_(host) {}
  int TrackPopupMenu(const std::vector<MenuEntrySpec>& entries, Point at, Handle owner,
                     const SubmenuOpens& opens) override;
  void SetShownMenu(int id, int firstId, const std::vector<MenuEntrySpec>& entries) override;
  void SetShownMenuBitmap(int id, Handle bitmap) override;
  struct ShownMenu;

 private:
  // Appends the entries to a menu that is shown, numbered from `firstId`.
  void FillMenu(HMENU menu, int firstId, const std::vector<MenuEntrySpec>& entries);
  // Lets go of what is known of a submenu and its own submenus.
  void Forget(HMENU menu);
  // Opens an open submenu again at its new size, while it is the deepest
  // menu open.
  void ReopenSubmenu(HMENU menu, int id);
  void RedrawOpenMenus();
  Win32Platform& host_;
  ShownMenu* shown_ = nullptr;  // the menu TrackPopupMenu shows now
};

class Win32Icons : public Icons {
 public:
  explicit Win32Icons(Win32Platform& host) : host_(host) {}
  ~Win32Icons() override;
  Handle LoadMainIcon() override;
  Handle LoadSmallMainIcon() override;
  Handle CopyIcon(Handle icon) override;
  void DestroyIcon(Handle icon) override;
  std::uintptr_t RequestFileIcon(const FilePath& path, Handle wnd, std::uint32_t msg,
                                 const std::shared_ptr<const void>& holder) override;
  Handle TakeFileIcon(std::uintptr_t ticket) override;
  std::uintptr_t RequestChosenIcon(const ChosenIcon& icon, const FilePath& otherwise, Handle wnd, std::uint32_t msg,
                                   const std::shared_ptr<const void>& holder) override;
  Point LargeIconSize(int dpi) override;
  int DpiAt(Point at) override;
  Handle IconBitmap(Handle icon, Point size) override;
  void DestroyBitmap(Handle bitmap) override;

 private:
  // Looks an icon up aside, then posts its answer.
  std::uintptr_t RequestIcon(const std::string& path, std::function<HICON()> lookUp, Handle wnd, std::uint32_t msg,
                             const std::shared_ptr<const void>& holder);
  Win32Platform& host_;
  std::map<std::uintptr_t, HICON> answers_;  // looked up, not yet taken
  std::uintptr_t lastTicket_ = 0;
};

class Win32Shell : public Shell {
 public:
  ~Win32Shell() override;
  // Starting and finding programs, folders (win32_programs.cpp).
  bool ShellExecute(const std::string& verb, const LaunchRequest& target, int show, Handle owner) override;
  Handle ForegroundWindow() override;
  std::vector<ProgramWindow> ProgramWindows() override;
  bool BringForward(Handle wnd) override;
  bool ShortcutTarget(const FilePath& link, FilePath& target) override;
  bool SameFile(const FilePath& a, const FilePath& b) override;
  bool IsFolder(const FilePath& path) override;
  bool ListFolder(const FilePath& folder, std::vector<FolderItem>& items) override;
  bool NameBefore(const std::string& a, const std::string& b) override;
  void WatchFolder(const FilePath& folder, Handle wnd, std::uint32_t msg) override;
  // The Run key (win32_startup.cpp) and the notification area (win32_platform.cpp).
  StartupEntry GetStartupEntry(const std::string& name) override;
  void SetStartupEntry(const std::string& name, const std::string& command) override;
  void RemoveStartupEntry(const std::string& name) override;
  bool ShellNotifyIcon(NotifyOp op, const NotifyIconData& data) override;

 private:
  ScopedHandle stopWatching_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};  // manual-reset: every watch ends
};

}  // namespace vx::win32

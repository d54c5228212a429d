// The shell and other programs: starting a file as Explorer does, the
// windows a person switches between, shortcuts, folders, the programs
// Windows starts at sign-in, and the notification area.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "platform/interface/types.h"

namespace vx {

// One entry of a folder, as the file system lists it.
struct FolderItem {
  std::string name;  // the file name, UTF-8
  bool folder = false;
  bool hidden = false;  // the hidden or the system attribute
};

// The shell's notification-icon record in its first form (cbSize 88 in
// the ANSI form), its tooltip as UTF-8 text of at most 63 Shift-JIS bytes.
struct NotifyIconData {
  std::uint32_t cbSize = 0;
  Handle hWnd = 0;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  Handle hIcon = 0;
  std::string szTip;
  static constexpr std::size_t kTipBytes = 63;
};

enum class NotifyOp { Add = 0, Modify = 1, Delete = 2 };
// The record's size as the shell's first form of it has it, and its flags.
enum : std::uint32_t { kNotifyIconDataV1Size = 88, kNifMessage = 0x01, kNifIcon = 0x02, kNifTip = 0x04 };
// What the shell is asked to open: the target, its parameters and its
// working folder, as the file system names them.
struct LaunchRequest {
  FilePath file;
  std::string params;
  FilePath dir;
};

// How a started program shows its first window (ShellExecute's nShow).
enum : int { kSwShowMaximized = 3, kSwShow = 5, kSwShowMinNoActive = 7 };

// A window a person switches to: a visible, unowned top-level window that
// the taskbar shows, with the full path of the program that made it.
struct ProgramWindow {
  Handle wnd = 0;
  FilePath image;
  bool minimized = false;
  // Kept in front of the others (a pinned mini player, a sticky note),
  // whether or not the person works in it.
  bool topmost = false;
};

class Shell {
 public:
  virtual ~Shell() = default;

  // False when the shell could not start it (no such file, no program for
  // the document); the shell has then shown the person why itself, in a
  // box owned by `owner`. It may wait for a share: call it aside.
  virtual bool ShellExecute(const std::string& verb, const LaunchRequest& target, int show, Handle owner) = 0;
  // The window the person works in now (0: none).
  virtual Handle ForegroundWindow() = 0;
  // The windows a person switches between (ProgramWindow), front first.
  // A window whose program cannot be asked for its path is left out.
  virtual std::vector<ProgramWindow> ProgramWindows() = 0;
  // Restores another program's window if it is minimized and makes it the
  // foreground window. False when the system kept the foreground where it
  // was (the window then flashes on the taskbar); it is restored anyway.
  virtual bool BringForward(Handle wnd) = 0;
  // The file a shell shortcut (.lnk) points to, as stored: its environment
  // variables not yet expanded ("%ProgramFiles%\App\app.exe"), for a
  // 32-bit process's expansion would name the "(x86)" folder. False when
  // the file is no shortcut or points to no file (a URL, a shell folder).
  virtual bool ShortcutTarget(const FilePath& link, FilePath& target) = 0;
  // Whether two paths name the same file as the file system compares
  // names: letter case ignored, a short (8.3) name the same as its long one.
  virtual bool SameFile(const FilePath& a, const FilePath& b) = 0;
  // The files and folders in a folder, in no order; false when the path
  // names no folder (a file, nothing), and an empty list when the folder
  // cannot be read. It may wait for a share: use it aside.
  virtual bool ListFolder(const FilePath& folder, std::vector<FolderItem>& items) = 0;
  // Whether the path names a folder, asked without listing it; aside too.
  virtual bool IsFolder(const FilePath& path) = 0;
  // From now on, `msg` is posted to `wnd` each time a file in the folder
  // is written, made, deleted or renamed, by any program (this one too),
  // until the platform ends. A folder that cannot be watched (gone, a share
  // that offers no notices) gives none.
  virtual void WatchFolder(const FilePath& folder, Handle wnd, std::uint32_t msg) = 0;
  // Whether `a` sorts before `b` as Explorer sorts names: letter case
  // ignored, and a run of digits by its number ("File 2" before "File 10").
  virtual bool NameBefore(const std::string& a, const std::string& b) = 0;

  // The person's programs that Windows starts at sign-in: the value `name`
  // under HKCU\Software\Microsoft\Windows\CurrentVersion\Run, and whether
  // Task Manager's Startup tab has disabled it (its StartupApproved value,
  // whose first byte is odd when disabled).
  struct StartupEntry {
    bool exists = false;
    std::string command;  // the value's text, as stored
    bool disabled = false;
  };
  virtual StartupEntry GetStartupEntry(const std::string& name) = 0;
  // Writes the value (REG_SZ) and takes away a disabled state, so that the
  // entry starts; removes it (a missing value is no error). A refusal is a
  // SystemError naming the registry function and its error; nothing else
  // changes then.
  virtual void SetStartupEntry(const std::string& name, const std::string& command) = 0;
  virtual void RemoveStartupEntry(const std::string& name) = 0;
  // False when the shell refused: an add while Explorer starts or is busy
  // (it times out), a modify or delete of an icon the shell no longer has.
  virtual bool ShellNotifyIcon(NotifyOp op, const NotifyIconData& data) = 0;
};

}  // namespace vx

// Icons and images: the program's own, the shell's icon of a file (looked
// up aside, see Jobs), and icons drawn as menu images.
#pragma once

#include <cstdint>
#include <memory>

#include "base/codepage.h"
#include "platform/interface/types.h"

namespace vx {

// An icon a person chose: the one at `index` in `file` (an icon file, a
// program or a library; a negative index is a resource ID), made at `size`.
struct ChosenIcon {
  FilePath file;
  int index = 0;
  Point size;
};

class Icons {
 public:
  virtual ~Icons() = default;

  virtual Handle LoadMainIcon() = 0;
  // The program's icon at the small-icon size for the system's DPI, the
  // size the notification area shows.
  virtual Handle LoadSmallMainIcon() = 0;
  virtual Handle CopyIcon(Handle icon) = 0;
  virtual void DestroyIcon(Handle icon) = 0;
  // The shell's large icon for a path is looked up off the UI thread: on an
  // offline share or a sleeping drive it takes the share's time-out.
  // RequestFileIcon returns a ticket at once; when the answer is known,
  // `msg` is posted to `wnd` with the ticket in wParam, and TakeFileIcon
  // hands the icon over once (0: the shell has none, or no answer yet).
  // Answers never taken are destroyed with the platform. A look-up not
  // begun when its `holder` goes (a menu that closed) is dropped, and its
  // message never comes; a null holder keeps it to the end.
  virtual std::uintptr_t RequestFileIcon(const FilePath& path, Handle wnd, std::uint32_t msg,
                                         const std::shared_ptr<const void>& holder) = 0;
  virtual Handle TakeFileIcon(std::uintptr_t ticket) = 0;
  // As RequestFileIcon, for a chosen icon; when its file or the icon in it
  // cannot be read, the answer is the shell's icon of `otherwise`.
  virtual std::uintptr_t RequestChosenIcon(const ChosenIcon& icon, const FilePath& otherwise, Handle wnd,
                                           std::uint32_t msg, const std::shared_ptr<const void>& holder) = 0;
  // The large-icon size at a DPI (32 pixels at 96), and the DPI of the
  // monitor that holds a point of the screen: a menu's images are made at
  // its monitor's DPI, which may differ from the one at sign-in.
  virtual Point LargeIconSize(int dpi) = 0;
  virtual int DpiAt(Point at) = 0;
  virtual Handle IconBitmap(Handle icon, Point size) = 0;  // icon drawn at (0, 0); 0 icon = blank
  virtual void DestroyBitmap(Handle bitmap) = 0;
};

}  // namespace vx

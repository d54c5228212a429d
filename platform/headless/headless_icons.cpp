// The headless desktop's icons and images, and the shell's icons of files,
// looked up as work done aside.
#include <filesystem>
#include <memory>

#include "platform/headless/headless.h"

namespace vx {

Handle HeadlessIcons::NewIcon() {
  const Handle h = host_.system.nextHandle++;
  liveIcons.insert(h);
  return h;
}

Handle HeadlessIcons::LookUpFileIcon(const std::string& path) {
  iconLookups.push_back(path);
  if (path.empty()) return 0;
  std::error_code ec;
  if (filesWithIcons.count(path) || std::filesystem::exists(path, ec)) return NewIcon();
  return 0;
}

std::uintptr_t HeadlessIcons::RequestFileIcon(const FilePath& file, Handle wnd, std::uint32_t msg,
                                              const std::shared_ptr<const void>& holder) {
  const std::uintptr_t ticket = ++lastIconTicket_;
  auto icon = std::make_shared<Handle>(0);
  host_.RunAside(IconJob(
      file.utf8,
      [this, icon, path = file.utf8] {
        auto slow = slowIcons.find(path);
        if (slow != slowIcons.end()) host_.TakesAside(slow->second);
        host_.ShareLookUp(path);
        *icon = LookUpFileIcon(path);
      },
      [this, icon, wnd, msg, ticket] {
        iconAnswers_[ticket] = *icon;
        host_.PostMessage(wnd, msg, ticket, 0);
      },
      holder));
  return ticket;
}

Handle HeadlessIcons::TakeFileIcon(std::uintptr_t ticket) {
  auto it = iconAnswers_.find(ticket);
  if (it == iconAnswers_.end()) return 0;
  const Handle icon = it->second;
  iconAnswers_.erase(it);
  return icon;
}

HeadlessIcons::~HeadlessIcons() {
  for (const auto& [ticket, icon] : iconAnswers_) liveIcons.erase(icon);
}

int HeadlessIcons::DpiAt(Point) { return host_.system.dpi; }

Handle HeadlessIcons::IconBitmap(Handle, Point size) {
  const Handle h = host_.system.nextHandle++;
  liveBitmaps.insert(h);
  bitmapSizes[h] = size;
  return h;
}

}  // namespace vx

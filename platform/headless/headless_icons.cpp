// The headless desktop's icons and images, and the shell's icons of files,
// looked up as work done aside.
#include <filesystem>
#include <memory>

#include "platform/headless/headless.h"

namespace vx {

namespace {
std::string SourceOf(const ChosenIcon& icon) { return icon.file.utf8 + "," + std::to_string(icon.index); }
}  // namespace

Handle HeadlessIcons::NewIcon(const std::string& source) {
  const Handle h = host_.system.nextHandle++;
  liveIcons.insert(h);
  if (!source.empty()) iconSources[h] = source;
  return h;
}

Handle HeadlessIcons::LookUpFileIcon(const std::string& path) {
  iconLookups.push_back(path);
  if (path.empty()) return 0;
  std::error_code ec;
  if (filesWithIcons.count(path) || std::filesystem::exists(path, ec)) return NewIcon(path);
  return 0;
}

std::uintptr_t HeadlessIcons::RequestFileIcon(const FilePath& file, Handle wnd, std::uint32_t msg,
                                              const std::shared_ptr<const void>& holder) {
  return RequestIcon(
      file.utf8, [this, path = file.utf8] { return LookUpFileIcon(path); }, wnd, msg, holder);
}

std::uintptr_t HeadlessIcons::RequestChosenIcon(const ChosenIcon& chosen, const FilePath& otherwise, Handle wnd,
                                                std::uint32_t msg, const std::shared_ptr<const void>& holder) {
  auto lookUp = [this, chosen, otherwise]() -> Handle {
    iconLookups.push_back(SourceOf(chosen));
    auto file = iconsInFiles.find(chosen.file.utf8);
    if (file != iconsInFiles.end() && file->second.count(chosen.index))
      return NewIcon(SourceOf(chosen) + "@" + std::to_string(chosen.size.x));
    return LookUpFileIcon(otherwise.utf8);  // silently, as Windows' own shortcuts do
  };
  return RequestIcon(chosen.file.utf8, lookUp, wnd, msg, holder);
}

std::uintptr_t HeadlessIcons::RequestIcon(const std::string& path, std::function<Handle()> lookUp, Handle wnd,
                                          std::uint32_t msg, const std::shared_ptr<const void>& holder) {
  const std::uintptr_t ticket = ++lastIconTicket_;
  auto icon = std::make_shared<Handle>(0);
  host_.RunAside(IconJob(
      path,
      [this, icon, path, lookUp] {
        auto slow = slowIcons.find(path);
        if (slow != slowIcons.end()) host_.TakesAside(slow->second);
        host_.ShareLookUp(path);
        *icon = lookUp();
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

Handle HeadlessIcons::IconBitmap(Handle icon, Point size) {
  const Handle h = host_.system.nextHandle++;
  liveBitmaps.insert(h);
  bitmapSizes[h] = size;
  bitmapIcons[h] = icon;
  return h;
}

}  // namespace vx

// The headless desktop's shell: what it was asked to start, other programs'
// windows, shortcuts, the folders a test lists (read from the real file
// system), the Run key and the notification area.
#include <algorithm>
#include <filesystem>

#include "base/text.h"
#include "platform/headless/headless.h"

namespace vx {

bool HeadlessShell::ShellExecute(const std::string& verb, const LaunchRequest& target, int show, Handle owner) {
  // On a slow share the program starts once the share has answered.
  host_.ShareLookUp(target.file.utf8);
  auto start = [this, launch = Launch{verb, target.file.utf8, target.params, target.dir.utf8, show, owner}] {
    launches.push_back(launch);
    if (!unopenable.count(launch.file) && host_.system.windowedPrograms.count(launch.file))
      host_.system.OpenProgramWindow(launch.file, launch.show == kSwShowMinNoActive);
  };
  if (const std::uint32_t ms = host_.AsideSoFar())
    host_.Schedule(ms, start);
  else
    start();
  return !unopenable.count(target.file.utf8);
}

std::vector<HeadlessSystem::OtherWindow>::iterator HeadlessSystem::FrontOfPlainWindows() {
  return std::find_if(otherWindows.begin(), otherWindows.end(), [](const OtherWindow& w) { return !w.topmost; });
}

Handle HeadlessSystem::OpenProgramWindow(const std::string& image, bool minimized, bool topmost) {
  const Handle wnd = nextHandle++;
  const OtherWindow w{wnd, image, minimized, topmost};
  otherWindows.insert(topmost ? otherWindows.begin() : FrontOfPlainWindows(), w);
  if (!minimized) foreground = wnd;
  return wnd;
}

void HeadlessShell::WatchFolder(const FilePath& folder, Handle wnd, std::uint32_t msg) {
  watches.push_back(Watch{folder.utf8, wnd, msg});
}

void HeadlessShell::FolderChanged(const std::string& folder) {
  for (const Watch& w : watches)
    if (w.folder == folder) host_.PostMessage(w.wnd, w.msg, 0, 0);
}

Handle HeadlessShell::ForegroundWindow() { return host_.system.foreground; }

std::vector<ProgramWindow> HeadlessShell::ProgramWindows() {
  std::vector<ProgramWindow> out;
  for (const auto& w : host_.system.otherWindows)
    out.push_back(ProgramWindow{w.wnd, FilePath(w.image), w.minimized, w.topmost});
  return out;
}

bool HeadlessShell::BringForward(Handle wnd) {
  HeadlessSystem& system = host_.system;
  auto& all = system.otherWindows;
  auto it = std::find_if(all.begin(), all.end(), [wnd](const auto& w) { return w.wnd == wnd; });
  if (it == all.end()) return false;
  it->minimized = false;
  host_.trace.push_back("bring forward");
  if (system.foregroundLocked) return false;
  // In front of the others, behind the windows kept on top.
  auto front = it->topmost ? all.begin() : system.FrontOfPlainWindows();
  if (front < it) std::rotate(front, it, it + 1);
  system.foreground = wnd;
  return true;
}

bool HeadlessShell::ShortcutTarget(const FilePath& link, FilePath& target) {
  host_.ShareLookUp(link.utf8);
  auto it = host_.system.shortcuts.find(link.utf8);
  if (it == host_.system.shortcuts.end()) return false;
  target = FilePath(it->second);
  return true;
}

bool HeadlessShell::SameFile(const FilePath& a, const FilePath& b) {
  host_.ShareLookUp(a.utf8);
  host_.ShareLookUp(b.utf8);
  // A short name stands for its long one; then letters compare as the file
  // system compares them (ASCII folding is this desktop's whole rule).
  auto longForm = [this](const std::string& path) {
    for (const auto& [longName, shortName] : shortNames)
      if (FoldCase(Utf16ToUtf8(shortName)) == FoldCase(path)) return FoldCase(Utf16ToUtf8(longName));
    return FoldCase(path);
  };
  return longForm(a.utf8) == longForm(b.utf8);
}

bool HeadlessShell::ShellNotifyIcon(NotifyOp op, const NotifyIconData& data) {
  notifyCalls.emplace_back(op, data);
  host_.trace.push_back(op == NotifyOp::Add ? "tray add" : op == NotifyOp::Modify ? "tray modify" : "tray delete");
  const auto key = std::make_pair(data.hWnd, data.uID);
  auto it = host_.system.trayIcons.find(key);
  switch (op) {
    case NotifyOp::Add:
      if (host_.system.trayAddsRefused > 0) {
        --host_.system.trayAddsRefused;
        if (host_.system.trayAddsTakenAnyway > 0) {
          --host_.system.trayAddsTakenAnyway;
          host_.system.trayIcons.emplace(key, data);
        }
        return false;
      }
      return host_.system.trayIcons.emplace(key, data).second;  // an icon the shell has already is refused
    case NotifyOp::Modify:
      if (it == host_.system.trayIcons.end()) return false;
      it->second = data;
      return true;
    case NotifyOp::Delete:
      if (it == host_.system.trayIcons.end()) return false;
      host_.system.trayIcons.erase(it);
      return true;
  }
  return false;
}

Shell::StartupEntry HeadlessShell::GetStartupEntry(const std::string& name) {
  StartupEntry entry;
  auto it = host_.system.runValues.find(name);
  if (it != host_.system.runValues.end()) {
    entry.exists = true;
    entry.command = it->second;
  }
  entry.disabled = host_.system.disabledStartup.count(name) != 0;
  return entry;
}

void HeadlessShell::SetStartupEntry(const std::string& name, const std::string& command) {
  // RegSetValueExW returns its error; the value stays as it was.
  if (host_.system.refuseRegistry)
    throw SystemError("RegSetValueExW (" + std::to_string(host_.system.refuseRegistry) + "): refused",
                      host_.system.refuseRegistry);
  host_.system.runValues[name] = command;
  host_.system.disabledStartup.erase(name);
}

void HeadlessShell::RemoveStartupEntry(const std::string& name) {
  if (host_.system.refuseRegistry)
    throw SystemError("RegDeleteValueW (" + std::to_string(host_.system.refuseRegistry) + "): refused",
                      host_.system.refuseRegistry);
  host_.system.runValues.erase(name);
}

bool HeadlessShell::IsFolder(const FilePath& path) {
  host_.ShareLookUp(path.utf8);
  std::error_code ec;
  return std::filesystem::is_directory(std::filesystem::path(path.utf8), ec);
}

bool HeadlessShell::ListFolder(const FilePath& folder, std::vector<FolderItem>& items) {
  listedFolders.push_back(folder.utf8);
  items.clear();
  if (!IsFolder(folder)) return false;
  std::error_code ec;
  const std::filesystem::path path(folder.utf8);
  for (const auto& entry : std::filesystem::directory_iterator(path, ec)) {
    FolderItem item;
    item.name = entry.path().filename().string();
    item.folder = entry.is_directory(ec);
    item.hidden = hiddenFiles.count(entry.path().string()) > 0;
    items.push_back(item);
  }
  return true;
}

bool HeadlessShell::NameBefore(const std::string& a, const std::string& b) {
  // As StrCmpLogicalW: runs of digits by their number, the rest by letter
  // without regard to case (ASCII folding is this desktop's whole rule).
  const std::string x = FoldCase(a), y = FoldCase(b);
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  std::size_t i = 0, j = 0;
  while (i < x.size() && j < y.size()) {
    if (digit(x[i]) && digit(y[j])) {
      std::size_t ei = i, ej = j;
      while (ei < x.size() && digit(x[ei])) ++ei;
      while (ej < y.size() && digit(y[ej])) ++ej;
      const std::string_view nx = std::string_view(x).substr(i, ei - i), ny = std::string_view(y).substr(j, ej - j);
      const std::size_t zx = std::min(nx.find_first_not_of('0'), nx.size()),
                        zy = std::min(ny.find_first_not_of('0'), ny.size());
      const std::string_view vx = nx.substr(zx), vy = ny.substr(zy);
      if (vx.size() != vy.size()) return vx.size() < vy.size();
      if (vx != vy) return vx < vy;
      i = ei;
      j = ej;
      continue;
    }
    if (x[i] != y[j]) return static_cast<unsigned char>(x[i]) < static_cast<unsigned char>(y[j]);
    ++i;
    ++j;
  }
  return x.size() - i < y.size() - j;
}

}  // namespace vx

#include "core/launch.h"

#include <algorithm>
#include <cstring>

#include "base/text.h"

namespace vx {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// "C:..." or "\..." (which takes in "\\server\share"): not relative.
bool IsRelative(const std::string& path) {
  if (path.empty()) return false;
  if (IsSeparator(path[0])) return false;
  return !(path.size() >= 2 && path[1] == ':');
}

// A relative path without ".." parts stays in the folder it is taken from.
bool StaysBelow(const std::string& path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    if (path.compare(start, end - start, "..") == 0) return false;
    start = end + 1;
  }
  return true;
}

// The path with a leading ".\" left out; "." alone is the folder itself.
std::string Joined(const FilePath& folder, std::string relative) {
  while (relative.size() >= 2 && relative[0] == '.' && IsSeparator(relative[1])) relative.erase(0, 2);
  if (relative == "." || relative.empty()) return folder.utf8;
  const bool endsInSeparator = !folder.utf8.empty() && IsSeparator(folder.utf8.back());
  return folder.utf8 + (endsInSeparator ? "" : "\\") + relative;
}

// Whether `path` lies in `folder` (without regard to ASCII case): it is
// the folder itself or goes on with a separator.
bool InFolder(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.size() < folder.size()) return false;
  if (FoldCase(path.substr(0, folder.size())) != FoldCase(folder)) return false;
  return path.size() == folder.size() || IsSeparator(path[folder.size()]);
}

}  // namespace

bool IsProgramPath(const std::string& path, Platform& p) {
  // A colon past the drive letter is a URL's scheme ("\\?\" and "\\.\"
  // open long and device paths, whose drive letter follows them).
  const std::size_t skip = path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\\\.\\", 0) == 0 ? 4 : 0;
  const std::size_t colon = path.find(':', skip);
  if (colon != std::string::npos && colon != skip + 1) return false;
  const std::size_t dot = path.find_last_of(".\\/");
  if (dot == std::string::npos || path[dot] != '.') return false;
  const std::string ext = FoldCase(path.substr(dot));
  if (ext == ".MSC") return false;
  std::string list;
  if (!p.GetEnvironmentVariable("PATHEXT", list) || list.empty()) list = ".COM;.EXE;.BAT;.CMD";
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    if (FoldCase(list.substr(start, end - start)) == ext) return true;
    start = end + 1;
  }
  return false;
}

namespace {

// A variable's value as 64-bit Windows has it. A 32-bit program on 64-bit
// Windows sees ProgramFiles and CommonProgramFiles name the "(x86)"
// folders; the person, Explorer and every 64-bit program see the others,
// which Windows gives a 32-bit program as ProgramW6432 and
// CommonProgramW6432. So both builds read a stored path alike.
bool VariableAs64Bit(const std::string& name, std::string& value, Platform& p) {
  if (p.IsWow64()) {
    const std::string folded = FoldCase(name);
    const char* native = folded == "PROGRAMFILES"         ? "ProgramW6432"
                         : folded == "COMMONPROGRAMFILES" ? "CommonProgramW6432"
                                                          : nullptr;
    if (native && p.GetEnvironmentVariable(native, value)) return true;
  }
  return p.GetEnvironmentVariable(name, value);
}

}  // namespace

std::string ExpandVariables(const std::string& s, Platform& p) {
  std::string out;
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t open = s.find('%', i);
    const std::size_t close = open == std::string::npos ? open : s.find('%', open + 1);
    if (close == std::string::npos) {
      out.append(s, i, std::string::npos);
      break;
    }
    out.append(s, i, open - i);
    const std::string name = s.substr(open + 1, close - open - 1);
    std::string value;
    if (!name.empty() && VariableAs64Bit(name, value, p)) {
      out += value;
      i = close + 1;
    } else {
      // Not a variable: the first '%' stays, the second may open one.
      out.append(s, open, close - open);
      i = close;
    }
  }
  return out;
}

LaunchRequest ResolveLaunch(const std::string& exe, const std::string& par, const std::string& dir, Platform& p,
                            std::string* named) {
  std::string file = ExpandVariables(exe, p);
  std::string folder = ExpandVariables(dir, p);
  const std::string params = ExpandVariables(par, p);

  const bool relativeFile = IsRelative(file), relativeFolder = IsRelative(folder);
  if (relativeFile || relativeFolder) {
    const FilePath home = p.ExePath().Folder();
    if (relativeFile && StaysBelow(file)) {
      const FilePath beside(Joined(home, file));
      if (p.files().Exists(beside)) file = beside.utf8;
    }
    if (relativeFolder) folder = Joined(home, folder);
  }

  if (named) *named = file;
  // The working folder is handed to the started program, which reads it in
  // its own view of the system, so only the program's path is mapped.
  if (IsProgramPath(file, p)) file = AsSystemHasIt(file, p);
  return LaunchRequest{FilePath(file), params, FilePath(folder)};
}

std::string AsSystemHasIt(const std::string& path, Platform& p) {
  std::string windir;
  if (!p.IsWow64() || !(p.GetEnvironmentVariable("windir", windir) || p.GetEnvironmentVariable("SystemRoot", windir)))
    return path;
  while (!windir.empty() && IsSeparator(windir.back())) windir.pop_back();
  const std::string system32 = windir + "\\System32";
  return InFolder(path, system32) ? windir + "\\Sysnative" + path.substr(system32.size()) : path;
}

bool HasExtension(const std::string& path, const char* ext) {
  const std::size_t n = std::strlen(ext);
  return path.size() > n && FoldCase(path.substr(path.size() - n)) == FoldCase(ext);
}

namespace {

// The part after the last separator.
std::string FileNamePart(const std::string& path) {
  const std::size_t sep = path.find_last_of("\\/");
  return sep == std::string::npos ? path : path.substr(sep + 1);
}

}  // namespace

FilePath ProgramOf(const std::string& named, Platform& p) {
  if (named.empty()) return FilePath();
  if (HasExtension(named, ".LNK")) {
    FilePath target;
    // The target as stored, its variables expanded as 64-bit Windows has
    // them: a link to "%ProgramFiles%\\App\\app.exe" names the 64-bit
    // program, which the 32-bit build's shell would place under "(x86)".
    if (!p.shell().ShortcutTarget(FilePath(named), target)) return FilePath();
    target = FilePath(ExpandVariables(target.utf8, p));
    return IsProgramPath(target.utf8, p) ? target : FilePath();
  }
  return IsProgramPath(named, p) ? FilePath(named) : FilePath();
}

Handle WindowToBringForward(const FilePath& program, Platform& p, Handle foreground) {
  const bool byName = program.utf8.find_first_of("\\/:") == std::string::npos;
  std::vector<Handle> windows;  // the program's, front first
  Handle inFront = 0, frontmost = 0;
  for (const ProgramWindow& w : p.shell().ProgramWindows()) {
    if (!w.minimized && w.wnd == foreground) inFront = w.wnd;
    if (!frontmost && !w.minimized && !w.topmost) frontmost = w.wnd;
    const bool same =
        byName ? FoldCase(FileNamePart(w.image.utf8)) == FoldCase(program.utf8) : p.shell().SameFile(w.image, program);
    if (same) windows.push_back(w.wnd);
  }
  if (!inFront) inFront = frontmost;
  if (windows.empty()) return 0;
  auto at = std::find(windows.begin(), windows.end(), inFront);
  if (at == windows.end() || windows.size() == 1) return windows.front();
  windows.erase(at);
  return windows.back();
}

}  // namespace vx

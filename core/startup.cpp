#include "core/startup.h"

namespace vx {

std::string CommandProgram(const std::string& command) {
  const std::size_t start = command.find_first_not_of(' ');
  if (start == std::string::npos) return std::string();
  if (command[start] == '"') {
    const std::size_t close = command.find('"', start + 1);
    return command.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1);
  }
  return command.substr(start, command.find(' ', start) - start);
}

bool StartsWithWindows(Platform& platform) {
  const Shell::StartupEntry entry = platform.shell().GetStartupEntry(kStartupValueName);
  if (!entry.exists || entry.disabled) return false;
  const std::string program = CommandProgram(entry.command);
  return !program.empty() && platform.shell().SameFile(FilePath(program), platform.ExePath());
}

void SetStartWithWindows(Platform& platform, bool on) {
  if (on)
    platform.shell().SetStartupEntry(kStartupValueName, "\"" + platform.ExePath().utf8 + "\"");
  else
    platform.shell().RemoveStartupEntry(kStartupValueName);
}

}  // namespace vx

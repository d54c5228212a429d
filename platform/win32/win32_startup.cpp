// The person's programs that Windows starts at sign-in: the Run key's value
// and Task Manager's record of a disabled entry, both under HKCU.
#include "platform/win32/win32.h"

namespace vx::win32 {

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kApprovedKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

// An open registry key, closed when it goes.
class Key {
 public:
  // RegOpenKeyExW; its error (ERROR_FILE_NOT_FOUND: no such key) in `status`.
  Key(const wchar_t* path, REGSAM access) { status = RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, access, &key_); }
  ~Key() {
    if (status == ERROR_SUCCESS) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY get() const { return key_; }
  LSTATUS status;

 private:
  HKEY key_ = nullptr;
};

}  // namespace

Shell::StartupEntry Win32Shell::GetStartupEntry(const std::string& name) {
  StartupEntry entry;
  const std::wstring value = Wide(name);
  const Key run(kRunKey, KEY_QUERY_VALUE);
  DWORD type = 0, size = 0;
  if (run.status == ERROR_SUCCESS &&
      RegQueryValueExW(run.get(), value.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    // The data need not end with a zero: room for one more, and cut at
    // the first.
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegQueryValueExW(run.get(), value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &got) ==
        ERROR_SUCCESS) {
      data.resize(wcsnlen(data.c_str(), data.size()));
      entry.exists = true;
      entry.command = Narrow(data);
    }
  }
  // Task Manager keeps twelve bytes per entry; the first is 2 or 6 when
  // enabled, 3 or 7 when the person disabled it.
  const Key approved(kApprovedKey, KEY_QUERY_VALUE);
  BYTE state[12] = {};
  DWORD stateSize = sizeof state;
  if (approved.status == ERROR_SUCCESS &&
      RegQueryValueExW(approved.get(), value.c_str(), nullptr, &type, state, &stateSize) == ERROR_SUCCESS &&
      type == REG_BINARY && stateSize >= 1)
    entry.disabled = (state[0] & 1) != 0;
  return entry;
}

void Win32Shell::SetStartupEntry(const std::string& name, const std::string& command) {
  // The registry functions return their error rather than setting the
  // thread's last error.
  HKEY run = nullptr;
  LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &run, nullptr);
  if (status != ERROR_SUCCESS) ThrowLastError("RegCreateKeyExW", static_cast<DWORD>(status));
  const std::wstring value = Wide(name), data = Wide(command);
  status = RegSetValueExW(run, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(run);
  if (status != ERROR_SUCCESS) ThrowLastError("RegSetValueExW", static_cast<DWORD>(status));
  // A person who ticks the box wants it to start: an entry disabled in Task
  // Manager is enabled again by taking its record away.
  const Key approved(kApprovedKey, KEY_SET_VALUE);
  if (approved.status == ERROR_SUCCESS) RegDeleteValueW(approved.get(), value.c_str());
}

void Win32Shell::RemoveStartupEntry(const std::string& name) {
  const Key run(kRunKey, KEY_SET_VALUE);
  if (run.status == ERROR_FILE_NOT_FOUND) return;  // no Run key: nothing to remove
  if (run.status != ERROR_SUCCESS) ThrowLastError("RegOpenKeyExW", static_cast<DWORD>(run.status));
  const LSTATUS status = RegDeleteValueW(run.get(), Wide(name).c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
    ThrowLastError("RegDeleteValueW", static_cast<DWORD>(status));
}

}  // namespace vx::win32

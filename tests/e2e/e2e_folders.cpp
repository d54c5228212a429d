// A folder item that opens as a menu, as a person meets it: the launch
// menu, the folder's submenu and a sub-folder's gone through with real
// keys, a file in it started by one choice; the item's hotkey pops the
// folder up at the cursor.
#include "tests/e2e/e2e_fixture.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <string>

using namespace e2e;

namespace {

// A settings file as Windows keeps Unicode in one: UTF-16 LE after its
// byte-order mark.
void WriteUtf16Ini(const std::wstring& path, const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  WriteBytes(path, bytes);
}

// A shell shortcut to `target` with its arguments, made as Explorer makes one.
bool MakeShortcut(const std::wstring& link, const std::wstring& target, const std::wstring& args,
                  const std::wstring& dir) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return false;
  IShellLinkW* shell = nullptr;
  bool saved = false;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&shell)))) {
    shell->SetPath(target.c_str());
    shell->SetArguments(args.c_str());
    shell->SetWorkingDirectory(dir.c_str());
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      saved = SUCCEEDED(file->Save(link.c_str(), TRUE));
      file->Release();
    }
    shell->Release();
  }
  CoUninitialize();
  return saved;
}

class Folders : public E2E {
 protected:
  // "Tools 발표" holds the sub-folder "Scripts" with a .bat that leaves a
  // marker beside itself, and a shortcut to vx_marker.exe; the item "Tools"
  // opens it as a menu, its hotkey Ctrl+Alt+F7.
  void SetUp() override {
    E2E::SetUp();
    tools = folder + L"\\Tools \xBC1C\xD45C";
    ASSERT_TRUE(CreateDirectoryW(tools.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((tools + L"\\Scripts").c_str(), nullptr));
    WriteBytes(tools + L"\\Scripts\\mark.bat", "@echo off\r\necho marked> \"%~dp0bat.txt\"\r\n");
    WriteBytes(tools + L"\\notes.txt", "notes\r\n");
    ASSERT_TRUE(MakeShortcut(tools + L"\\Marker.lnk", folder + L"\\vx_marker.exe", L"lnk.txt", folder));
    WriteUtf16Ini(Ini(),
                  L";Vorlex Initialize File\r\n[Basic]\r\nCount=1\r\nVisibleMenuIcon=1\r\n[0]\r\nName=\"Tools\"\r\n"
                  L"HotKey=" +
                      std::to_wstring(0x4000 | 0x8000 | VK_F7) + L"\r\nExe=\"" + tools + L"\"\r\nSubmenu=1\r\n");
  }
  // A person's pace between keys in a menu: a submenu that opens is listed
  // meanwhile.
  static void Key(WORD vk) {
    PressKeys({}, vk);
    Sleep(300);
  }
  // The open menus' windows, from the left: the launch menu, then each
  // submenu opened beside the one before. Their texts are not readable from
  // here; their sizes are.
  static std::vector<RECT> OpenMenus(DWORD pid) {
    std::vector<RECT> menus;
    for (HWND w = FindWindowW(L"#32768", nullptr); w; w = FindWindowExW(nullptr, w, L"#32768", nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      RECT r;
      if (owner == pid && IsWindowVisible(w) && GetWindowRect(w, &r)) menus.push_back(r);
    }
    std::sort(menus.begin(), menus.end(), [](const RECT& a, const RECT& b) { return a.left < b.left; });
    return menus;
  }
  // Waits until `n` menus are open, the last one with room for `rows`
  // entries with icons: a folder's menu shows its entries, not only the
  // greyed "..." it opened with.
  static bool WaitMenus(DWORD pid, std::size_t n, int rows) {
    return WaitUntil(
        [&] {
          const std::vector<RECT> menus = OpenMenus(pid);
          return menus.size() == n && menus.back().bottom - menus.back().top >= rows * GetSystemMetrics(SM_CYICON);
        },
        3000);
  }
  std::wstring tools;
};

}  // namespace

TEST_F(Folders, TheLaunchMenuOpensTheFolderAndItsSubFolderAndAFileInItStartsWithOneChoice) {
  const NewConsoleHosts hosts;  // the .bat runs in a console
  Vorlex v(folder);
  StartReady(v);
  RECT icon;
  ASSERT_TRUE(WineTrayIconRect(icon));
  ASSERT_TRUE(PersonClick(icon, true, 1));
  ASSERT_NE(WaitMenuReady(v.Pid(), 10000), nullptr);
  // Tools, then into its menu: 開く, a line, Scripts (folders first),
  // Marker, notes.txt. Into Scripts: 開く, a line, mark.bat.
  Key(VK_DOWN);
  Key(VK_RIGHT);
  EXPECT_TRUE(WaitMenus(v.Pid(), 2, 3));  // Scripts, Marker, notes.txt
  Key(VK_DOWN);
  Key(VK_RIGHT);
  EXPECT_TRUE(WaitMenus(v.Pid(), 3, 1));  // mark.bat
  Key(VK_DOWN);
  PressKeys({}, VK_RETURN);
  EXPECT_TRUE(WaitNoWindowOf(v.Pid(), L"#32768", 5000));
  EXPECT_TRUE(WaitFile(tools + L"\\Scripts\\bat.txt", 15000));
  EXPECT_EQ(v.Close(), 0u);
}

TEST_F(Folders, TheItemsHotkeyPopsTheFolderUpAtTheCursorAndAShortcutInItStarts) {
  Vorlex v(folder);
  StartReady(v);
  const POINT cursor{GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
  SetCursorPos(cursor.x, cursor.y);
  PressHotkey({VK_CONTROL, VK_MENU}, VK_F7);
  ASSERT_TRUE(MenuOpensAt(v.Pid(), cursor));
  // The shortcut shows without ".lnk".
  static const char* const kEntries[] = {"開く", "-", "Scripts", "Marker", "notes.txt"};
  for (int i = 0; i < MenuDowns(kEntries, "Marker"); ++i) Key(VK_DOWN);
  PressKeys({}, VK_RETURN);
  EXPECT_TRUE(WaitFile(folder + L"\\lnk.txt", 15000));
  EXPECT_FALSE(FileExists(tools + L"\\Scripts\\bat.txt"));
  EXPECT_EQ(v.Close(), 0u);
}

// Submenus as a person opens them, by the mouse resting on the entry and by
// keys. "Tools" lists at once: its submenu opens with its entries, at its
// full size, and never jumps. "Many" holds 40,000 files and lists for longer
// than a menu waits: it shows "..." first, then its entries at its full
// height, whichever way it was opened.
TEST_F(Folders, SubmenusOpenFilledAndASlowOneFillsWhenItsListingComes) {
  const std::wstring many = folder + L"\\Many";
  ASSERT_TRUE(CreateDirectoryW(many.c_str(), nullptr));
  std::wstring unix = many.substr(2);  // the drive Z: is the host's root
  std::replace(unix.begin(), unix.end(), L'\\', L'/');
  ASSERT_TRUE(RunUnix(L"cd '" + unix + L"' && seq -f 'f%05g.txt' 1 40000 | xargs touch", 60000));
  WriteUtf16Ini(Ini(), L";Vorlex Initialize File\r\n[Basic]\r\nCount=2\r\n[0]\r\nName=\"Tools\"\r\nExe=\"" + tools +
                           L"\"\r\nSubmenu=1\r\n[1]\r\nName=\"Many\"\r\nExe=\"" + many + L"\"\r\nSubmenu=1\r\n");
  Vorlex v(folder);
  StartReady(v);
  RECT icon;
  ASSERT_TRUE(WineTrayIconRect(icon));
  // Tools: 開く, Scripts, Marker, notes.txt and a line, more than the two
  // rows and a line of "..."; Many: a screenful.
  auto tall = [&](int halfRows) {
    return [&, halfRows] {
      const std::vector<RECT> menus = OpenMenus(v.Pid());
      return menus.size() == 2 &&
             2 * (menus.back().bottom - menus.back().top) >= halfRows * GetSystemMetrics(SM_CYMENU);
    };
  };
  auto submenuOpens = [&] { return WaitUntil([&] { return OpenMenus(v.Pid()).size() == 2; }, 5000, 1); };
  // The submenu's heights as it shows during a second, looked at every
  // millisecond: one, unless it was shown again at another size.
  auto heights = [&] {
    std::vector<LONG> seen;
    HoldsFor(
        [&] {
          const std::vector<RECT> menus = OpenMenus(v.Pid());
          const LONG h = menus.size() == 2 ? menus.back().bottom - menus.back().top : 0;
          if (seen.empty() || seen.back() != h) seen.push_back(h);
          return true;
        },
        1000, 1);
    return seen;
  };
  auto openLaunchMenu = [&] {
    EXPECT_TRUE(WaitNoWindowOf(v.Pid(), L"#32768", 5000));
    return PersonClick(icon, true, 1) && WaitMenuReady(v.Pid(), 10000) != nullptr;
  };
  // By the mouse, resting on each entry in turn (the launch menu's rows
  // are halves of its height).
  for (int row : {0, 1}) {
    ASSERT_TRUE(openLaunchMenu());
    const RECT launch = OpenMenus(v.Pid()).front();
    const int y = launch.top + (launch.bottom - launch.top) * (1 + 2 * row) / 4;
    ASSERT_TRUE(RunUnix(L"/usr/bin/xdotool mousemove " + std::to_wstring((launch.left + launch.right) / 2) + L" " +
                        std::to_wstring(y)));
    ASSERT_TRUE(submenuOpens()) << row;
    if (row == 0)
      EXPECT_TRUE(tall(7)() && heights().size() == 1u);  // its first size is its full one, kept
    else
      EXPECT_TRUE(WaitUntil(tall(40), 10000) && HoldsFor(tall(40), 1000));
    PressKeys({}, VK_ESCAPE);
    PressKeys({}, VK_ESCAPE);
  }
  // By keys: Down onto each entry, then Right.
  for (int downs : {1, 2}) {
    ASSERT_TRUE(openLaunchMenu());
    for (int i = 0; i < downs; ++i) Key(VK_DOWN);
    PressKeys({}, VK_RIGHT);
    ASSERT_TRUE(submenuOpens()) << downs;
    if (downs == 1)
      EXPECT_TRUE(tall(7)() && heights().size() == 1u);
    else
      EXPECT_TRUE(WaitUntil(tall(40), 10000) && HoldsFor(tall(40), 1000));
    PressKeys({}, VK_ESCAPE);
    PressKeys({}, VK_ESCAPE);
  }
  EXPECT_TRUE(WaitNoWindowOf(v.Pid(), L"#32768", 5000));
  EXPECT_EQ(v.Close(), 0u);
}

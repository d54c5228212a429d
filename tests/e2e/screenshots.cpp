// Pictures of the program as a person sees it on the Wine desktop: the
// launch menu with a folder's menu open in it, the command menu, the editor, the other settings, the
// version box, and the time window collapsed and expanded, each at 96 and
// at 192 DPI. Each is a BMP file in the folder named on the command line;
// scripts/screenshots.sh makes PNG files of them for the docs.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/driver.h"

using namespace e2e;

namespace {

// Every menu window of the process that shows, as one picture.
bool ShootMenus(DWORD pid, const std::wstring& path) {
  Sleep(400);
  RECT all{};
  std::vector<RECT> menus;
  for (HWND w = FindWindowW(L"#32768", nullptr); w; w = FindWindowExW(nullptr, w, L"#32768", nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    RECT r;
    if (owner == pid && IsWindowVisible(w) && GetWindowRect(w, &r)) {
      UnionRect(&all, &all, &r);
      menus.push_back(r);
    }
  }
  const bool ok = !IsRectEmpty(&all) && SaveScreenBmp(all, path, menus);
  if (!ok) std::fprintf(stderr, "no picture for %ls\n", path.c_str());
  return ok;
}

bool Shoot(HWND wnd, const std::wstring& path) {
  Sleep(400);  // a refresh of the clock, and the frame drawn
  RECT r;
  const bool ok = wnd && GetWindowRect(wnd, &r) && SaveScreenBmp(r, path);
  if (!ok) std::fprintf(stderr, "no picture for %ls\n", path.c_str());
  return ok;
}

// The language of the pictures: Japanese, or English (the program run under
// an English UI language, its items named by an English-speaking person).
bool english = false;
const wchar_t* Say(const wchar_t* ja, const wchar_t* en) { return english ? en : ja; }

bool TimeWindow(const std::wstring& out, DWORD dpi) {
  SetWineDpi(dpi);
  const std::wstring folder = NewFolder(L"screenshots-" + std::to_wstring(dpi));
  WriteBytes(folder + L"\\Vorlex.ini",
             ";Vorlex Initialize File\r\n[Time]\r\nLogFile=1\r\nWinStart=0\r\nSuspend=1\r\nLast=26/12/07 18:42:05\r\n");
  Vorlex v(folder);
  if (!v.Start() || !v.WaitReady()) return false;
  HWND time = OpenTimeWindow(v);
  bool ok = time != nullptr;
  const std::wstring suffix = L"-" + std::to_wstring(dpi) + L".bmp";
  ok = ok && Shoot(time, out + L"\\time-collapsed" + suffix);
  ok = ok && ClickWindow(ChildWithText(time, Say(L"設定", L"Options")));
  ok = ok && Shoot(time, out + L"\\time-expanded" + suffix);
  v.Close();
  return ok;
}

// The names of the items of Items(), in their order, in each language.
constexpr const char* kShotItems[] = {"メモ帳", "ツール", "-", "電卓", "見つからない"};
constexpr const char* kShotItemsEnglish[] = {"Notepad", "Tools", "-", "Calculator", "Missing"};

// The folder that the second item opens as a menu: two sub-folders, a
// program, a script and two documents.
std::wstring MakeTools(const std::wstring& folder) {
  const std::wstring tools = folder + L"\\tools";
  CreateDirectoryW(tools.c_str(), nullptr);
  for (const wchar_t* sub : {L"\\Scripts", L"\\資料"}) CreateDirectoryW((tools + sub).c_str(), nullptr);
  for (const wchar_t* file : {L"\\run.bat", L"\\メモ.txt", L"\\Report 2026.txt"}) WriteBytes(tools + file, "x\r\n");
  CopyFileW((folder + L"\\vx_marker.exe").c_str(), (tools + L"\\Marker.exe").c_str(), FALSE);
  return tools;
}

// A Shift-JIS file, as a Japanese person's is.
std::string Items(const std::wstring& folder) {
  const std::string marker = "<folder>\\vx_marker.exe";
  std::string text =
      ";Vorlex Initialize File\r\n[Basic]\r\nCount=5\r\nShortCutView=1\r\nLeftDoubleClickMenuNo=0\r\n"
      "[-1]\r\nHotKey=" +
      std::to_string(0x4000 | 0x8000 | VK_F11) +
      "\r\n"
      "[0]\r\nName=\"メモ帳\"\r\nHotKey=" +
      std::to_string(0x4000 | 'N') + "\r\nWin=1\r\nExe=\"" + marker +
      "\"\r\nActivate=1\r\nShow=2\r\n"
      "[1]\r\nName=\"ツール\"\r\nExe=\"<folder>\\tools\"\r\nSubmenu=1\r\n"
      "[2]\r\nName=\"-\"\r\n"
      "[3]\r\nName=\"電卓\"\r\nHotKey=" +
      std::to_string(0x4000 | 0x2000 | 'C') + "\r\nExe=\"" + marker +
      "\"\r\nIcon=\"%windir%\\system32\\shell32.dll,22\"\r\n"
      "[4]\r\nName=\"見つからない\"\r\nExe=\"C:\\missing\\gone.exe\"\r\n";
  if (english)
    for (std::size_t i = 0; i < std::size(kShotItems); ++i) {
      const std::string from = std::string("\"") + kShotItems[i] + "\"";
      const std::size_t at = text.find(from);
      if (at != std::string::npos) text.replace(at, from.size(), std::string("\"") + kShotItemsEnglish[i] + "\"");
    }
  text = Sjis(text);
  for (std::size_t at; (at = text.find("<folder>")) != std::string::npos;) text.replace(at, 8, Cp932(folder));
  return text;
}

// Opens a tray menu with a person's click and shoots it, with the entry
// that `downs` presses of Down reach selected first (none at 0).
bool ShootMenu(const Vorlex& v, bool left, const std::wstring& path, int downs = 0) {
  RECT icon;
  if (!WineTrayIconRect(icon) || !PersonClick(icon, left, 1)) return false;
  HWND menu = WaitMenuReady(v.Pid(), 10000);
  for (int i = 0; i < downs; ++i) PressKeys({}, VK_DOWN);
  const bool ok = menu && Shoot(menu, path);
  v.CloseMenu();
  return ok;
}

// The menus and dialogs at a DPI; the pictures at 96 DPI are named plain,
// the others with their DPI ("editor-192.bmp").
bool MenusAndDialogs(const std::wstring& out, DWORD dpi) {
  SetWineDpi(dpi);
  const std::wstring suffix = (dpi == 96 ? L"" : L"-" + std::to_wstring(dpi)) + L".bmp";
  const std::wstring folder = NewFolder(L"screenshots-dialogs-" + std::to_wstring(dpi));
  WriteBytes(folder + L"\\Vorlex.ini", Items(folder));
  MakeTools(folder);
  Vorlex v(folder);
  if (!v.Start() || !v.WaitReady()) return false;
  // The entry of the missing program selected: the selection's colour
  // shows through its blank image.
  const int missing = english ? MenuDowns(kShotItemsEnglish, "Missing") : MenuDowns(kShotItems, "見つからない");
  bool ok = ShootMenu(v, true, out + L"\\launch-menu" + suffix, missing);
  // The folder's menu open beside it, its first file selected.
  RECT icon;
  if (WineTrayIconRect(icon) && PersonClick(icon, true, 1) && WaitMenuReady(v.Pid(), 10000)) {
    for (int i = 0; i < MenuDowns(kShotItems, "ツール"); ++i) PressKeys({}, VK_DOWN);
    PressKeys({}, VK_RIGHT);
    Sleep(300);  // listed meanwhile
    for (int i = 0; i < 3; ++i) PressKeys({}, VK_DOWN);
    ok = ShootMenus(v.Pid(), out + L"\\folder-menu" + suffix) && ok;
    PressKeys({}, VK_ESCAPE);  // the folder's menu, then the launch menu
    PressKeys({}, VK_ESCAPE);
    ok = WaitNoWindowOf(v.Pid(), L"#32768", 5000) && ok;
  } else {
    ok = false;
  }
  ok = ShootMenu(v, false, out + L"\\command-menu" + suffix) && ok;
  if (ChooseCommand(v, "MI_Set")) {  // the editor
    HWND editor = WaitWindowOf(v.Pid(), L"TForm_Set", 10000, true);
    ok = editor && Shoot(editor, out + L"\\editor" + suffix) && ok;
    if (editor && ClickWindow(ChildWithText(editor, Say(L"その他の設定", L"More settings...")))) {
      HWND etc = WaitWindowOf(v.Pid(), L"TForm_SetEtc", 10000, true);
      ok = etc && Shoot(etc, out + L"\\other-settings" + suffix) && ok;
      if (etc) ClickWindow(ChildWithText(etc, Say(L"閉じる", L"Close")));
      if (etc) WaitHidden(etc);
    }
    if (editor) ClickWindow(ChildWithText(editor, L"Cancel"));
    if (editor) WaitHidden(editor);
  } else {
    ok = false;
  }
  if (ChooseCommand(v, "MI_About")) {  // the version box
    HWND about = WaitWindowOf(v.Pid(), L"TForm_About", 10000, true);
    ok = about && Shoot(about, out + L"\\about" + suffix) && ok;
  } else {
    ok = false;
  }
  v.Close();
  return ok;
}

// The editor and its other settings with the message font at twice its
// size, as a person sets a larger text size ("editor-font200.bmp").
bool AtLargerText(const std::wstring& out) {
  NONCLIENTMETRICSW saved{};
  saved.cbSize = sizeof saved;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof saved, &saved, 0)) return false;
  NONCLIENTMETRICSW larger = saved;
  larger.lfMessageFont.lfHeight *= 2;
  SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof larger, &larger, SPIF_UPDATEINIFILE);
  SetWineDpi(96);
  const std::wstring folder = NewFolder(L"screenshots-font200");
  WriteBytes(folder + L"\\Vorlex.ini", Items(folder));
  Vorlex v(folder);
  bool ok = v.Start() && v.WaitReady() && ChooseCommand(v, "MI_Set");
  HWND editor = ok ? WaitWindowOf(v.Pid(), L"TForm_Set", 10000, true) : nullptr;
  ok = editor && Shoot(editor, out + L"\\editor-font200.bmp");
  if (ok && ClickWindow(ChildWithText(editor, Say(L"その他の設定", L"More settings...")))) {
    HWND etc = WaitWindowOf(v.Pid(), L"TForm_SetEtc", 10000, true);
    ok = etc && Shoot(etc, out + L"\\other-settings-font200.bmp");
    if (etc) ClickWindow(ChildWithText(etc, Say(L"閉じる", L"Close")));
    if (etc) WaitHidden(etc);
  }
  if (editor) ClickWindow(ChildWithText(editor, L"Cancel"));
  if (editor) WaitHidden(editor);
  v.Close();
  SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof saved, &saved, SPIF_UPDATEINIFILE);
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vorlex_screenshots <folder> [en]\n");
    return 2;
  }
  english = argc > 2 && std::wstring(argv[2]) == L"en";
  const std::wstring out = argv[1];
  bool ok = true;
  for (DWORD dpi : {96u, 192u}) {
    ok = MenusAndDialogs(out, dpi) && ok;
    ok = TimeWindow(out, dpi) && ok;
  }
  if (english) ok = AtLargerText(out) && ok;  // the Japanese windows keep their own font
  SetWineDpi(96);
  std::fprintf(stderr, ok ? "screenshots written\n" : "some screenshots failed\n");
  return ok ? 0 : 1;
}

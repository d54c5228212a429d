// What the end-to-end tests share: the fixture that gives each test a fresh
// folder with Vorlex.exe beside vx_marker.exe, the settings of three items
// that start the marker, and helpers that read what the program wrote.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win32/scoped.h"
// After windows.h, which scoped.h brings.
#include <commctrl.h>
#include "tests/e2e/driver.h"

namespace e2e {

using vx::win32::ScopedHandle;

constexpr const char kHeader[] = ";Vorlex Initialize File\r\n[Head]\r\nName=\"Vorlex.exe\"\r\nVersion=\"1.22\"\r\n";
constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;
constexpr int kCtrlAltF9 = 0x4000 | 0x8000 | VK_F9;    // item 0
constexpr int kCtrlAltF11 = 0x4000 | 0x8000 | VK_F11;  // the menu hotkey

inline std::wstring TestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return Utf16(std::string(info->test_suite_name()) + "." + info->name());
}

// The names of the three items of Items(), in their order.
inline constexpr const char* kItemNames[] = {"項目 A", "Item B", "Item C"};

// How many presses of Down reach the item of that name in the launch menu
// of Items(); 0 for a name it lacks.
inline int ItemDowns(std::string_view name) { return MenuDowns(kItemNames, name); }

// Three items that start vx_marker.exe, each writing its own file.
inline std::string Items(const std::wstring& folder) {
  const std::string dir = Cp932(folder);
  const std::string marker = dir + "\\vx_marker.exe";
  return ";Vorlex Initialize File\r\n"
         "[Basic]\r\nCount=3\r\nLeftDoubleClickMenuNo=1\r\nRightDoubleClickMenuNo=2\r\n"
         "[-1]\r\nHotKey=" +
         std::to_string(kCtrlAltF11) +
         "\r\n"
         "[0]\r\nName=\"" +
         Sjis(kItemNames[0]) + "\"\r\nHotKey=" + std::to_string(kCtrlAltF9) + "\r\nExe=\"" + marker +
         "\"\r\nPar=\"a.txt first \"quoted two\"\"\r\nDir=\"" + dir +
         "\\work\"\r\n"
         "[1]\r\nName=\"" +
         kItemNames[1] + "\"\r\nExe=\"" + marker + "\"\r\nPar=\"b.txt\"\r\nDir=\"" + dir +
         "\"\r\n"
         "[2]\r\nName=\"" +
         kItemNames[2] + "\"\r\nExe=\"" + marker + "\"\r\nPar=\"c.txt\"\r\nDir=\"" + dir + "\"\r\n";
}

// An icon file of one 32-bit image, every pixel of it the colour (0xRRGGBB).
inline std::string SolidIcon(int size, DWORD rgb) {
  auto u16 = [](int v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; };
  auto u32 = [&u16](int v) { return u16(v & 0xFFFF) + u16((v >> 16) & 0xFFFF); };
  const int pixels = size * size * 4, mask = ((size + 31) / 32) * 4 * size;
  std::string ico = u16(0) + u16(1) + u16(1);
  ico += std::string{static_cast<char>(size), static_cast<char>(size), 0, 0} + u16(1) + u16(32) +
         u32(40 + pixels + mask) + u32(22);
  ico += u32(40) + u32(size) + u32(size * 2) + u16(1) + u16(32) + u32(0) + u32(pixels + mask) + std::string(16, '\0');
  for (int i = 0; i < size * size; ++i)
    ico += std::string{static_cast<char>(rgb & 0xFF), static_cast<char>((rgb >> 8) & 0xFF),
                       static_cast<char>((rgb >> 16) & 0xFF), static_cast<char>(0xFF)};
  return ico + std::string(static_cast<std::size_t>(mask), '\0');
}

// How many pixels in the rectangle of the screen are pure red, as an icon
// of SolidIcon(..., 0xFF0000) shows.
inline int RedPixels(const RECT& r) {
  int n = 0;
  for (const DWORD p : CaptureScreen(r)) n += ((p >> 16) & 0xFF) > 220 && ((p >> 8) & 0xFF) < 40 && (p & 0xFF) < 40;
  return n;
}

// Types a hotkey into a window's hotkey field as a person does: a click in
// it, then the keys. True once the field shows the key (with any modifiers).
inline bool TypeHotkey(HWND window, const std::vector<WORD>& modifiers, WORD vk) {
  HWND field = ChildOfClass(window, L"msctls_hotkey32");
  ClickWindow(field);
  FocusComesTo(field);
  PressKeys(modifiers, vk);
  return WaitUntil([field, vk] { return LOBYTE(SendMessageW(field, HKM_GETHOTKEY, 0, 0)) == vk; }, 2000);
}

class E2E : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = NewFolder(TestName());
    CreateDirectoryW((folder + L"\\work").c_str(), nullptr);
  }
  std::wstring Ini() const { return folder + L"\\Vorlex.ini"; }
  // Starts a copy and waits until it is idle in its message loop.
  void StartReady(Vorlex& v) {
    ASSERT_TRUE(v.Start());
    ASSERT_TRUE(v.WaitReady());
    ASSERT_NE(v.MainWindow(), nullptr);
  }
  // The same on the three items of Items().
  void StartWithItems(Vorlex& v) {
    WriteBytes(Ini(), Items(folder));
    StartReady(v);
  }
  // Starts a copy on Items() while someone else holds Ctrl+Alt+F9, item
  // 0's hotkey: the text of the message it shows, and the key's name.
  std::pair<std::wstring, std::wstring> StartWithCtrlAltF9Taken() {
    WriteBytes(Ini(), Items(folder));
    EXPECT_TRUE(RegisterHotKey(nullptr, 1, kCtrlAlt, VK_F9));
    Vorlex v(folder);
    EXPECT_TRUE(v.Start());
    const std::wstring text = v.TakeMessageBox().second;
    EXPECT_TRUE(v.WaitReady());
    UnregisterHotKey(nullptr, 1);
    EXPECT_EQ(v.Close(), 0u);
    return {text, KeyName(VK_CONTROL) + L" + " + KeyName(VK_MENU) + L" + " + KeyName(VK_F9)};
  }
  // Each of the editor's fields has its label just before it, as a screen
  // reader names a field: name, hotkey, program, parameters, folder.
  static void ExpectLabelsBeforeFields(HWND editor, const std::vector<std::wstring>& labels) {
    const HWND fields[] = {ChildOfClass(editor, L"Edit", 0), ChildOfClass(editor, L"msctls_hotkey32"),
                           ChildOfClass(editor, L"Edit", 1), ChildOfClass(editor, L"Edit", 2),
                           ChildOfClass(editor, L"Edit", 3)};
    ASSERT_EQ(labels.size(), std::size(fields));
    for (std::size_t i = 0; i < labels.size(); ++i) {
      ASSERT_NE(fields[i], nullptr) << Cp932(labels[i]);
      EXPECT_EQ(WindowText(GetWindow(fields[i], GW_HWNDPREV)), labels[i]) << Cp932(labels[i]);
    }
  }
  // The editor left with Cancel, then the copy closed: true when it ended with 0.
  bool CancelAndClose(Vorlex& v, HWND editor) {
    return ClickWindow(ChildWithText(editor, L"Cancel")) && WaitHidden(editor) && v.Close() == 0;
  }
  // The same, and the editor opened as a person opens it; null when it did not open.
  HWND StartWithEditor(Vorlex& v) {
    StartWithItems(v);
    return v.MainWindow() ? OpenEditor(v) : nullptr;
  }
  std::wstring folder;
};

// Windows ends the session: it asks the program, then tells it. True when
// the program agreed to end.
inline bool EndSession(const Vorlex& v) {
  HWND app = FindWindowOf(v.Pid(), L"TApplication");
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(app, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 10000, &answer) || answer != 1) return false;
  SendMessageTimeoutW(app, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 10000, &answer);
  return true;
}

// The file without its Time section, which holds the moments of the runs.
inline std::string WithoutTime(const std::string& ini) {
  const std::size_t at = ini.find("[Time]\r\n");
  if (at == std::string::npos) return ini;
  const std::size_t next = ini.find("\r\n[", at);
  return ini.substr(0, at) + (next == std::string::npos ? "" : ini.substr(next + 2));
}

// A value of the Time section; "<none>" when it is missing.
inline std::wstring TimeValue(const std::string& ini, const std::string& key) {
  const std::size_t section = ini.find("[Time]\r\n");
  if (section == std::string::npos) return L"<none>";
  const std::size_t at = ini.find("\r\n" + key + "=", section);
  const std::size_t next = ini.find("\r\n[", section);
  if (at == std::string::npos || (next != std::string::npos && at > next)) return L"<none>";
  const std::size_t start = at + 3 + key.size();
  return Utf16(ini.substr(start, ini.find("\r\n", start) - start));
}

// Hotkeys are free once the registration of `v` is gone: this driver can take them.
inline bool HotKeyFree(UINT mods, UINT vk) {
  if (!RegisterHotKey(nullptr, 0x77, mods, vk)) return false;
  UnregisterHotKey(nullptr, 0x77);
  return true;
}

}  // namespace e2e

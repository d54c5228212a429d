// The names and numbers by which Vorlex is met from outside: a second copy
// finds the first by its main window, the shell calls the tray icon back by
// its message, and the end-to-end tests, the screenshot program and the
// benchmarks find windows and menu entries by them. The program and those
// programs take them from here alone.
#pragma once

#include <cstdint>
#include <string_view>

namespace vx {

inline constexpr char kMainFormClass[] = "TForm_Main";
inline constexpr char kMainFormCaption[] = "Tallowmere";
inline constexpr char kApplicationClass[] = "TApplication";
inline constexpr char kTrayWindowClass[] = "TTrayIconWindow";
// The tray icon's callback message (WM_USER + 0x800).
inline constexpr std::uint32_t kTrayCallbackMessage = 0x0C00;

// The command menu of the tray icon's right button, top to bottom: each
// entry's component name, its caption ("-": a line) and whether it shows.
struct CommandEntry {
  const char* name;
  const char* caption;
  bool shown;
};
inline constexpr CommandEntry kCommandMenu[] = {
    {"MI_Time", "時間情報", true},    {"MI_Line01", "-", true},
    {"MI_Set", "ﾒﾆｭｰ項目設定", true}, {"MI_ShortCutView", "HotKey表示", true},
    {"MI_Help", "ﾍﾙﾌﾟ", false},       {"MI_About", "ﾊﾞｰｼﾞｮﾝ情報", true},
    {"MI_Line02", "-", true},         {"MI_Close", "終了", true},
};

// How many presses of Down reach the entry in the command menu just opened
// (the first press selects the first entry; lines are passed over, hidden
// entries are not there); 0 for a name the menu lacks.
constexpr int CommandDowns(std::string_view name) {
  int downs = 0;
  for (const CommandEntry& e : kCommandMenu) {
    if (!e.shown || std::string_view(e.caption) == "-") continue;
    ++downs;
    if (name == e.name) return downs;
  }
  return 0;
}

}  // namespace vx

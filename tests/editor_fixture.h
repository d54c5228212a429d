// The item editor's fixture: a program on the headless desktop whose
// editor the tests open and drive through its controls by name.
#pragma once

#include <string>
#include <vector>

#include "core/Unit_All.h"
#include "forms/Fom_Set.h"
#include "tests/harness.h"

namespace vx::test {

using V = std::vector<std::string>;
constexpr ShortCut kCtrlAltA = scCtrl | scAlt | 'A';

inline constexpr char kThree[] =
    ";Vorlex Initialize File\r\n"
    "[Basic]\r\nCount=3\r\nLeftDoubleClickMenuNo=1\r\nRightDoubleClickMenuNo=2\r\n"
    "[-1]\r\nHotKey=16461\r\n"  // Ctrl+M
    "[0]\r\nName=\"A\"\r\nHotKey=49217\r\nExe=\"a.exe\"\r\n"
    "[1]\r\nName=\"B\"\r\nExe=\"b.exe\"\r\n"
    "[2]\r\nName=\"C\"\r\nExe=\"c.exe\"\r\n";

class Editor : public ::testing::Test {
 protected:
  void Start(const std::string& ini) {
    if (!ini.empty()) d.WriteIni(ini);
    ASSERT_EQ(d.Start(), -1);
  }
  ~Editor() override {
    if (d.program) d.Close();
  }
  void Open() {
    Form_Main->MI_SetClick(nullptr);
    d.Pump();
  }
  Handle Wnd() { return Form_Set->GetHandle(); }
  void Click(const char* control) {
    ASSERT_TRUE(d.p.Click(Wnd(), control)) << control;
    d.Pump();
  }
  void Select(int index) {
    ASSERT_TRUE(d.p.Select(Wnd(), "LB_Select", index));
    d.Pump();
  }
  void Type(const char* control, const std::string& text) {
    ASSERT_TRUE(d.p.Type(Wnd(), control, text)) << control;
    d.Pump();
  }
  V Listed() { return d.p.Control(Wnd(), "LB_Select").items; }
  // Presses a hotkey on the desktop: what the shell was asked to open since
  // the program started (nothing when no window took the keys).
  V StartedBy(std::uint32_t modifiers, std::uint32_t vk) {
    if (!d.system().PressHotKey(modifiers, vk)) return {};
    d.Pump();
    V files;
    for (const auto& launch : d.p.launches) files.push_back(launch.file);
    return files;
  }
  int Selected() { return d.p.Control(Wnd(), "LB_Select").selection; }
  std::string Field(const char* control) { return d.p.Control(Wnd(), control).control.caption; }
  bool Checked(const char* control) { return d.p.Control(Wnd(), control).checked; }
  V Names() {
    V names;
    for (int i = 0; i < ExeList->Count(); ++i) names.push_back(ExeList->Items(i)->Name);
    return names;
  }
  Desktop d;
};

}  // namespace vx::test

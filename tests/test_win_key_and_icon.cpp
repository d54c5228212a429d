// An item's hotkey with the Windows key and the icon a person chose for it:
// from the editor's controls to the file, the registration and the menus.
#include <filesystem>

#include "app/Fom_Main.h"
#include "core/Unit_All.h"
#include "forms/Fom_Set.h"
#include "forms/Fom_SetEtc.h"
#include "tests/editor_fixture.h"

namespace vx::test {

// The Win box and a chosen icon, from the editor to the file, the hotkey and
// the menus; an icon that cannot be read falls back to the program's.
TEST_F(Editor, TheWindowsKeyAndAChosenIconAreStoredRegisteredAndShown) {
  const std::string tools = d.dir / "Tools";
  std::filesystem::create_directories(tools);
  std::filesystem::create_directories(d.dir / "icons");
  const std::string icons = d.dir / "icons/set.ico";
  WriteFile(icons, "x");
  d.p.iconsInFiles[icons] = {0, 2};
  // The one chosen lies where Shift-JIS cannot name it: the file becomes UTF-16.
  const std::string picked = d.dir / "icons/J\xC3\xBCrgen \xE2\x98\x95.dll";
  d.p.iconsInFiles[picked] = {2};
  d.p.filesWithIcons.insert({"b.exe", "c.exe"});
  Start(
      ";Vorlex Initialize File\r\n[Basic]\r\nCount=4\r\nVisibleMenuIcon=1\r\n[-1]\r\nHotKey=16461\r\n"
      "[0]\r\nName=\"A\"\r\nHotKey=49217\r\nExe=\"a.exe\"\r\n"
      "[1]\r\nName=\"B\"\r\nExe=\"b.exe\"\r\nIcon=\"icons/gone.ico,1\"\r\n"
      "[2]\r\nName=\"-\"\r\nIcon=\"icons/set.ico,2\"\r\n"
      "[3]\r\nName=\"T\"\r\nExe=\"" +
      tools + "\"\r\nSubmenu=1\r\nIcon=\"" + icons + ",0\"\r\n");
  Open();
  Click("Btn_Ok");
  const std::string untouched = d.IniText();  // as Vorlex writes the file
  Open();
  EXPECT_FALSE(Checked("CB_Win"));
  std::string openedOn;
  d.p.onPickIcon = [&](Handle, std::u16string& file, int& index) {
    openedOn = Utf16ToUtf8(file) + "," + std::to_string(index);
    file = Utf8ToUtf16(picked);
    index = 2;
    return true;
  };
  Click("CB_Win");
  // The menu hotkey's (Ctrl+M), ticked in the other settings, opened modally.
  auto tickMenuWin = [&] {
    d.p.Schedule(10, [&] {
      EXPECT_TRUE(d.p.Click(Form_SetEtc->GetHandle(), "CB_Win"));
      d.p.Click(Form_SetEtc->GetHandle(), "Btn_Close");
    });
    Click("Btn_SetEtc");
  };
  tickMenuWin();
  Click("Btn_Icon");
  EXPECT_EQ(openedOn, "a.exe,0");  // the program's own file by default
  auto source = [&](Handle bitmapOrIcon) {
    auto icon = d.p.bitmapIcons.count(bitmapOrIcon) ? d.p.bitmapIcons.at(bitmapOrIcon) : bitmapOrIcon;
    return d.p.iconSources.count(icon) ? d.p.iconSources.at(icon) : "";
  };
  EXPECT_EQ(source(d.p.Control(Wnd(), "Img_Icon").icon), picked + ",2@32");  // the editor shows it
  Click("Btn_Ok");
  const std::string saved = d.IniText();
  const std::string first = saved.substr(saved.find("[0]"), saved.find("[1]") - saved.find("[0]"));
  EXPECT_NE(first.find("\r\nWin=1\r\n"), std::string::npos) << saved;
  EXPECT_NE(first.find("\r\nIcon=\"" + picked + ",2\"\r\n"), std::string::npos) << saved;
  EXPECT_EQ(StartedBy(kModWin | kModControl | kModAlt, 'A'), V{"a.exe"});
  EXPECT_EQ(StartedBy(kModControl | kModAlt, 'A'), V{});  // without Win, another hotkey
  const std::string menuKey = saved.substr(saved.find("[-1]"), saved.find("[0]") - saved.find("[-1]"));
  EXPECT_NE(menuKey.find("\r\nWin=1\r\n"), std::string::npos) << saved;
  EXPECT_FALSE(d.system().PressHotKey(kModControl, 'M'));
  EXPECT_TRUE(d.system().PressHotKey(kModWin | kModControl, 'M'));
  d.p.onPopup = [](const HeadlessPlatform::Popup&) { return -1; };
  d.Pump();

  // The launch menu at 192 DPI: the chosen icon at that size; a missing
  // one is the program's; "-" stays a line; the folder's "開く" has its item's.
  d.system().dpi = 192;
  V shown;
  d.p.onPopup = [&](const HeadlessPlatform::Popup& pop) {
    const int folder = Choose(pop, "T");
    d.p.OpenSubmenu(folder);
    d.p.RunClock(100);  // the icons come while the menus are up
    for (const auto& e : d.p.popups.back().entries) shown.push_back(e.separator ? "line" : source(e.bitmap));
    shown.push_back(source(d.p.popups.back().Submenu(folder)->entries.at(0).bitmap));
    return -1;
  };
  Form_Main->CreateMI_Exe();
  d.p.keys[kVkLButton] = true;
  d.Tray(kWmLButtonDown);
  d.p.keys[kVkLButton] = false;
  d.Tray(kWmLButtonUp);
  d.Pump();
  EXPECT_EQ(shown, (V{picked + ",2@64", "b.exe", "line", icons + ",0@64", icons + ",0@64"}));

  // Choosing the program's own first icon takes the choice back: with the
  // Win key taken off too, the file holds what it held before.
  d.system().dpi = 96;
  Open();
  EXPECT_TRUE(Checked("CB_Win"));
  tickMenuWin();  // cleared again
  d.p.onPickIcon = [&](Handle, std::u16string& file, int& index) {
    file = u"a.exe";
    index = 0;
    return true;
  };
  Click("Btn_Icon");
  Click("CB_Win");
  Click("Btn_Ok");
  EXPECT_EQ(d.IniText(), untouched);
}

// The editor's icon follows the program field as it is typed; a look-up for
// what the field held before, not begun yet, is dropped, so that typing a
// share's path leaves no icon thread waiting on each of its prefixes.
TEST_F(Editor, TheIconOfWhatTheProgramFieldHeldBeforeIsNotLookedUp) {
  Start(kThree);
  Open();
  const V typed = {"\\\\a\\x.exe", "\\\\b\\x.exe", "\\\\c\\x.exe", "\\\\d\\x.exe", "\\\\e\\x.exe"};
  for (const std::string& path : typed) d.p.slowIcons[path] = 5000;
  d.p.iconLookups.clear();
  for (const std::string& path : typed) {  // each change handled, faster than a share answers
    ASSERT_TRUE(d.p.Type(Wnd(), "Edt_Exe", path));
    while (d.p.PumpMessage(false) == PumpResult::Dispatched) {
    }
  }
  d.p.RunClock(6000);
  d.Pump();
  // Three shares at once; of the two that waited, only the last is asked.
  EXPECT_EQ(d.p.iconLookups, (V{typed[0], typed[1], typed[2], typed[4]}));
}

}  // namespace vx::test

// The hidden main window: owner of the tray icon and its two menus, target
// of the hotkeys and power notices, and home of the start-up and end-of-run
// work of the launcher.
#pragma once

#include <map>

#include "app/folder_menu.h"
#include "toolkit/toolkit.h"
#include "tray/TrayIcon.h"

namespace vx {

class TForm_Main : public TForm {
 public:
  explicit TForm_Main(TComponent* owner);

  // Components, as the window description declares them.
  TPopupMenu* PM_Left;
  TPopupMenu* PM_Right;
  TMenuItem* MI_Time;
  TMenuItem* MI_Line01;
  TMenuItem* MI_Set;
  TMenuItem* MI_ShortCutView;
  TMenuItem* MI_Help;
  TMenuItem* MI_About;
  TMenuItem* MI_Line02;
  TMenuItem* MI_Close;
  TTrayIcon* TI_Main;

  // Start and end of the run.
  void FormCreate() override;
  void FormDestroy() override;
  void FormClose(TCloseAction& action) override;
  void HotKeySet();
  void DeleteAll();

  // The launch menu and the commands.
  void CreateMI_Exe();
  void DeleteMI_Exe();
  void SetMI_Caption();
  void MI_ExeClick(TObject* Sender);
  void MI_TimeClick(TObject* Sender);
  void MI_SetClick(TObject* Sender);
  void MI_ShortCutViewClick(TObject* Sender);
  void MI_HelpClick(TObject* Sender);
  void MI_AboutClick(TObject* Sender);
  void MI_CloseClick(TObject* Sender);
  void AutoPopupOn();
  void AutoPopupOff();

  // Hotkeys, power notices and the tray icon's mouse.
  void FormKeyDown(std::uint16_t& key, TShiftState shift) override;
  void TI_MainClick(TObject* Sender);
  void TI_MainMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void TI_MainMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void WMHotKey(std::uintptr_t wParam);
  std::intptr_t WMPowerBroadcast(std::uintptr_t wParam, std::intptr_t lParam);

  std::intptr_t WndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override;

  bool LeftDoubleClicked = false;
  bool RightDoubleClicked = false;

 private:
  // Program icons of the launch entries are asked for after start-up, while
  // the program is idle, or at the latest just before the launch menu
  // opens; each entry shows a blank image of the icon's size until its
  // icon comes (the shell's lookup runs off this thread), then the icon, in
  // an open menu too.
  bool DrawNextMenuIcon();
  void DrawAllMenuIcons();
  void MenuIconCame(std::uintptr_t ticket);
  int nextMenuIcon_ = 0;                              // the first launch entry whose icon is not asked for yet
  Point menuIconSize_{32, 32};                        // the entries' images' size: the menu's monitor's
  std::map<std::uintptr_t, TMenuItem*> iconTickets_;  // lookups under way, by ticket
  int menusMade_ = 0;                                 // how often the launch menu's entries were made

  // A folder item's menu: its entries' icons come as the launch entries'
  // do; its hotkey pops it up at the cursor at once.
  TFolderMenu::Calls FolderMenuCalls();
  void PopupFolderMenu(TPopupMenu* menu, Point cursor);

  TMenuItem* AddCommand(const char* name, const char* caption, void (TForm_Main::*handler)(TObject*));

  // The settings file changed (a notice of its folder): once the notices
  // have paused, a change another program made is read, and the items,
  // hotkeys and menus follow it; while the editor is open its Ok asks.
  void ReloadChangedSettings();

 public:
  // The command line's switches (/menu, /edit, /run NAME, /exit), of this
  // start or carried from a second one: carried out as a message of their
  // own, once the message that brought them (a second copy's, which waits
  // for its answer) has been answered.
  void RunCommandLater(std::vector<std::string> args);

 private:
  void RunCommand(const std::vector<std::string>& args);
  void PopupLaunchMenu();
  std::vector<std::string> command_;
  TTimer* settingsCheck_ = nullptr;
  std::string unreadable_;  // the last failure to read the changed file, said once
};

extern TForm_Main* Form_Main;

// A command line as one text a second start hands to the running copy
// (its arguments, a line each), and back.
std::string CommandText(const std::vector<std::string>& args);
std::vector<std::string> CommandArgs(const std::string& text);

}  // namespace vx

#include "app/Fom_Main.h"

#include <iterator>
#include <memory>
#include <utility>

#include "base/cleanup.h"
#include "base/names.h"
#include "base/text.h"
#include "core/Unit_All.h"
#include "core/Unit_File.h"
#include "core/messages.h"
#include "forms/Fom_About.h"
#include "forms/Fom_Set.h"
#include "forms/Fom_Time.h"

namespace vx {

TForm_Main* Form_Main = nullptr;

namespace {
constexpr std::uint32_t kHelpFinder = 11;
constexpr std::uintptr_t kPbtApmSuspend = 4;
constexpr std::uintptr_t kPbtApmResumeSuspend = 7;
// A launch entry's icon has come from the icon lookups (WM_APP + 1).
constexpr std::uint32_t kWmMenuIcon = 0x8001;
// A file in the settings file's folder changed (WM_APP + 2).
constexpr std::uint32_t kWmSettingsFolderChanged = 0x8002;
// How long the notices must pause before the file is read: an editor that
// saves in two steps has finished by then.
constexpr std::uint32_t kSettingsSettleMs = 500;
// A command line is carried out (WM_APP + 3).
constexpr std::uint32_t kWmRunCommand = 0x8003;
}  // namespace

TForm_Main::TForm_Main(TComponent* owner) : TForm(owner, kMainFormClass, kMainFormCaption) {
  PM_Left = new TPopupMenu(this);
  PM_Left->SetName("PM_Left");
  PM_Right = new TPopupMenu(this);
  PM_Right->SetName("PM_Right");
  // The entries as kCommandMenu lists them, each with its handler.
  const std::pair<TMenuItem**, void (TForm_Main::*)(TObject*)> commands[] = {
      {&MI_Time, &TForm_Main::MI_TimeClick},
      {&MI_Line01, nullptr},
      {&MI_Set, &TForm_Main::MI_SetClick},
      {&MI_ShortCutView, &TForm_Main::MI_ShortCutViewClick},
      {&MI_Help, &TForm_Main::MI_HelpClick},
      {&MI_About, &TForm_Main::MI_AboutClick},
      {&MI_Line02, nullptr},
      {&MI_Close, &TForm_Main::MI_CloseClick}};
  static_assert(std::size(commands) == std::size(kCommandMenu), "one handler for each entry of the command menu");
  for (std::size_t i = 0; i < std::size(commands); ++i) {
    *commands[i].first = AddCommand(kCommandMenu[i].name, Tr(kCommandMenu[i].caption), commands[i].second);
    (*commands[i].first)->Visible = kCommandMenu[i].shown;
  }
  TI_Main = new TTrayIcon(this);
  TI_Main->SetName("TI_Main");
  TI_Main->AutoHide = true;
  TI_Main->SetRBPopupMenu(PM_Right);
  TI_Main->SetLBPopupMenu(PM_Left);
  TI_Main->OnClick = [this](TObject* s) { TI_MainClick(s); };
  TI_Main->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    TI_MainMouseDown(s, b, sh, x, y);
  };
  TI_Main->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    TI_MainMouseUp(s, b, sh, x, y);
  };
  TI_Main->HasDoubleClickAction = [](TMouseButton button) {
    const std::int32_t n = button == TMouseButton::mbLeft    ? LeftDoubleClickMenuNo
                           : button == TMouseButton::mbRight ? RightDoubleClickMenuNo
                                                             : -1;
    return ExeList && n >= 0 && n < ExeList->Count();
  };
  PM_Left->OnPopup = [this](TObject*) {
    // The images are made at the DPI of the monitor the menu opens on; on
    // another monitor's they are made anew.
    Platform& P = Application->P;
    const Point size = P.icons().LargeIconSize(P.icons().DpiAt(PM_Left->PopupPoint()));
    if (size.x != menuIconSize_.x || size.y != menuIconSize_.y) {
      menuIconSize_ = size;
      iconTickets_.clear();  // icons of the old size still to come are let go
      nextMenuIcon_ = VisibleMenuIcon ? 0 : PM_Left->Count();
    }
    DrawAllMenuIcons();
    TFolderMenu::NewShowing();  // each folder's menu is listed anew as it opens
  };
  PM_Left->OnClose = [](TObject*) { TFolderMenu::Closed(); };
  settingsCheck_ = new TTimer(this);
  settingsCheck_->Interval = kSettingsSettleMs;
  settingsCheck_->OnTimer = [this](TObject*) {
    settingsCheck_->SetEnabled(false);
    ReloadChangedSettings();
  };
}

TMenuItem* TForm_Main::AddCommand(const char* name, const char* caption, void (TForm_Main::*handler)(TObject*)) {
  auto* item = new TMenuItem(this);
  item->SetName(name);
  item->Caption = caption;
  if (handler) item->OnClick = [this, handler](TObject* s) { (this->*handler)(s); };
  PM_Right->Add(item);
  return item;
}

// ------------------------------------------------------ Start and end of run

void TForm_Main::FormCreate() {
  AtomName = kDefaultAtomName;
  TI_Main->UseProgramIcon();
  TI_Main->SetHint(Application->Title());
  Application->ShowMainForm = false;
  ExeList = new TExeList;
  HotKeyWnd = GetHandle();
  const FilePath exePath = Application->P.ExePath();
  ExeFileName = exePath.FileName();
  IniFileName = exePath.WithExtension(".ini");
  LeftDoubleClicked = false;
  RightDoubleClicked = false;
  // Asking the shell for icons is slow (milliseconds each): it must not hold
  // up start-up or the editor's closing, so it runs when nothing else waits.
  Application->OnIdle = [this] { return DrawNextMenuIcon(); };
}

void TForm_Main::HotKeySet() {
  WriteIniHeader();
  LoadSettings();
  RegisterAllHotKeys();
  MI_ShortCutView->Checked = ShortCutView;
  CreateMI_Exe();
  Form_Time->FormTimeIniSave_StartTime();
  Application->P.shell().WatchFolder(IniFileName.Folder(), GetHandle(), kWmSettingsFolderChanged);
}

std::string CommandText(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& arg : args) text += (text.empty() ? "" : "\n") + arg;
  return text;
}

std::vector<std::string> CommandArgs(const std::string& text) {
  std::vector<std::string> args;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    args.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return args;
}

void TForm_Main::PopupLaunchMenu() {
  // At the mouse cursor, as the menu's hotkey pops it up.
  const Point cursor = Application->P.GetCursorPos();
  TI_MainClick(this);
  TI_Main->PopupAt(TMouseButton::mbLeft, cursor);
}

void TForm_Main::RunCommandLater(std::vector<std::string> args) {
  command_ = std::move(args);
  Application->P.PostMessage(GetHandle(), kWmRunCommand, 0, 0);
}

void TForm_Main::RunCommand(const std::vector<std::string>& args) {
  if (args.empty()) return;
  // "/menu" or "-menu", in any case.
  std::string command = FoldCase(args[0]);
  if (!command.empty() && command[0] == '-') command[0] = '/';
  std::string rest;
  for (std::size_t i = 1; i < args.size(); ++i) rest += (i > 1 ? " " : "") + args[i];
  if (command == "/MENU" && rest.empty()) {
    PopupLaunchMenu();
  } else if (command == "/EDIT" && rest.empty()) {
    MI_SetClick(this);
  } else if (command == "/EXIT" && rest.empty()) {
    MI_CloseClick(this);
  } else if (command == "/RUN" && !rest.empty()) {
    // The item by its name, else by its number in the settings file.
    int index = -1;
    for (int i = 0; i < ExeList->Count() && index < 0; ++i)
      if (ExeList->Items(i)->Name == rest) index = i;
    std::int32_t number = -1;
    if (index < 0 && ParseInt32(rest, number) && number >= 0 && number < ExeList->Count()) index = number;
    if (index < 0 || ExeList->Items(index)->Exe.empty()) {
      Application->MessageBox(Format(Tr(kMsgNoSuchItem), rest));
      return;
    }
    ExecItem(index);
  } else {
    Application->MessageBox(Format(Tr(kMsgUnknownCommand), CommandText(args)));
  }
}

void TForm_Main::ReloadChangedSettings() {
  if (Form_Set->Editing) return;   // its Ok asks
  if (TPopupMenu::AnyShowing()) {  // its entries stay while the person chooses
    settingsCheck_->SetEnabled(true);
    return;
  }
  bool changed = false;
  try {
    changed = SettingsChangedOutside();
  } catch (const std::exception& e) {
    // A file that cannot be read now is said once; the running items stay.
    if (unreadable_ != e.what()) {
      unreadable_ = e.what();
      throw;
    }
    return;
  }
  unreadable_.clear();
  if (!changed) return;
  UnregisterAllHotKeys();
  ThenCleanUp([] { LoadSettings(); },
              [this] {
                RegisterAllHotKeys();
                MI_ShortCutView->Checked = ShortCutView;
                CreateMI_Exe();
              });
}

void TForm_Main::FormClose(TCloseAction& /*action*/) { ShortCutView = MI_ShortCutView->Checked; }

void TForm_Main::FormDestroy() {
  Application->OnIdle = nullptr;
  // A refused save must not keep the hotkeys and their global atoms alive
  // past the end of the run: everything is released, then the error shown.
  ThenCleanUp([] { SaveSettings(); },
              [this] {
                DeleteAll();
                delete ExeList;
                ExeList = nullptr;
              });
}

void TForm_Main::DeleteAll() {
  DeleteMI_Exe();
  UnregisterAllHotKeys();
  ClearExeList();
}

// ------------------------------------------------------------- Launch menu

void TForm_Main::CreateMI_Exe() {
  DeleteMI_Exe();
  ++menusMade_;
  for (int i = 0; i < ExeList->Count(); ++i) {
    auto* item = new TMenuItem(this);
    item->SetName("MI_" + std::to_string(i));
    item->OnClick = [this](TObject* s) { MI_ExeClick(s); };
    // A folder that opens as a menu. Whether the item names a folder is
    // found aside, for it may wait for a share: one that names a file
    // becomes a plain entry again when the answer comes.
    const TVorlexType* rec = ExeList->Items(i);
    if (rec->Submenu && !rec->Exe.empty()) {
      item->OnClick = nullptr;
      auto* folder = new TFolderMenu(item, ItemFolder(*rec), FolderMenuCalls(), [this, item] { MI_ExeClick(item); });
      if (!rec->Icon.empty())
        folder->SetOpenIcon([this, shown = *rec](TMenuItem* open) {
          if (!VisibleMenuIcon) return;
          Platform& P = Application->P;
          open->SetBitmap(P.icons().IconBitmap(0, menuIconSize_));
          iconTickets_[RequestItemIcon(shown, menuIconSize_, GetHandle(), kWmMenuIcon, TFolderMenu::ShowingHolder())] =
              open;
        });
      item->SetSubmenu(folder);
      FindNamesFolder(rec->Exe, WhileAlive([this, item, menus = menusMade_](bool folder) {
                        if (folder || menus != menusMade_ || !item->Submenu())
                          return;  // the menu was made anew meanwhile
                        TPopupMenu* sub = item->Submenu();
                        item->SetSubmenu(nullptr);
                        sub->Free();
                        item->OnClick = [this](TObject* s) { MI_ExeClick(s); };
                      }));
    }
    PM_Left->Add(item);
  }
  nextMenuIcon_ = VisibleMenuIcon ? 0 : PM_Left->Count();
  // Made while no menu is up: at the DPI of the monitor under the cursor,
  // where the menu will most likely open (made anew if it opens elsewhere).
  Platform& P = Application->P;
  menuIconSize_ = P.icons().LargeIconSize(P.icons().DpiAt(P.GetCursorPos()));
  SetMI_Caption();
}

bool TForm_Main::DrawNextMenuIcon() {
  if (nextMenuIcon_ >= PM_Left->Count()) return false;
  const int index = nextMenuIcon_++;
  if (index < ExeList->Count()) {
    // The entry's image has the large-icon size whatever the shell gives; a
    // missing icon leaves it blank.
    Platform& P = Application->P;
    TMenuItem* item = PM_Left->Items(index);
    item->SetBitmap(P.icons().IconBitmap(0, menuIconSize_));
    iconTickets_[RequestItemIcon(*ExeList->Items(index), menuIconSize_, GetHandle(), kWmMenuIcon)] = item;
  }
  return nextMenuIcon_ < PM_Left->Count();
}

void TForm_Main::MenuIconCame(std::uintptr_t ticket) {
  Platform& P = Application->P;
  TIcon icon;
  icon.SetHandle(P.icons().TakeFileIcon(ticket));
  auto it = iconTickets_.find(ticket);
  if (it == iconTickets_.end()) return;  // its entry is gone: the icon goes too
  TMenuItem* item = it->second;
  iconTickets_.erase(it);
  if (!icon.Empty()) item->SetBitmap(P.icons().IconBitmap(icon.GetHandle(), menuIconSize_));
}

TFolderMenu::Calls TForm_Main::FolderMenuCalls() {
  TFolderMenu::Calls calls;
  calls.requestIcon = [this](TMenuItem* item, const FilePath& path) {
    if (!VisibleMenuIcon) return;
    Platform& P = Application->P;
    item->SetBitmap(P.icons().IconBitmap(0, menuIconSize_));
    iconTickets_[P.icons().RequestFileIcon(path, GetHandle(), kWmMenuIcon, TFolderMenu::ShowingHolder())] = item;
  };
  calls.forgetIcons = [this](TMenuItem* item) {
    for (auto it = iconTickets_.begin(); it != iconTickets_.end();)
      it = it->second == item ? iconTickets_.erase(it) : std::next(it);
  };
  return calls;
}

void TForm_Main::PopupFolderMenu(TPopupMenu* menu, Point cursor) {
  // One press, one menu, at once: a press while a menu is up shows no
  // other. The folder is listed as the menu opens, which waits a moment
  // for the listing and otherwise shows "..." until it comes.
  if (TPopupMenu::AnyShowing() || !PM_Left->AutoPopup) return;  // as the launch menu's own hotkey
  TFolderMenu::NewShowing();
  TI_Main->PopupMenuAt(cursor, menu);
}

void TForm_Main::DrawAllMenuIcons() {
  while (DrawNextMenuIcon()) {
  }
}

void TForm_Main::DeleteMI_Exe() {
  iconTickets_.clear();  // icons still to come are for entries that go now
  while (PM_Left->Count() > 0) PM_Left->Items(PM_Left->Count() - 1)->Free();
}

void TForm_Main::SetMI_Caption() {
  ShortCutView = MI_ShortCutView->Checked;
  for (int n = 0; n < ExeList->Count(); ++n) {
    auto* item = dynamic_cast<TMenuItem*>(FindComponent("MI_" + std::to_string(n)));
    if (!item) return;
    const TVorlexType* rec = ExeList->Items(n);
    item->Caption = rec->Name;
    if (ShortCutView && item->Caption != "-") {
      std::string text = ShortCutText(rec->HotKey, rec->Win);
      if (text.empty()) text = Tr(kNoHotKeyText);
      item->Caption += " (" + text + ")";
    }
  }
}

void TForm_Main::MI_ExeClick(TObject* Sender) {
  ExecItem(PM_Left->IndexOf(static_cast<TMenuItem*>(Sender)), ChosenElevated());
}

void TForm_Main::MI_TimeClick(TObject*) { Form_Time->Show(); }

void TForm_Main::MI_SetClick(TObject*) {
  Form_Set->InitForm();
  Form_Set->Show();
}

void TForm_Main::MI_ShortCutViewClick(TObject*) {
  MI_ShortCutView->Checked = !MI_ShortCutView->Checked;
  SetMI_Caption();
}

void TForm_Main::MI_HelpClick(TObject*) { Application->HelpCommand(kHelpFinder, 0); }

void TForm_Main::MI_AboutClick(TObject*) { Form_About->Show(); }

void TForm_Main::MI_CloseClick(TObject*) { Close(); }

void TForm_Main::AutoPopupOn() {
  PM_Left->AutoPopup = true;
  PM_Right->AutoPopup = true;
}

void TForm_Main::AutoPopupOff() {
  PM_Left->AutoPopup = false;
  PM_Right->AutoPopup = false;
}

// ------------------------------------------------------- Hotkeys and tray

std::intptr_t TForm_Main::WndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  switch (msg) {
    case kWmHotKey:
      WMHotKey(wParam);
      return 0;
    case kWmPowerBroadcast:
      return WMPowerBroadcast(wParam, lParam);
    case kWmMenuIcon:
      MenuIconCame(wParam);
      return 0;
    case kWmCopyData:
      RunCommandLater(CommandArgs(reinterpret_cast<const CopiedText*>(lParam)->text));
      return 1;  // taken: the second copy ends
    case kWmRunCommand:
      RunCommand(std::exchange(command_, {}));
      return 0;
    case kWmSettingsFolderChanged:
      settingsCheck_->SetEnabled(false);  // counted from the last notice
      settingsCheck_->SetEnabled(true);
      return 0;
    default:
      return TForm::WndProc(msg, wParam, lParam);
  }
}

void TForm_Main::WMHotKey(std::uintptr_t wParam) {
  Platform& P = Application->P;
  if (wParam == static_cast<std::uintptr_t>(MenuHotKeyItem.Atom)) {
    PopupLaunchMenu();
    return;
  }
  for (int i = 0; i < ExeList->Count(); ++i) {
    if (wParam == static_cast<std::uintptr_t>(ExeList->Items(i)->Atom)) {
      auto* entry = dynamic_cast<TMenuItem*>(FindComponent("MI_" + std::to_string(i)));
      if (entry && entry->Submenu()) {
        const Point cursor = P.GetCursorPos();
        TI_MainClick(this);
        PopupFolderMenu(entry->Submenu(), cursor);
        return;
      }
      ExecItem(i);
      return;
    }
  }
  P.MessageBeep(kBeepDefault);
  Application->MessageBox(Tr(kMsgNoItemForKey));
}

std::intptr_t TForm_Main::WMPowerBroadcast(std::uintptr_t wParam, std::intptr_t lParam) {
  const std::intptr_t result = Inherited(kWmPowerBroadcast, wParam, lParam);
  if (UseSuspendTime) {
    if (wParam == kPbtApmResumeSuspend) Form_Time->FormTimeStartProcess();
    if (wParam == kPbtApmSuspend) Form_Time->FormDestroy();
  }
  return result;
}

void TForm_Main::FormKeyDown(std::uint16_t&, TShiftState) { TI_MainClick(this); }

void TForm_Main::TI_MainClick(TObject*) {}

void TForm_Main::TI_MainMouseDown(TObject*, TMouseButton, TShiftState Shift, int, int) {
  LeftDoubleClicked = false;
  RightDoubleClicked = false;
  if (Shift & ssDouble) {
    if (Shift & ssLeft)
      LeftDoubleClicked = true;
    else if (Shift & ssRight)
      RightDoubleClicked = true;
  }
}

void TForm_Main::TI_MainMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  AutoPopupOff();
  Application->P.SetForegroundWindow(Application->GetHandle());
  // Callbacks already queued (the rest of a double-click) run now, nested.
  Application->ProcessMessages();
  if (Form_Set->Visible()) return;
  if (LeftDoubleClicked) {
    LeftDoubleClicked = false;
    ExecItem(LeftDoubleClickMenuNo);
    return;
  }
  if (RightDoubleClicked) {
    RightDoubleClicked = false;
    ExecItem(RightDoubleClickMenuNo);
    return;
  }
  AutoPopupOn();
}

}  // namespace vx

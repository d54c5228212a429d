#include "forms/Fom_Set.h"

#include "base/cleanup.h"
#include "base/text.h"
#include "core/Unit_All.h"
#include "core/Unit_File.h"
#include "core/messages.h"
#include "core/startup.h"
#include "forms/Fom_SetEtc.h"

namespace vx {

TForm_Set* Form_Set = nullptr;

namespace {
constexpr std::size_t kFieldLength = 254;
// The item's icon has come from the icon look-ups (WM_APP + 1).
constexpr std::uint32_t kWmEditorIcon = 0x8001;

void Call(const std::function<void()>& f) {
  if (f) f();
}

// A double-click choice after the items at `a` and `b` changed places.
void Swap(std::int32_t& choice, int a, int b) {
  if (choice == a)
    choice = b;
  else if (choice == b)
    choice = a;
}
}  // namespace

TForm_Set::TForm_Set(TComponent* owner) : TForm(owner, "TForm_Set", "メニュー項目設定") {
  SetClientSize(656, 301);
  Font = TFontSpec{"ＭＳ ゴシック", 16, kShiftJisCharset};
  // clang-format off
  //                                             name                    parent   left top width height caption      tab
  LB_Select               = Place<TListBox> ("LB_Select",               nullptr,   8,   8, 153, 281, "",            0);
  Lbl_Name                = Place<TLabel>   ("Lbl_Name",                nullptr, 168,  12,  60,  16, "名前");
  Edt_Name                = Place<TEdit>    ("Edt_Name",                nullptr, 232,   8, 209,  24, "",            1);
  Lbl_HotKey              = Place<TLabel>   ("Lbl_HotKey",              nullptr, 168,  44,  60,  16, "HotKey");
  HK_Main                 = Place<THotKey>  ("HK_Main",                 nullptr, 232,  40, 209,  21, "",            2);
  CB_Win                  = Place<TCheckBox>("CB_Win",                  nullptr, 448,  42,  49,  17, "Win",         3);
  Btn_ExeFName            = Place<TButton>  ("Btn_ExeFName",            nullptr, 571,  40,  75,  25, "参照",        4);
  Lbl_Exe                 = Place<TLabel>   ("Lbl_Exe",                 nullptr, 168,  76,  60,  16, "ﾌﾟﾛｸﾞﾗﾑ");
  Edt_Exe                 = Place<TEdit>    ("Edt_Exe",                 nullptr, 232,  72, 412,  24, "",            5);
  Lbl_Par                 = Place<TLabel>   ("Lbl_Par",                 nullptr, 168, 108,  60,  16, "ﾊﾟﾗﾒｰﾀ");
  Edt_Par                 = Place<TEdit>    ("Edt_Par",                 nullptr, 232, 104, 412,  24, "",            6);
  Lbl_Dir                 = Place<TLabel>   ("Lbl_Dir",                 nullptr, 168, 140,  60,  16, "ﾃﾞｨﾚｸﾄﾘ");
  Edt_Dir                 = Place<TEdit>    ("Edt_Dir",                 nullptr, 232, 136, 412,  24, "",            7);
  Lbl_DoubleClick         = Place<TLabel>   ("Lbl_DoubleClick",         nullptr, 168, 168, 108,  16, "ﾀﾞﾌﾞﾙｸﾘｯｸ呼出");
  CB_LeftDoubleClickMenu  = Place<TCheckBox>("CB_LeftDoubleClickMenu",  nullptr, 280, 168,  88,  17, "左ボタン",    8);
  CB_RightDoubleClickMenu = Place<TCheckBox>("CB_RightDoubleClickMenu", nullptr, 368, 168,  89,  17, "右ボタン",    9);
  Lbl_Show                = Place<TLabel>   ("Lbl_Show",                nullptr, 168, 200,  48,  16, "ｳｨﾝﾄﾞｳ");
  CmB_Show                = Place<TComboBox>("CmB_Show",                nullptr, 220, 196,  80,  24, "",            10);
  CB_RunAs                = Place<TCheckBox>("CB_RunAs",                nullptr, 308, 200, 150,  17, "管理者として実行", 11);
  CB_Activate             = Place<TCheckBox>("CB_Activate",             nullptr, 464, 200, 180,  17, "起動中なら前面に表示", 12);
  CB_Submenu              = Place<TCheckBox>("CB_Submenu",              nullptr, 464, 168, 180,  17, "メニューとして開く", 13);
  Btn_Up                  = Place<TButton>  ("Btn_Up",                  nullptr, 168, 232,  75,  25, "Up",         14);
  Btn_Down                = Place<TButton>  ("Btn_Down",                nullptr, 168, 264,  75,  25, "Down",       15);
  Btn_Add                 = Place<TButton>  ("Btn_Add",                 nullptr, 256, 232,  75,  25, "追加",       16);
  Btn_Del                 = Place<TButton>  ("Btn_Del",                 nullptr, 256, 264,  75,  25, "削除",       17);
  Img_Icon                = Place<TImage>   ("Img_Icon",                nullptr, 368, 229,  32,  32, "");
  Btn_Icon                = Place<TButton>  ("Btn_Icon",                nullptr, 408, 232, 150,  25, "アイコンの変更...", 18);
  Btn_SetEtc              = Place<TButton>  ("Btn_SetEtc",              nullptr, 459, 264,  99,  25, Tr("その他の設定", kOpensWindow), 19);
  Btn_Ok                  = Place<TButton>  ("Btn_Ok",                  nullptr, 571, 232,  75,  25, "Ok",         20);
  Btn_Cancel              = Place<TButton>  ("Btn_Cancel",              nullptr, 571, 264,  75,  25, "Cancel",     21);
  // clang-format on
  Lbl_Name->FocusControl = Edt_Name;
  Lbl_HotKey->FocusControl = HK_Main;
  Lbl_Exe->FocusControl = Edt_Exe;
  Lbl_Par->FocusControl = Edt_Par;
  Lbl_Dir->FocusControl = Edt_Dir;
  Lbl_DoubleClick->FocusControl = CB_LeftDoubleClickMenu;
  Lbl_Show->FocusControl = CmB_Show;
  for (const char* mode : {"通常", "最小化", "最大化"}) CmB_Show->Add(Tr(mode));  // in TShowMode's order
  OD_ExeFName = new TOpenDialog(this);
  OD_ExeFName->SetName("OD_ExeFName");
  LB_Select->ItemHeight = 16;
  boxes_ = {{&ItemField("Name"), Edt_Name, Lbl_Name},
            {&ItemField("Exe"), Edt_Exe, Lbl_Exe},
            {&ItemField("Par"), Edt_Par, Lbl_Par},
            {&ItemField("Dir"), Edt_Dir, Lbl_Dir}};
  for (const FieldBox& box : boxes_) box.edit->MaxLength = kFieldLength;
  // Offered once the program field names a program (Edt_ExeChange); it starts empty.
  CB_RunAs->SetEnabled(false);
  CB_Activate->SetEnabled(false);
  CB_Submenu->SetEnabled(false);  // offered once the program field names a folder
  options_ = {{&ItemField("Win"), CB_Win, nullptr},
              {&ItemField("Show"), nullptr, CmB_Show},
              {&ItemField("RunAs"), CB_RunAs, nullptr},
              {&ItemField("Activate"), CB_Activate, nullptr},
              {&ItemField("Submenu"), CB_Submenu, nullptr}};

  LB_Select->OnClick = Handler(&TForm_Set::LB_SelectClick);
  Edt_Name->OnChange = Handler(&TForm_Set::Edt_NameChange);
  Edt_Exe->OnChange = Handler(&TForm_Set::Edt_ExeChange);
  CB_LeftDoubleClickMenu->OnClick = Handler(&TForm_Set::CB_LeftDoubleClickMenuClick);
  CB_RightDoubleClickMenu->OnClick = Handler(&TForm_Set::CB_RightDoubleClickMenuClick);
  Btn_Add->OnClick = Handler(&TForm_Set::Btn_AddClick);
  Btn_Del->OnClick = Handler(&TForm_Set::Btn_DelClick);
  Btn_Up->OnClick = Handler(&TForm_Set::Btn_UpClick);
  Btn_Down->OnClick = Handler(&TForm_Set::Btn_DownClick);
  Btn_ExeFName->OnClick = Handler(&TForm_Set::Btn_ExeFNameClick);
  Btn_Icon->OnClick = Handler(&TForm_Set::Btn_IconClick);
  Btn_SetEtc->OnClick = Handler(&TForm_Set::Btn_SetEtcClick);
  Btn_Ok->OnClick = Handler(&TForm_Set::Btn_OkClick);
  Btn_Cancel->OnClick = Handler(&TForm_Set::Btn_CancelClick);
}

void TForm_Set::FormCreate() { AcceptFiles(); }

void TForm_Set::InitForm() {
  OkClicked = false;
  Editing = true;
  Call(MainWindow.DeleteMI_Exe);
  UnregisterAllHotKeys();
  SetLB_Select();
  if (LB_Select->Count() > 0) {
    LB_Select->SetItemIndex(0);
    EditNo = 0;
    ShowItem();
  } else {
    EditNo = -1;
    Btn_AddClick(this);  // the editor always opens on an item
  }
  Form_SetEtc->HK_HotKey->SetValue(HotKeyControlFromShortCut(MenuHotKeyItem.HotKey));
  Form_SetEtc->CB_Win->SetChecked(MenuHotKeyItem.Win != 0);
  Form_SetEtc->CB_VisibleMenuIcon->SetChecked(VisibleMenuIcon);
  Form_SetEtc->ShowLanguage(LanguageSetting);
  // Windows' own record says whether this very exe starts with it.
  startsWithWindows_ = StartsWithWindows(Application->P);
  Form_SetEtc->CB_StartWithWindows->SetChecked(startsWithWindows_);
}

void TForm_Set::SetLB_Select() {
  LB_Select->Clear();
  for (int i = 0; i < ExeList->Count(); ++i) LB_Select->Add(ExeList->Items(i)->Name);
}

void TForm_Set::ShowItem() {
  // A copy: the handlers that the boxes' changes run write the item.
  const TVorlexType item = EditNo == -1 ? TVorlexType{} : *ExeList->Items(EditNo);
  for (const FieldBox& box : boxes_) box.edit->SetText(item.*box.field->text);
  HK_Main->SetValue(HotKeyControlFromShortCut(item.HotKey));
  for (const OptionBox& box : options_) {
    const std::uint8_t value = item.*box.field->option;
    if (box.check) box.check->SetChecked(value != 0);
    if (box.list) box.list->SetItemIndex(value);
  }
  CB_LeftDoubleClickMenu->SetChecked(EditNo != -1 && LeftDoubleClickMenuNo == EditNo);
  CB_RightDoubleClickMenu->SetChecked(EditNo != -1 && RightDoubleClickMenuNo == EditNo);
  ShowIcon();
}

void TForm_Set::ShowIcon() {
  TVorlexType shown;
  if (EditNo != -1) shown.Icon = ExeList->Items(EditNo)->Icon;
  shown.Exe = Edt_Exe->Text();
  Platform& P = Application->P;
  // A new holder for each: a look-up for what the field held a keystroke
  // ago, not begun yet, is dropped rather than left to wait on its share.
  iconHolder_ = std::make_shared<int>(0);
  iconTicket_ = RequestItemIcon(shown, P.icons().LargeIconSize(Dpi()), GetHandle(), kWmEditorIcon, iconHolder_);
}

std::intptr_t TForm_Set::WndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  if (msg == kWmEditorIcon) {
    TIcon icon;
    icon.SetHandle(Application->P.icons().TakeFileIcon(wParam));
    if (wParam == iconTicket_) Img_Icon->SetIcon(&icon);  // an older answer goes
    return 0;
  }
  const std::intptr_t result = TForm::WndProc(msg, wParam, lParam);
  if (msg == kWmDpiChanged) ShowIcon();  // drawn anew for the new monitor
  return result;
}

void TForm_Set::StoreItem() {
  if (EditNo == -1) return;
  TVorlexType* item = ExeList->Items(EditNo);
  for (const FieldBox& box : boxes_) item->*box.field->text = box.edit->Text();
  item->HotKey = ShortCutFromHotKeyControl(HK_Main->Value());
  for (const OptionBox& box : options_) {
    const int value = box.check ? box.check->Checked() : std::max(0, box.list->ItemIndex());
    item->*box.field->option = static_cast<std::uint8_t>(value);
  }
  if (item->HotKey == 0) item->Win = 0;  // the Windows key alone is no hotkey
  LB_Select->SetItem(EditNo, item->Name);
  if (CB_LeftDoubleClickMenu->Checked()) LeftDoubleClickMenuNo = EditNo;
  if (CB_RightDoubleClickMenu->Checked()) RightDoubleClickMenuNo = EditNo;
}

bool TForm_Set::TakePath(const std::u16string& path, std::string& utf8, const std::string& field) {
  const std::size_t bytes = SjisWidth(path);
  if (bytes > kFieldLength) {
    // A shorter path would be another file: nothing is cut.
    const std::string name = field.empty() ? Lbl_Exe->Caption() : field;
    Application->MessageBox(Format(Format(Tr(kMsgPathTooLong), name), static_cast<long long>(bytes)));
    return false;
  }
  utf8 = Utf16ToUtf8(path);
  return true;
}

void TForm_Set::LB_SelectClick(TObject*) {
  if (EditNo != -1) StoreItem();
  EditNo = LB_Select->ItemIndex();
  ShowItem();
}

void TForm_Set::Edt_NameChange(TObject*) {
  if (EditNo == -1) return;
  ExeList->Items(EditNo)->Name = Edt_Name->Text();
  LB_Select->SetItem(EditNo, Edt_Name->Text());
}

void TForm_Set::Edt_ExeChange(TObject*) {
  // Elevation and a running copy are a program's: for a document, a folder
  // or a URL the boxes are off, and what they hold stays stored.
  auto offer = [this](bool program) {
    CB_RunAs->SetEnabled(program);
    CB_Activate->SetEnabled(program);
  };
  // Answered aside: only the answer for what the field still holds counts.
  const std::string asked = Edt_Exe->Text();
  ShowIcon();  // without an icon of its own, the item shows its program's
  FindStartsProgram(asked, WhileAlive([this, asked, offer](bool program) {
                      if (Edt_Exe->Text() == asked) offer(program);
                    }));
  // Only a folder opens as a menu.
  FindNamesFolder(asked, WhileAlive([this, asked](bool folder) {
                    if (Edt_Exe->Text() == asked) CB_Submenu->SetEnabled(folder);
                  }));
}

void TForm_Set::CB_LeftDoubleClickMenuClick(TObject*) {
  if (CB_LeftDoubleClickMenu->Checked())
    LeftDoubleClickMenuNo = EditNo;
  else if (LeftDoubleClickMenuNo == EditNo)
    LeftDoubleClickMenuNo = -1;
}

void TForm_Set::CB_RightDoubleClickMenuClick(TObject*) {
  if (CB_RightDoubleClickMenu->Checked())
    RightDoubleClickMenuNo = EditNo;
  else if (RightDoubleClickMenuNo == EditNo)
    RightDoubleClickMenuNo = -1;
}

void TForm_Set::Btn_AddClick(TObject*) {
  if (EditNo != -1) StoreItem();
  if (EditNo == -1) EditNo = 0;
  TVorlexType* item = ExeList->Insert(EditNo);
  if (LeftDoubleClickMenuNo >= EditNo) ++LeftDoubleClickMenuNo;
  if (RightDoubleClickMenuNo >= EditNo) ++RightDoubleClickMenuNo;
  item->Name = Tr(kNewItemName);
  LB_Select->Insert(EditNo, Tr(kNewItemName));
  LB_Select->SetItemIndex(EditNo);
  ShowItem();
}

void TForm_Set::Btn_DelClick(TObject*) {
  if (EditNo == -1) return;
  ExeList->Delete(EditNo);
  LB_Select->Delete(EditNo);
  for (std::int32_t* choice : {&LeftDoubleClickMenuNo, &RightDoubleClickMenuNo}) {
    if (*choice == EditNo)
      *choice = -1;
    else if (*choice > EditNo)
      --*choice;
  }
  if (EditNo > LB_Select->Count() - 1) EditNo = LB_Select->Count() - 1;
  LB_Select->SetItemIndex(EditNo);
  ShowItem();
}

void TForm_Set::Exchange(int from, int to) {
  ExeList->Move(from, to);
  LB_Select->Move(from, to);
  LB_Select->SetItemIndex(to);
  EditNo = to;
  Swap(LeftDoubleClickMenuNo, from, to);
  Swap(RightDoubleClickMenuNo, from, to);
}

void TForm_Set::Btn_UpClick(TObject*) {
  const int i = LB_Select->ItemIndex();
  if (i <= 0) return;
  Exchange(i, i - 1);
}

void TForm_Set::Btn_DownClick(TObject*) {
  const int i = LB_Select->ItemIndex();
  if (i < 0 || i >= LB_Select->Count() - 1) return;
  Exchange(i, i + 1);
}

void TForm_Set::Btn_ExeFNameClick(TObject*) {
  std::string path;
  if (OD_ExeFName->Execute() && TakePath(OD_ExeFName->FileName, path)) Edt_Exe->SetText(path);
}

void TForm_Set::Btn_IconClick(TObject*) {
  if (EditNo == -1) return;
  TVorlexType& item = *ExeList->Items(EditNo);
  item.Exe = Edt_Exe->Text();  // the picker opens on the program the field names now
  const ItemIconSpec start = IconToPick(item);
  std::u16string file = Utf8ToUtf16(start.file);
  int index = start.index;
  if (!Application->P.PickIconDialog(GetHandle(), file, index)) return;
  std::string text;
  if (!TakePath(Utf8ToUtf16(IconText(Utf16ToUtf8(file), index)), text, Tr(kIconFieldName))) return;
  // The program's own first icon is what an item shows without a choice:
  // choosing it takes the choice back, and nothing is stored.
  TVorlexType bare;
  bare.Exe = item.Exe;
  if (FoldCase(text) == FoldCase(IconText(IconToPick(bare).file, 0))) text.clear();
  item.Icon = text;
  ShowIcon();
}

void TForm_Set::FormDropFiles(std::uintptr_t drop) {
  const std::vector<std::u16string> files = Application->P.DroppedFiles(drop);
  if (files.size() != 1) {
    Application->MessageBox(Tr(kMsgOneFileOnly));
    return;
  }
  std::string path;
  if (!TakePath(files[0], path)) return;
  Edt_Name->SetText(ExtractFileName(path));
  Edt_Exe->SetText(path);
  Edt_Dir->SetText(ExtractFileDir(path));
}

void TForm_Set::Btn_SetEtcClick(TObject*) { Form_SetEtc->ShowModal(); }

void TForm_Set::Btn_OkClick(TObject*) {
  StoreItem();
  OkClicked = true;
  Close();
}

void TForm_Set::Btn_CancelClick(TObject*) { Close(); }

void TForm_Set::FormClose(TCloseAction&) {
  // A refused save or a failed load is shown, but the hotkeys, the launch
  // menu and the tray menus come back all the same.
  Editing = false;
  try {
    ThenCleanUp(
        [this] {
          // Another program changed the file while the editor was open:
          // the person chooses whose items are kept.
          if (OkClicked && SettingsChangedOutside() && !Application->Ask(Tr(kMsgChangedWhileEditing)))
            OkClicked = false;
          if (OkClicked) {
            MenuHotKeyItem.HotKey = ShortCutFromHotKeyControl(Form_SetEtc->HK_HotKey->Value());
            MenuHotKeyItem.Win = MenuHotKeyItem.HotKey != 0 && Form_SetEtc->CB_Win->Checked();
            VisibleMenuIcon = Form_SetEtc->CB_VisibleMenuIcon->Checked();
            LanguageSetting = Form_SetEtc->ChosenLanguage(LanguageSetting);
            SaveSettings(true);
            // The registry after the file: a refused write is reported
            // and changes nothing else.
            const bool start = Form_SetEtc->CB_StartWithWindows->Checked();
            if (start != startsWithWindows_) SetStartWithWindows(Application->P, start);
          } else {
            ClearExeList();
            LoadSettings();
          }
        },
        [this] {
          RegisterAllHotKeys();
          Call(MainWindow.CreateMI_Exe);
          Call(MainWindow.AutoPopupOn);
        });
  } catch (...) {
    Hide();  // closed as any close is, then the error box
    throw;
  }
}

void TForm_Set::FormDestroy() {
  if (!Editing) return;
  Editing = false;
  // The main window saves the list as the run ends; it must save the file's
  // items, as Cancel would leave them. Should the file not load, the list
  // is emptied, and an empty list saves nothing over the file. The
  // hotkey-text switch is the command menu's, which the person set: only
  // the items go back.
  const bool shortCutView = ShortCutView;
  ClearExeList();
  try {
    ThenCleanUp([] { LoadSettings(); }, [shortCutView] { ShortCutView = shortCutView; });
  } catch (...) {
    ClearExeList();
    throw;
  }
}

}  // namespace vx

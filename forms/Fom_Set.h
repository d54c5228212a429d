// The launch item editor. It works directly on ExeList and the double-click
// settings; Ok saves them, every other close reloads the file. While it is
// open no hotkey is registered and the launch menu is empty.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/Unit_All.h"
#include "toolkit/toolkit.h"

namespace vx {

class TForm_Set : public TForm {
 public:
  explicit TForm_Set(TComponent* owner);

  TListBox* LB_Select;
  TLabel* Lbl_Name;
  TEdit* Edt_Name;
  TLabel* Lbl_HotKey;
  THotKey* HK_Main;
  TCheckBox* CB_Win;
  TButton* Btn_ExeFName;
  TLabel* Lbl_Exe;
  TEdit* Edt_Exe;
  TLabel* Lbl_Par;
  TEdit* Edt_Par;
  TLabel* Lbl_Dir;
  TEdit* Edt_Dir;
  TLabel* Lbl_DoubleClick;
  TCheckBox* CB_LeftDoubleClickMenu;
  TCheckBox* CB_RightDoubleClickMenu;
  TLabel* Lbl_Show;
  TComboBox* CmB_Show;
  TCheckBox* CB_RunAs;
  TCheckBox* CB_Activate;
  TCheckBox* CB_Submenu;
  TButton* Btn_Up;
  TButton* Btn_Down;
  TButton* Btn_Add;
  TButton* Btn_Del;
  TImage* Img_Icon;
  TButton* Btn_Icon;
  TButton* Btn_SetEtc;
  TButton* Btn_Ok;
  TButton* Btn_Cancel;
  TOpenDialog* OD_ExeFName;

  // What the editor asks of the main window: empty its launch menu, build
  // it again, switch the tray menus back on. The program wires them when it
  // makes the windows; the editor knows nothing else of the main window.
  struct MainWindowCalls {
    std::function<void()> DeleteMI_Exe, CreateMI_Exe, AutoPopupOn;
  } MainWindow;

  std::int32_t EditNo = -1;  // the item the fields show; -1: none
  bool OkClicked = false;
  bool Editing = false;  // opened by InitForm and not yet closed

  // Prepares the editor just before it is shown.
  void InitForm();
  void FormCreate() override;
  void FormClose(TCloseAction& action) override;
  // The end of the run (the session ends) with the editor still open: what
  // nobody confirmed is dropped, and the items are the file's again.
  void FormDestroy() override;
  void FormDropFiles(std::uintptr_t drop) override;
  std::intptr_t WndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override;

  void SetLB_Select();
  void ShowItem();
  void StoreItem();

  void LB_SelectClick(TObject* Sender);
  void Edt_NameChange(TObject* Sender);
  void Edt_ExeChange(TObject* Sender);
  void CB_LeftDoubleClickMenuClick(TObject* Sender);
  void CB_RightDoubleClickMenuClick(TObject* Sender);
  void Btn_AddClick(TObject* Sender);
  void Btn_DelClick(TObject* Sender);
  void Btn_UpClick(TObject* Sender);
  void Btn_DownClick(TObject* Sender);
  void Btn_ExeFNameClick(TObject* Sender);
  void Btn_IconClick(TObject* Sender);
  void Btn_SetEtcClick(TObject* Sender);
  void Btn_OkClick(TObject* Sender);
  void Btn_CancelClick(TObject* Sender);

 private:
  // Whether this exe started with Windows when the editor opened.
  bool startsWithWindows_ = false;
  // A dropped or chosen path as a field (the program's, by default) takes
  // it, whole; false (with the reason shown) when the field is too short.
  bool TakePath(const std::u16string& path, std::string& utf8, const std::string& field = "");
  // Shows the icon the item will have in the launch menu, looked up aside
  // at this window's DPI: only the answer asked for last is shown.
  void ShowIcon();
  std::uintptr_t iconTicket_ = 0;
  std::shared_ptr<const void> iconHolder_;  // holds the look-up asked for last
  // Moves the item at `from` to the neighbouring place `to`, its list
  // entry, the selection and the double-click choices with it.
  void Exchange(int from, int to);
  // The item's text fields (kItemFields) and the boxes that show them.
  struct FieldBox {
    const TItemField* field;
    TEdit* edit;
    TLabel* label;
  };
  std::vector<FieldBox> boxes_;
  // The item's start options (kItemFields) and the box or list that shows each.
  struct OptionBox {
    const TItemField* field;
    TCheckBox* check;
    TComboBox* list;
  };
  std::vector<OptionBox> options_;
};

extern TForm_Set* Form_Set;

}  // namespace vx

// The other settings dialog: the menu hotkey, the launch menu's icons,
// starting with Windows and the language. Reached only from the editor, modally; the editor fills its
// controls when it opens and takes their values when it closes with Ok.
#pragma once

#include "toolkit/toolkit.h"

namespace vx {

class TForm_SetEtc : public TForm {
 public:
  explicit TForm_SetEtc(TComponent* owner);

  TLabel* Lbl_LHotKey;
  TBevel* Bvl_HotKey;
  THotKey* HK_HotKey;
  TCheckBox* CB_Win;
  TCheckBox* CB_VisibleMenuIcon;
  TCheckBox* CB_StartWithWindows;
  TLabel* Lbl_Language;
  TComboBox* CmB_Language;
  TLabel* Lbl_LanguageNote;
  TButton* Btn_Close;

  void Btn_CloseClick(TObject* Sender);
  // The language drop-down shows a [Basic] Language value, and gives the
  // value chosen ("" for Automatic), from the value it showed.
  void ShowLanguage(const std::string& setting);
  std::string ChosenLanguage(const std::string& before) const;
};

extern TForm_SetEtc* Form_SetEtc;

}  // namespace vx

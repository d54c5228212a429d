// The other settings dialog: the menu hotkey and the launch menu's icons.
// Reached only from the editor, modally; the editor fills its two controls
// when it opens and takes their values when it closes with Ok.
#pragma once

#include "toolkit/toolkit.h"

namespace vx {

class TForm_SetEtc : public TForm {
 public:
  explicit TForm_SetEtc(TComponent* owner);

  TLabel* Lbl_LHotKey;
  TBevel* Bvl_HotKey;
  THotKey* HK_HotKey;
  TCheckBox* CB_VisibleMenuIcon;
  TButton* Btn_Close;

  void Btn_CloseClick(TObject* Sender);
};

extern TForm_SetEtc* Form_SetEtc;

}  // namespace vx

// The version dialog: the application's icon, the name with its version and
// a copyright line; OK (also Enter) closes it.
#pragma once

#include "toolkit/toolkit.h"

namespace vx {

class TForm_About : public TForm {
 public:
  explicit TForm_About(TComponent* owner);

  TImage* Img_Main;
  TLabel* Lbl_Name;
  TLabel* Lbl_C;
  TButton* Btn_OK;

  void FormCreate() override;
  void Btn_OKClick(TObject* Sender);
};

extern TForm_About* Form_About;

}  // namespace vx

// The windows of the dialogs still to be described: each exists from start
// to exit with its class name, caption and client size; closing one only
// hides it.
#include "forms/Fom_About.h"
#include "forms/Fom_Set.h"
#include "forms/Fom_SetEtc.h"

namespace vx {

TForm_Set* Form_Set = nullptr;
TForm_SetEtc* Form_SetEtc = nullptr;
TForm_About* Form_About = nullptr;

TForm_Set::TForm_Set(TComponent* owner) : TForm(owner, "TForm_Set", "メニュー項目設定") {
  SetClientSize(629, 269);
}
void TForm_Set::InitForm() {}

TForm_SetEtc::TForm_SetEtc(TComponent* owner) : TForm(owner, "TForm_SetEtc", "その他の設定") {
  SetClientSize(242, 128);
}

TForm_About::TForm_About(TComponent* owner) : TForm(owner, "TForm_About", "バージョン情報") {
  SetClientSize(258, 96);
}

}  // namespace vx

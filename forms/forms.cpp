// The windows of the later dialogs: each exists from start to exit with its
// class name, caption and client size; closing one only hides it.
#include "forms/Fom_About.h"
#include "forms/Fom_Set.h"
#include "forms/Fom_SetEtc.h"
#include "forms/Fom_Time.h"

namespace vx {

TForm_Set* Form_Set = nullptr;
TForm_SetEtc* Form_SetEtc = nullptr;
TForm_About* Form_About = nullptr;
TForm_Time* Form_Time = nullptr;

TForm_Set::TForm_Set(TComponent* owner) : TForm(owner, "TForm_Set", "メニュー項目設定") {
  width_ = 629;
  height_ = 269;
}
void TForm_Set::InitForm() {}

TForm_SetEtc::TForm_SetEtc(TComponent* owner) : TForm(owner, "TForm_SetEtc", "その他の設定") {
  width_ = 242;
  height_ = 128;
}

TForm_About::TForm_About(TComponent* owner) : TForm(owner, "TForm_About", "バージョン情報") {
  width_ = 258;
  height_ = 96;
}

TForm_Time::TForm_Time(TComponent* owner) : TForm(owner, "TForm_Time", "時間情報") {
  width_ = 321;
  height_ = 113;
}
void TForm_Time::FormTimeStartProcess() {}
void TForm_Time::FormTimeIniSave_StartTime() {}

}  // namespace vx

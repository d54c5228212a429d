#include "forms/Fom_About.h"

#include "core/messages.h"

namespace vx {

TForm_About* Form_About = nullptr;

TForm_About::TForm_About(TComponent* owner) : TForm(owner, "TForm_About", "バージョン情報") {
  SetClientSize(258, 96);
  Font = TFontSpec{"ＭＳ 明朝", 15, kShiftJisCharset};
  // clang-format off
  //                          name        parent   left top width height caption tab
  Img_Main = Place<TImage> ("Img_Main", nullptr,  24,   8,  31, 31, "");
  Lbl_Name = Place<TLabel> ("Lbl_Name", nullptr,  80,  16, 152, 15, "");
  Lbl_C    = Place<TLabel> ("Lbl_C",    nullptr,   8,  40, 240, 15, "");
  Btn_OK   = Place<TButton>("Btn_OK",   nullptr,  96,  64,  75, 25, "OK", 0);
  // clang-format on
  Btn_OK->OnClick = Handler(&TForm_About::Btn_OKClick);
  DefaultButton = Btn_OK;
}

void TForm_About::FormCreate() {
  Img_Main->SetIcon(&Application->Icon);
  Lbl_Name->SetCaption(std::string("Vorlex Version ") + kVersion);
  Lbl_C->SetCaption(kCopyrightLine);
}

void TForm_About::Btn_OKClick(TObject*) { Close(); }

}  // namespace vx

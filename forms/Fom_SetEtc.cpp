#include "forms/Fom_SetEtc.h"

namespace vx {

TForm_SetEtc* Form_SetEtc = nullptr;

TForm_SetEtc::TForm_SetEtc(TComponent* owner) : TForm(owner, "TForm_SetEtc", "その他の設定") {
  SetClientSize(242, 128);
  Font = TFontSpec{"ＭＳ ゴシック", 16, kShiftJisCharset};
  // The heading names the hotkey field, and lies on the frame's top edge:
  // it is made just before the field, the frame after the rest (below).
  // clang-format off
  //                                       name                  parent   left top width height caption          tab
  Lbl_LHotKey        = Place<TLabel>   ("Lbl_LHotKey",        nullptr,  16,   8, 192, 16, "HotKeyによるメニュー表示");
  Bvl_HotKey         = Place<TBevel>   ("Bvl_HotKey",         nullptr,   8,  16, 225, 49, "");
  HK_HotKey          = Place<THotKey>  ("HK_HotKey",          nullptr,  16,  32, 209, 21, "",                 0);
  CB_VisibleMenuIcon = Place<TCheckBox>("CB_VisibleMenuIcon", nullptr,   8,  72, 217, 17, "メニューのアイコン表示", 1);
  Btn_Close          = Place<TButton>  ("Btn_Close",          nullptr, 160,  96,  75, 25, "閉じる",           2);
  // clang-format on
  Lbl_LHotKey->FocusControl = HK_HotKey;
  Bvl_HotKey->SetShape(TBevelShape::bsFrame);  // a frame around the hotkey group
  Btn_Close->OnClick = Handler(&TForm_SetEtc::Btn_CloseClick);
}

void TForm_SetEtc::Btn_CloseClick(TObject*) { Close(); }

}  // namespace vx

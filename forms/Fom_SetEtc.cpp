#include "forms/Fom_SetEtc.h"

namespace vx {

TForm_SetEtc* Form_SetEtc = nullptr;

TForm_SetEtc::TForm_SetEtc(TComponent* owner) : TForm(owner, "TForm_SetEtc", "その他の設定") {
  SetClientSize(298, 204);
  Font = TFontSpec{"ＭＳ ゴシック", 16, kShiftJisCharset};
  // The heading names the hotkey field, and lies on the frame's top edge:
  // it is made just before the field, the frame after the rest (below).
  // clang-format off
  //                                       name                  parent   left top width height caption          tab
  Lbl_LHotKey        = Place<TLabel>   ("Lbl_LHotKey",        nullptr,  16,   8, 192, 16, "HotKeyによるメニュー表示");
  Bvl_HotKey         = Place<TBevel>   ("Bvl_HotKey",         nullptr,   8,  16, 281, 49, "");
  HK_HotKey          = Place<THotKey>  ("HK_HotKey",          nullptr,  16,  32, 209, 21, "",                 0);
  // The Windows key, which a hotkey field cannot take, in a box beside it.
  CB_Win             = Place<TCheckBox>("CB_Win",             nullptr, 232,  34,  49, 17, "Win",              1);
  CB_VisibleMenuIcon = Place<TCheckBox>("CB_VisibleMenuIcon", nullptr,   8,  72, 217, 17, "メニューのアイコン表示", 2);
  CB_StartWithWindows = Place<TCheckBox>("CB_StartWithWindows", nullptr, 8,  96, 217, 17, "Windows の起動時に実行", 3);
  Lbl_Language       = Place<TLabel>   ("Lbl_Language",       nullptr,   8, 128,  64, 16, "言語");
  CmB_Language       = Place<TComboBox>("CmB_Language",       nullptr,  76, 124, 157, 24, "",                 4);
  Lbl_LanguageNote   = Place<TLabel>   ("Lbl_LanguageNote",   nullptr,  76, 152, 160, 16, "次回の起動から有効");
  Btn_Close          = Place<TButton>  ("Btn_Close",          nullptr, 215, 172,  75, 25, "閉じる",           5);
  // clang-format on
  Lbl_LHotKey->FocusControl = HK_HotKey;
  Lbl_Language->FocusControl = CmB_Language;
  // Each choice in its own language; Automatic in the window's.
  for (const char* choice : {Tr("自動"), "日本語", "English"}) CmB_Language->Add(choice);
  Bvl_HotKey->SetShape(TBevelShape::bsFrame);  // a frame around the hotkey group
  Btn_Close->OnClick = Handler(&TForm_SetEtc::Btn_CloseClick);
}

void TForm_SetEtc::Btn_CloseClick(TObject*) { Close(); }

void TForm_SetEtc::ShowLanguage(const std::string& setting) {
  Language language = Language::Japanese;
  const bool fixed = LanguageOfSetting(setting, language);
  CmB_Language->SetItemIndex(!fixed ? 0 : language == Language::Japanese ? 1 : 2);
}

std::string TForm_SetEtc::ChosenLanguage(const std::string& before) const {
  switch (CmB_Language->ItemIndex()) {
    case 1:
      return SettingOfLanguage(Language::Japanese);
    case 2:
      return SettingOfLanguage(Language::English);
    default: {
      // Automatic: a value of the person's own that names no language stays.
      Language language;
      return LanguageOfSetting(before, language) ? std::string() : before;
    }
  }
}

}  // namespace vx

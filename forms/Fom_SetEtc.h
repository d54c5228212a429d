// The other settings dialog (menu hotkey, menu icons), reached from the editor.
#pragma once

#include "platform/toolkit.h"

namespace vx {

class TForm_SetEtc : public TForm {
 public:
  explicit TForm_SetEtc(TComponent* owner);
};

extern TForm_SetEtc* Form_SetEtc;

}  // namespace vx

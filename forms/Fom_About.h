// The version dialog.
#pragma once

#include "platform/toolkit.h"

namespace vx {

class TForm_About : public TForm {
 public:
  explicit TForm_About(TComponent* owner);
};

extern TForm_About* Form_About;

}  // namespace vx

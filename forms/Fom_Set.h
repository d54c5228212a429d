// The launch item editor. Its window exists from start to exit; its controls and commands come with the editor's own work.
#pragma once

#include "platform/toolkit.h"

namespace vx {

class TForm_Set : public TForm {
 public:
  explicit TForm_Set(TComponent* owner);
  // Prepares the editor just before it is shown.
  void InitForm();
};

extern TForm_Set* Form_Set;

}  // namespace vx

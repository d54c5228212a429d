// The time information window: the run's start, the previous end and the elapsed time.
#pragma once

#include "platform/toolkit.h"

namespace vx {

class TForm_Time : public TForm {
 public:
  explicit TForm_Time(TComponent* owner);
  // Starts a timed run (at creation, and at resume from standby).
  void FormTimeStartProcess();
  // Stores the start of the run in the settings file, if the file exists.
  void FormTimeIniSave_StartTime();
};

extern TForm_Time* Form_Time;

}  // namespace vx

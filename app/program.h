// The program's entry sequence, in three steps so that tests can drive the
// message loop between them: Start (single-instance guard, application
// object, the five windows, HotKeySet), Run (the message loop), Finish (the
// end-of-run work).
#pragma once

#include "platform/platform.h"

namespace vx {

class VorlexProgram {
 public:
  explicit VorlexProgram(Platform& platform) : P(platform) {}
  ~VorlexProgram();

  // -1 when the program is running; otherwise the exit code with which the
  // process ends now (0 for a second copy, 1 when start-up failed).
  int Start();
  // Runs the message loop; true once the application has been told to end.
  bool Run();
  // The end of the run: the windows are destroyed last-created first.
  int Finish();

 private:
  void NotifyRunningCopy();
  Platform& P;
  bool started_ = false;
};

// Start, Run until the end, Finish.
int VorlexMain(Platform& platform);

}  // namespace vx

// Work whose clean-up must run however the work ends.
#pragma once

namespace vx {

// Runs `work`, then `cleanUp` whatever became of it; an exception from the
// work goes on once the clean-up is done (one from the clean-up itself
// goes on in its place).
template <class Work, class CleanUp>
void ThenCleanUp(Work&& work, CleanUp&& cleanUp) {
  try {
    work();
  } catch (...) {
    cleanUp();
    throw;
  }
  cleanUp();
}

}  // namespace vx

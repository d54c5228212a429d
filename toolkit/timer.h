// Timers: a handler run on WM_TIMER through the form's window, only while
// the timer is enabled.
#pragma once

#include <cstdint>

#include "toolkit/component.h"

namespace vx {

class TForm;

// Runs OnTimer every Interval milliseconds while enabled, through the
// owner form's window.
class TTimer : public TComponent {
 public:
  explicit TTimer(TForm* owner);
  ~TTimer() override;
  std::uint32_t Interval = 1000;
  TNotifyEvent OnTimer;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // The timer's own WM_TIMER; false when `id` names another timer.
  static bool Dispatch(std::uintptr_t id);

 private:
  TForm* form_;
  std::uintptr_t id_;
  bool enabled_ = false;
};

}  // namespace vx

// The toolkit's timer room: what toolkit/timer.h describes.
#include "toolkit/timer.h"

#include <unordered_map>

#include "base/text.h"
#include "toolkit/application.h"

namespace vx {

// -------------------------------------------------------------------- TTimer

namespace {

std::unordered_map<std::uintptr_t, TTimer*>& TimersById() {
  static std::unordered_map<std::uintptr_t, TTimer*> timers;
  return timers;
}

std::uintptr_t g_nextTimerId = 1;

}  // namespace

TTimer::TTimer(TForm* owner) : TComponent(owner), form_(owner), id_(g_nextTimerId++) { TimersById()[id_] = this; }

TTimer::~TTimer() {
  SetEnabled(false);
  TimersById().erase(id_);
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled)
    Application->P.SetTimer(form_->GetHandle(), id_, Interval);
  else if (form_->HandleAllocated() && Application)
    Application->P.KillTimer(form_->GetHandle(), id_);
}

bool TTimer::Dispatch(std::uintptr_t id) {
  auto it = TimersById().find(id);
  if (it == TimersById().end()) return false;
  TTimer* timer = it->second;
  if (timer->enabled_ && timer->OnTimer) timer->OnTimer(timer);
  return true;
}

}  // namespace vx

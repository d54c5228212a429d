// The portable part of the interface: the one entry of every window's
// messages and what becomes of an exception that leaves a handler.
#include "platform/platform.h"

#include <exception>
#include <memory>
#include <utility>

namespace vx {

namespace {
EscapedErrorSink g_sink;
}

void SetEscapedErrorSink(EscapedErrorSink sink) { g_sink = std::move(sink); }

void RunInBoundary(const std::function<void()>& work) noexcept {
  try {
    try {
      work();
    } catch (const std::exception& e) {
      if (g_sink) g_sink(e);
    } catch (...) {
      if (g_sink) g_sink(std::runtime_error("Unknown error"));
    }
  } catch (...) {
    // The sink itself failed (no memory for the box): the message ends here.
  }
}

AsideJob CarryingFailure(std::function<void()> work, std::function<void()> done) {
  auto failure = std::make_shared<std::exception_ptr>();
  return AsideJob{[failure, work = std::move(work)] {
                    try {
                      work();
                    } catch (...) {
                      *failure = std::current_exception();
                    }
                  },
                  [failure, done = std::move(done)] {
                    if (*failure) std::rethrow_exception(*failure);
                    done();
                  }};
}

std::intptr_t WindowProc::Dispatch(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) noexcept {
  std::intptr_t result = 0;
  RunInBoundary([&] { result = WndProc(msg, wParam, lParam); });
  return result;
}

}  // namespace vx

// The portable part of the interface: the one entry of every window's
// messages and what becomes of an exception that leaves a handler.
#include "platform/platform.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <utility>

#include "base/text.h"
#include "base/texts.h"

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
      if (g_sink) g_sink(std::runtime_error(Tr("不明なエラー")));
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

std::string PlaceOf(const std::string& path) {
  auto separator = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() >= 2 && path[1] == ':') return FoldCase(path.substr(0, 2));
  if (path.size() < 3 || !separator(path[0]) || !separator(path[1])) return "";
  // "\\server\share\..." (and "\\?\UNC\server\share"): up to the share's end.
  std::size_t from = 2;
  if (path.compare(2, 6, "?\\UNC\\") == 0)
    from = 8;
  else if (path.compare(2, 2, "?\\") == 0)
    return path.size() >= 6 ? FoldCase(path.substr(4, 2)) : "";
  std::size_t end = from, parts = 0;
  while (end < path.size() && parts < 2) {
    end = std::find_if(path.begin() + static_cast<std::ptrdiff_t>(end), path.end(), separator) - path.begin();
    if (++parts < 2 && end < path.size()) ++end;
  }
  return FoldCase("\\\\" + path.substr(from, end - from));
}

JobSpec IconJob(const std::string& path, std::function<void()> work, std::function<void()> done,
                const std::shared_ptr<const void>& holder) {
  JobSpec job(Lane::Icon, path, std::move(work), std::move(done));
  if (holder) job.HeldBy(holder);
  return job;
}

JobId JobQueue::Add(JobSpec asked) {
  Queued job;
  job.id = ++last_;
  job.place = PlaceOf(asked.path);
  job.asked = std::move(asked);
  waiting_.push_back(std::move(job));
  return last_;
}

bool JobQueue::Take(Queued& job, std::vector<JobId>& dropped) {
  for (auto it = waiting_.begin(); it != waiting_.end();) {
    if (it->asked.held && it->asked.holder.expired()) {
      dropped.push_back(it->id);
      it = waiting_.erase(it);
    } else {
      ++it;
    }
  }
  if (running_ >= kThreads) return false;
  const int iconsRunning = static_cast<int>(iconPlaces_.size());
  for (Lane lane : {Lane::Listing, Lane::Start, Lane::Check, Lane::Icon}) {
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
      if (it->asked.lane != lane) continue;
      if (lane == Lane::Icon && (iconsRunning >= kIconThreads ||
                                 std::find(iconPlaces_.begin(), iconPlaces_.end(), it->place) != iconPlaces_.end()))
        continue;
      job = std::move(*it);
      waiting_.erase(it);
      ++running_;
      if (lane == Lane::Icon) iconPlaces_.push_back(job.place);
      return true;
    }
  }
  return false;
}

void JobQueue::Finished(const Queued& job) {
  --running_;
  if (job.asked.lane != Lane::Icon) return;
  auto it = std::find(iconPlaces_.begin(), iconPlaces_.end(), job.place);
  if (it != iconPlaces_.end()) iconPlaces_.erase(it);
}

std::intptr_t WindowProc::Dispatch(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) noexcept {
  std::intptr_t result = 0;
  RunInBoundary([&] { result = WndProc(msg, wParam, lParam); });
  return result;
}

}  // namespace vx

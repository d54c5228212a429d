// Work done aside: look-ups that may wait for a share that is offline or a
// drive that sleeps (a shortcut read, a folder listed, a file's icon, a
// start), each on a thread of its own, so that none holds up the menus and
// the hotkeys, and none waits behind an unrelated one.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vx {

// What a job is for, in order of precedence: a free thread takes the first
// waiting job of the first lane that has one.
enum class Lane : std::uint8_t {
  Listing,  // a folder's entries, for a menu that is open or opening now
  Start,    // a start, and the look-up of the program it starts
  Check,    // the editor's checks of what a field names
  Icon,     // a file's icon, for a menu's image
};

using JobId = std::uint64_t;

// Work done aside and its answer, made so that an exception of the work is
// caught where it runs and raised where the answer runs (inside a window's
// error boundary): the person is told, and the worker goes on. Each
// backend's RunAside runs these.
struct AsideJob {
  std::function<void()> work, done;
};
AsideJob CarryingFailure(std::function<void()> work, std::function<void()> done);

struct JobSpec {
  JobSpec() = default;
  JobSpec(Lane lane_, std::string path_, std::function<void()> work_, std::function<void()> done_)
      : lane(lane_), path(std::move(path_)), work(std::move(work_)), done(std::move(done_)) {}
  Lane lane = Lane::Check;
  // The path the work looks at: icons of one share or drive are looked up
  // one at a time, so that a share that does not answer holds one thread.
  std::string path;
  std::function<void()> work, done;
  // The job stands while its holder lives (a menu that is up); once the
  // holder is gone, a job not yet begun is dropped, its `done` with it.
  std::weak_ptr<const void> holder;
  bool held = false;
  JobSpec& HeldBy(const std::shared_ptr<const void>& by) {
    holder = by;
    held = true;
    return *this;
  }
};

class Jobs {
 public:
  virtual ~Jobs() = default;
  // Runs `work` off the UI thread, on a worker with its own COM apartment,
  // then `done` on the UI thread, as a message of its own. `work` may use
  // only the look-ups that keep no state of the platform's (Shell's, the
  // environment) and the shell's start; a `done` still to come when the
  // platform ends is dropped.
  virtual JobId RunAside(JobSpec job) = 0;
  // Waits on the UI thread, at most `ms`, for the job's work to end, and
  // then runs its `done` at once: true. False when its work is still under
  // way by then (its `done` comes later, as always) or the job has ended.
  virtual bool Await(JobId job, std::uint32_t ms) = 0;
};

// A file's icon looked up aside (Lane::Icon), held by `holder` when one
// is given: the job both backends' RequestFileIcon hand on.
JobSpec IconJob(const std::string& path, std::function<void()> work, std::function<void()> done,
                const std::shared_ptr<const void>& holder);

// The place a path lies in, as far as its answers go: the share
// ("\\server\share") or the drive ("C:"), folded; empty for any other.
std::string PlaceOf(const std::string& path);

// The order in which both backends hand jobs to their threads, so that the
// native tests see what Windows does. Not thread-safe: a backend holds its
// lock around every call.
class JobQueue {
 public:
  static constexpr int kThreads = 6;      // threads at most
  static constexpr int kIconThreads = 3;  // of them, looking up icons at once
  struct Queued {
    JobId id = 0;
    JobSpec asked;
    std::string place;
  };
  JobId Add(JobSpec asked);
  // The job a free thread takes now: the first of the first lane whose
  // turn it is, an icon only while fewer than kIconThreads icons run and
  // none of its place. False when none may start. Jobs whose holder is gone
  // are dropped on the way, their ids added to `dropped`.
  bool Take(Queued& job, std::vector<JobId>& dropped);
  // The thread of `job` is free again.
  void Finished(const Queued& job);
  bool Idle() const { return waiting_.empty() && running_ == 0; }
  bool Waiting() const { return !waiting_.empty(); }

 private:
  std::deque<Queued> waiting_;
  std::vector<std::string> iconPlaces_;  // one for each icon look-up under way
  int running_ = 0;
  JobId last_ = 0;
};

}  // namespace vx

// Work done aside on the headless desktop: the threads and queue of the
// Windows backend (JobQueue), on the scripted clock.
#include <utility>

#include "base/text.h"
#include "platform/headless/headless.h"

namespace vx {

void HeadlessJobs::ShareLookUp(const std::string& path) {
  for (const auto& [folder, ms] : slowShares) {
    if (FoldCase(path).rfind(FoldCase(folder), 0) != 0) continue;
    if (aside_)
      asideMs_ += ms;
    else
      host_.tick += ms;  // the UI thread hangs: nothing else is handled meanwhile
    return;
  }
}

JobId HeadlessJobs::RunAside(JobSpec asked) {
  AsideJob job = CarryingFailure(std::move(asked.work), std::move(asked.done));
  asked.work = std::move(job.work);
  const JobId id = jobQueue_.Add(std::move(asked));
  answers_[id] = std::move(job.done);
  Dispatch();
  return id;
}

void HeadlessJobs::Dispatch() {
  JobQueue::Queued job;
  std::vector<JobId> dropped;
  while (jobQueue_.Take(job, dropped)) {
    // A thread takes the job now: its work runs, and the thread is busy
    // for as long as its look-ups take. With none slow, the answer comes
    // before the UI thread looks again.
    aside_ = true;
    asideMs_ = 0;
    job.asked.work();  // carries its own failure to its answer
    aside_ = false;
    auto finish = [this, job] {
      jobQueue_.Finished(job);
      auto it = answers_.find(job.id);
      if (it != answers_.end()) {
        const std::function<void()> done = std::move(it->second);
        answers_.erase(it);
        RunInBoundary(done);  // as a message comes: inside the error boundary
      }
      Dispatch();
    };
    if (asideMs_ == 0)
      finish();
    else
      host_.Schedule(asideMs_, std::move(finish));
  }
  for (JobId id : dropped) answers_.erase(id);
}

bool HeadlessJobs::Await(JobId id, std::uint32_t ms) {
  if (!answers_.count(id)) return false;
  host_.SleepWhile(ms, [this, id] { return answers_.count(id) != 0; });
  return !answers_.count(id);
}

}  // namespace vx

// Work done aside: threads of their own, each with its COM apartment,
// taking jobs in JobQueue's order, and the UI thread's end that runs each
// job's answer.
#include <chrono>
#include <thread>

#include "platform/win32/win32.h"

namespace vx::win32 {

namespace {

// Handles every message waiting in this thread's queue.
void DispatchWaiting() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

void JobThreads::MoreThreadsIfNeeded() {
  if (stop || idle > 0 || threads >= JobQueue::kThreads || !queue.Waiting()) return;
  // Detached, so that a look-up hanging on a share cannot hold up the end
  // of the program (the thread keeps the queue alive).
  std::thread(Work, shared_from_this()).detach();
  ++threads;
  ++idle;
}

void JobThreads::Work(std::shared_ptr<JobThreads> self) {
  // SHGetFileInfo and ShellExecuteEx want COM initialised on the thread
  // that calls them: a single-threaded apartment, which needs a message
  // loop even without objects, for the broadcasts that some programs send
  // and wait for (DDE for a file association, an installer's
  // WM_SETTINGCHANGE). So each thread waits for its jobs and its messages
  // alike, and handles the messages between jobs.
  const ScopedComInit com;
  for (;;) {
    JobQueue::Queued job;
    std::vector<JobId> dropped;
    bool found = false;
    {
      std::lock_guard<std::mutex> held(self->lock);
      if (self->stop) {
        SetEvent(self->wake.Get());  // the next thread wakes to its end too
        return;
      }
      found = self->queue.Take(job, dropped);
      if (found) {
        // Another job may start beside this one: an idle thread looks (one
        // wake stands for any number of jobs added), or a new one starts.
        --self->idle;
        self->MoreThreadsIfNeeded();
        SetEvent(self->wake.Get());
      }
      for (JobId id : dropped) PostMessageW(self->answerWnd, Win32Jobs::kAnswerMessage, id, 1);  // dropped unbegun
    }
    if (found) {
      job.asked.work();  // carries its own failure to its answer
      std::lock_guard<std::mutex> held(self->lock);
      if (self->stop) {
        SetEvent(self->wake.Get());
        return;
      }
      self->queue.Finished(job);
      ++self->idle;
      self->endedJobs.insert(job.id);
      self->ended.notify_all();
      PostMessageW(self->answerWnd, Win32Jobs::kAnswerMessage, job.id, 0);
      // A place freed may let a waiting icon start: another thread looks.
      SetEvent(self->wake.Get());
    } else {
      // MWMO_INPUTAVAILABLE: messages already seen but not handled wake it
      // too. Without its event (the system had none to give) it looks
      // again every 50 ms.
      HANDLE wake = self->wake.Get();
      if (self->wake.Valid())
        MsgWaitForMultipleObjectsEx(1, &wake, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      else
        MsgWaitForMultipleObjectsEx(0, nullptr, 50, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    DispatchWaiting();
  }
}

Win32Jobs::Win32Jobs(Win32Platform& host) : host_(host), threads_(std::make_shared<JobThreads>()) {}

Win32Jobs::~Win32Jobs() {
  // Work still aside ends unheard: its `done` goes with the window.
  if (answers_.window) ::DestroyWindow(H(answers_.window));
  std::lock_guard<std::mutex> held(threads_->lock);
  threads_->stop = true;
  threads_->answerWnd = nullptr;
  // Every thread wakes to its end: the auto-reset event wakes one, which
  // sets it again for the next as it goes.
  SetEvent(threads_->wake.Get());
}

JobId Win32Jobs::RunAside(JobSpec asked) {
  if (!answers_.window) {
    WindowSpec desc;
    desc.kind = WindowKind::Utility;
    desc.className = "VorlexAside";
    host_.CreateWindow(desc, &answers_);
  }
  // The answer runs in the hidden window's WndProc, inside its boundary.
  AsideJob job = CarryingFailure(std::move(asked.work), std::move(asked.done));
  asked.work = std::move(job.work);
  std::lock_guard<std::mutex> held(threads_->lock);
  threads_->answerWnd = H(answers_.window);
  const JobId id = threads_->queue.Add(std::move(asked));
  pending_[id] = std::move(job.done);
  threads_->MoreThreadsIfNeeded();
  SetEvent(threads_->wake.Get());
  return id;
}

bool Win32Jobs::Await(JobId id, std::uint32_t ms) {
  if (!pending_.count(id)) return false;
  {
    std::unique_lock<std::mutex> held(threads_->lock);
    if (!threads_->ended.wait_for(held, std::chrono::milliseconds(ms),
                                  [&] { return threads_->endedJobs.count(id) != 0; }))
      return false;
  }
  // Its message, still to come, finds the answer run.
  Answer(id, true);
  return true;
}

void Win32Jobs::Answer(JobId id, bool run) {
  {
    std::lock_guard<std::mutex> held(threads_->lock);
    threads_->endedJobs.erase(id);
  }
  auto it = pending_.find(id);
  if (it == pending_.end()) return;
  const std::function<void()> done = std::move(it->second);
  pending_.erase(it);
  if (run) done();
}

std::intptr_t Win32Jobs::Answers::WndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  if (msg != kAnswerMessage) return DefWindowProcW(H(window), msg, wParam, lParam);
  jobs_.Answer(wParam, lParam == 0);
  return 0;
}

}  // namespace vx::win32

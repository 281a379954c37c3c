#include "gallery/thumb_pool.h"

#include <algorithm>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

namespace glint::gallery {

// Shared by the pool and its detached threads; whoever ends last frees it.
struct ThumbPool::State {
  struct Worker {
    bool busy = false;
    bool abandoned = false;
    std::chrono::steady_clock::time_point started;
    ThumbJob job;
  };

  std::mutex mutex;  // everything below but the result callback
  std::condition_variable jobsChanged;
  std::condition_variable watch;  // wakes the watchdog at the end
  std::uint64_t generation = 0;   // counts wake() calls
  bool stopped = false;
  Next next;
  Work work;
  std::chrono::milliseconds stuckAfter;
  std::list<std::shared_ptr<Worker>> workers;  // the live ones
  int threads = 1;
  // Workers abandoned to a file that does not answer and still waiting on it. Each is replaced
  // up to a bound, so a stalled disk holds a few threads rather than one more every time.
  int abandoned = 0;
  static constexpr int kMaxAbandoned = 16;

  std::mutex doneMutex;  // one result at a time, and none once the pool is gone
  Done done;
};

namespace {

using State = ThumbPool::State;
using Clock = std::chrono::steady_clock;

void deliver(State& s, ThumbResult&& result) {
  std::lock_guard lock(s.doneMutex);
  if (s.done) s.done(std::move(result));
}

Thumb run(State& s, const ThumbJob& job) {
  try {
    return s.work(job);
  } catch (const std::exception& e) {
    Thumb thumb;
    thumb.reason = e.what();
    return thumb;
  }
}

void workerLoop(std::shared_ptr<State> s, std::shared_ptr<State::Worker> self) {
  std::unique_lock lock(s->mutex);
  while (!s->stopped && !self->abandoned) {
    std::optional<ThumbJob> job;
    try {
      job = s->next();
    } catch (...) {
      job.reset();
    }
    if (!job) {
      const std::uint64_t seen = s->generation;
      s->jobsChanged.wait(lock, [&] { return s->stopped || s->generation != seen; });
      continue;
    }
    self->busy = true;
    self->started = Clock::now();
    self->job = *job;
    lock.unlock();
    ThumbResult result{job->id, run(*s, *job)};
    lock.lock();
    self->busy = false;
    if (self->abandoned) {  // told as stuck already; it works on if a place is free
      --s->abandoned;
      if (s->stopped || static_cast<int>(s->workers.size()) >= s->threads) break;
      self->abandoned = false;
      s->workers.push_back(self);
      continue;
    }
    if (s->stopped) break;  // nobody to tell
    lock.unlock();
    deliver(*s, std::move(result));
    lock.lock();
  }
}

void startWorker(const std::shared_ptr<State>& s) {
  auto worker = std::make_shared<State::Worker>();
  s->workers.push_back(worker);
  std::thread(workerLoop, s, worker).detach();
}

// Tells of each job that has run too long, once, and puts a new worker in its worker's place.
void watchdog(std::shared_ptr<State> s) {
  const auto tick =
      std::clamp(s->stuckAfter / 10, std::chrono::milliseconds(1), std::chrono::milliseconds(100));
  std::unique_lock lock(s->mutex);
  while (!s->stopped) {
    s->watch.wait_for(lock, tick);
    if (s->stopped) break;
    std::vector<ThumbJob> stuck;
    for (auto it = s->workers.begin(); it != s->workers.end();) {
      State::Worker& w = **it;
      if (w.busy && Clock::now() - w.started >= s->stuckAfter) {
        w.abandoned = true;
        ++s->abandoned;
        stuck.push_back(w.job);
        it = s->workers.erase(it);
      } else {
        ++it;
      }
    }
    for (std::size_t k = 0; k < stuck.size() && s->abandoned <= State::kMaxAbandoned; ++k)
      startWorker(s);
    if (stuck.empty()) continue;
    lock.unlock();
    for (ThumbJob& job : stuck) {
      Thumb thumb;
      thumb.status = ThumbStatus::Stuck;
      deliver(*s, {job.id, std::move(thumb)});
    }
    lock.lock();
  }
}

}  // namespace

ThumbPool::ThumbPool(Next next, Done done, Options options) : state_(std::make_shared<State>()) {
  const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  threads_ = options.threads > 0 ? std::min(options.threads, cores) : cores;
  if (!options.work)
    options.work = [root = options.root](const ThumbJob& job) {
      return MakeOrLoad(job.request, job.box, root);
    };
  state_->next = std::move(next);
  state_->done = std::move(done);
  state_->work = std::move(options.work);
  state_->stuckAfter = options.stuckAfter;
  state_->threads = threads_;
  std::lock_guard lock(state_->mutex);
  for (int k = 0; k < threads_; ++k) startWorker(state_);
  std::thread(watchdog, state_).detach();
}

ThumbPool::~ThumbPool() {
  Next next;
  Done done;
  {
    std::lock_guard lock(state_->mutex);
    state_->stopped = true;
    next = std::move(state_->next);
    state_->next = nullptr;
  }
  state_->jobsChanged.notify_all();
  state_->watch.notify_all();
  std::lock_guard lock(state_->doneMutex);
  done = std::move(state_->done);
  state_->done = nullptr;
  // `next` and `done` are destroyed here, on the caller's thread, with what they hold.
}

void ThumbPool::wake() {
  {
    std::lock_guard lock(state_->mutex);
    ++state_->generation;
  }
  state_->jobsChanged.notify_all();
}

}  // namespace glint::gallery

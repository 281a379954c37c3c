#pragma once

// Worker threads that make thumbnails off the caller's thread. The caller keeps the order (a
// queue it reorders as the view moves) and hands out one job at a time through `next`; results
// come back on a worker thread, for the caller to carry to its own.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "gallery/thumb_maker.h"

namespace glint::gallery {

struct ThumbJob {
  std::uint64_t id = 0;  // the caller's, handed back with the result
  ThumbRequest request;
  int box = kNormalBox;
};

struct ThumbResult {
  std::uint64_t id = 0;
  Thumb thumb;
};

class ThumbPool {
 public:
  // The next job to make, or nothing for now. Called on a worker thread under the pool's lock,
  // so never twice at once; it must not call back into the pool.
  using Next = std::function<std::optional<ThumbJob>()>;
  // A result, on a worker thread, one at a time; never after the pool is destroyed. It must not
  // wait for the thread that destroys the pool.
  using Done = std::function<void(ThumbResult)>;
  // What a job does (a seam for tests): by default MakeOrLoad into `root`.
  using Work = std::function<Thumb(const ThumbJob&)>;

  struct Options {
    std::string root = ThumbnailRoot();
    int threads = 0;  // 0: one per core; never more than the cores, never fewer than 1
    std::chrono::milliseconds stuckAfter{2000};
    Work work;
  };

  ThumbPool(Next next, Done done, Options options);
  ThumbPool(Next next, Done done) : ThumbPool(std::move(next), std::move(done), Options{}) {}
  // Returns at once: workers are left to finish on their own, and their results are dropped.
  ~ThumbPool();
  ThumbPool(const ThumbPool&) = delete;
  ThumbPool& operator=(const ThumbPool&) = delete;

  // Jobs may be waiting now: idle workers ask `next` again. Call it after changing the queue.
  void wake();

  int threads() const { return threads_; }

  struct State;

 private:
  std::shared_ptr<State> state_;
  int threads_ = 1;
};

}  // namespace glint::gallery

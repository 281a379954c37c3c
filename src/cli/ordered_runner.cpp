#include "cli/ordered_runner.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace glint::cli {
namespace {

Outcome guarded(const std::function<Outcome(std::size_t)>& task, std::size_t index) {
  try {
    return task(index);
  } catch (const std::bad_alloc&) {
    return Outcome{false, "sprconv: out of memory\n"};
  } catch (const std::exception& e) {
    return Outcome{false, std::string("sprconv: ") + e.what() + "\n"};
  }
}

}  // namespace

void RunInOrder(std::size_t count, int threads, const std::function<Outcome(std::size_t)>& task,
                const std::function<void(std::size_t, Outcome&)>& report) {
  const std::size_t workers = std::min(count, static_cast<std::size_t>(std::max(threads, 1)));
  if (workers <= 1) {
    for (std::size_t i = 0; i < count; ++i) {
      Outcome outcome = guarded(task, i);
      report(i, outcome);
    }
    return;
  }

  std::vector<std::optional<Outcome>> done(count);
  std::mutex mutex;
  std::condition_variable ready;
  std::atomic<std::size_t> next{0};
  std::vector<std::jthread> pool;
  pool.reserve(workers);
  for (std::size_t w = 0; w < workers; ++w) {
    pool.emplace_back([&] {
      for (std::size_t i = next++; i < count; i = next++) {
        Outcome outcome = guarded(task, i);
        std::lock_guard lock(mutex);
        done[i] = std::move(outcome);
        ready.notify_all();
      }
    });
  }
  for (std::size_t i = 0; i < count; ++i) {
    Outcome outcome;
    {
      std::unique_lock lock(mutex);
      ready.wait(lock, [&] { return done[i].has_value(); });
      outcome = std::move(*done[i]);
      done[i].reset();
    }
    report(i, outcome);
  }
}

}  // namespace glint::cli

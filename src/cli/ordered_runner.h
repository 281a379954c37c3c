#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace glint::cli {

struct Outcome {
  bool ok = true;
  std::string messages;  // whole lines for stderr
};

// Runs task(0) .. task(count - 1) on up to `threads` threads and hands each outcome to `report`
// on the calling thread in index order, each as soon as it and every one before it are done.
// So what is reported, and in which order, does not depend on the number of threads.
void RunInOrder(std::size_t count, int threads, const std::function<Outcome(std::size_t)>& task,
                const std::function<void(std::size_t, Outcome&)>& report);

}  // namespace glint::cli

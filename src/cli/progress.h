#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

#include "cli/console.h"

namespace glint::cli {

// A one-line progress bar on stderr: files and frames done and the rate. It shows only when
// enabled (stderr is a terminal and not -q); messages are written around it either way.
class Progress {
 public:
  using Clock = std::chrono::steady_clock;

  Progress(Console& console, bool enabled, std::size_t files);
  ~Progress();

  // Safe from any thread.
  void frameDone();
  void fileDone();
  // Writes whole lines to stderr, above the bar.
  void message(std::string_view lines);
  // Draws the final state and ends the line.
  void finish();

  // The bar's text for these counts (no line control characters).
  static std::string Line(std::size_t filesDone, std::size_t files, std::size_t frames,
                          double seconds);

 private:
  void draw(bool force);

  Console& console_;
  const bool enabled_;
  const std::size_t files_;
  std::atomic<std::size_t> filesDone_{0};
  std::atomic<std::size_t> frames_{0};
  std::mutex mutex_;
  Clock::time_point start_;
  Clock::time_point lastDraw_{};
  bool shown_ = false;
  bool finished_ = false;
};

}  // namespace glint::cli

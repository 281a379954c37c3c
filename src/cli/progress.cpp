#include "cli/progress.h"

#include <cstdio>

namespace glint::cli {
namespace {

constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr std::size_t kBarWidth = 24;
constexpr char kClearLine[] = "\r\x1b[K";

}  // namespace

Progress::Progress(Console& console, bool enabled, std::size_t files)
    : console_(console), enabled_(enabled), files_(files), start_(Clock::now()) {}

Progress::~Progress() { finish(); }

std::string Progress::Line(std::size_t filesDone, std::size_t files, std::size_t frames,
                           double seconds) {
  std::size_t filled = files == 0 ? kBarWidth : kBarWidth * filesDone / files;
  std::string line = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] ";
  line += std::to_string(filesDone) + "/" + std::to_string(files) + " files, " +
          std::to_string(frames) + (frames == 1 ? " frame" : " frames");
  if (seconds > 0.0) {
    char rate[32];
    std::snprintf(rate, sizeof rate, ", %.0f frames/s", static_cast<double>(frames) / seconds);
    line += rate;
  }
  return line;
}

void Progress::draw(bool force) {
  auto now = Clock::now();
  if (!force && shown_ && now - lastDraw_ < kRedrawEvery) return;
  lastDraw_ = now;
  shown_ = true;
  double seconds = std::chrono::duration<double>(now - start_).count();
  console_.err(kClearLine + Line(filesDone_, files_, frames_, seconds));
}

void Progress::frameDone() {
  ++frames_;
  if (!enabled_) return;
  std::unique_lock lock(mutex_, std::try_to_lock);  // a busy bar is drawn by whoever holds it
  if (lock.owns_lock() && !finished_) draw(false);
}

void Progress::fileDone() {
  ++filesDone_;
  if (!enabled_) return;
  std::lock_guard lock(mutex_);
  if (!finished_) draw(false);
}

void Progress::message(std::string_view lines) {
  std::lock_guard lock(mutex_);
  if (enabled_ && shown_ && !finished_) console_.err(kClearLine);
  console_.err(lines);
  if (enabled_ && !finished_) draw(true);
}

void Progress::finish() {
  std::lock_guard lock(mutex_);
  if (finished_) return;
  finished_ = true;
  if (!enabled_) return;
  draw(true);
  console_.err("\n");
}

}  // namespace glint::cli

#include "anim/playback.h"

#include <algorithm>

namespace glint::anim {

int SlowerFrameTime(int ms) {
  for (int step : kFrameTimeSteps)
    if (step > ms) return step;
  return std::max(ms, kMaxFrameTime);
}

int FasterFrameTime(int ms) {
  for (auto it = kFrameTimeSteps.rbegin(); it != kFrameTimeSteps.rend(); ++it)
    if (*it < ms) return *it;
  return std::min(ms, kMinFrameTime);
}

Playback::Playback(Clock clock) : clock_(std::move(clock)) {}

void Playback::reset(int count) {
  count_ = std::max(count, 0);
  anchorPosition_ = 0;
  anchorTime_ = clock_();
  playing_ = count_ > 0;
}

void Playback::catchUp() {
  if (!playing_ || count_ == 0) return;
  const std::int64_t now = clock_();
  if (now <= anchorTime_) return;
  const std::int64_t frames = (now - anchorTime_) / frameMicros();
  anchorPosition_ = static_cast<int>((anchorPosition_ + frames) % count_);
  anchorTime_ += frames * frameMicros();
}

int Playback::position() {
  catchUp();
  return anchorPosition_;
}

void Playback::play() {
  if (playing_ || count_ == 0) return;
  playing_ = true;
  anchorTime_ = clock_();  // the frame showing gets its whole time again
}

void Playback::pause() {
  catchUp();
  playing_ = false;
}

void Playback::step(int delta) {
  pause();
  if (count_ == 0) return;
  anchorPosition_ = static_cast<int>(((anchorPosition_ + delta) % count_ + count_) % count_);
}

void Playback::go(int index) {
  if (count_ == 0) return;
  anchorPosition_ = std::clamp(index, 0, count_ - 1);
  anchorTime_ = clock_();
}

void Playback::setFrameTime(int ms) {
  catchUp();
  frameTimeMs_ = std::clamp(ms, kMinFrameTime, kMaxFrameTime);
}

std::int64_t Playback::nextChangeAt() {
  catchUp();
  return anchorTime_ + frameMicros();
}

}  // namespace glint::anim

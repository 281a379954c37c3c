#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace glint::anim {

// Frame times in milliseconds: the spin box's range, and the steps of the slower and faster keys.
inline constexpr int kMinFrameTime = 10;
inline constexpr int kMaxFrameTime = 2000;
inline constexpr int kDefaultFrameTime = 100;
inline constexpr std::array<int, 19> kFrameTimeSteps = {
    10, 20, 30, 40, 50, 60, 80, 100, 120, 150, 200, 250, 300, 400, 500, 750, 1000, 1500, 2000};

// The next step of the list above or below `ms` (which need not be a step); the ends stay.
int SlowerFrameTime(int ms);
int FasterFrameTime(int ms);

// Which of `count` frames shows, by an elapsed clock: frame k of a run started at t0 shows from
// t0 + k x frameTime on, however late the window gets to it, so a slow paint skips frames
// rather than slowing the animation down. Loops.
class Playback {
 public:
  // Microseconds on a clock that never goes back.
  using Clock = std::function<std::int64_t()>;

  explicit Playback(Clock clock);

  // The frames to play: back at the first, playing.
  void reset(int count);
  int count() const { return count_; }
  // The frame showing now (0 when there are none).
  int position();
  bool playing() const { return playing_; }

  void play();
  void pause();
  void togglePlaying() { playing_ ? pause() : play(); }
  // One frame forward or back, wrapping, and pause.
  void step(int delta);
  // Goes to frame `index`; playing goes on from there.
  void go(int index);
  int frameTime() const { return frameTimeMs_; }
  // The frame showing keeps its start: it lasts the new time from when it came up.
  void setFrameTime(int ms);
  // When the next frame is due, on the clock; only while playing.
  std::int64_t nextChangeAt();

 private:
  // Moves the anchor to the start of the frame showing now.
  void catchUp();
  std::int64_t frameMicros() const { return std::int64_t{frameTimeMs_} * 1000; }

  Clock clock_;
  int count_ = 0;
  int frameTimeMs_ = kDefaultFrameTime;
  bool playing_ = false;
  int anchorPosition_ = 0;  // the frame that came up at anchorTime_
  std::int64_t anchorTime_ = 0;
};

}  // namespace glint::anim

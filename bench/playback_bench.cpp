// The animation window as a user sees it, offscreen: the time from opening it to its first
// frame painted for a 100-frame sprite, and how late each frame comes up over 10 s of playback
// at 50 ms a frame, beside a bare timer on the same grid; and the paint of a 1280 x 1024 view of a
// 512 x 512 frame at 16x with a highlight on, and with the palette switched. Prints a Markdown
// section.
//
//   bench_playback [SECONDS] [RUNS]   (defaults 10 and 15)
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "bench_sprites.h"
#include "platform/dialogs_scripted.h"
#include "ui/animation_window.h"

namespace glint {
namespace {

constexpr std::int64_t kFrameMicros = 50'000;

std::int64_t micros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

double millis(std::int64_t micros) { return static_cast<double>(micros) / 1000.0; }

// Every paint of the canvas, with the frame it showed.
struct Paints : QObject {
  explicit Paints(AnimationWindow& w) : window(w) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) seen.push_back({micros(), window.shown().number});
    return false;
  }
  bool framePainted() const {
    return std::any_of(seen.begin(), seen.end(), [](const Paint& p) { return p.frame != 0; });
  }
  struct Paint {
    std::int64_t at;
    int frame;
  };
  AnimationWindow& window;
  std::vector<Paint> seen;
};

struct Lateness {
  double mean = 0, worst = 0;
  int frames = 0, skipped = 0;
};

// The floor: a bare precise timer asked for the same grid the same way, nothing painted.
Lateness BareTimer(int seconds) {
  const std::int64_t start = micros();
  const int ticks = seconds * 20;
  Lateness result;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  QEventLoop loop;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    const double late = millis(micros() - (start + result.frames * kFrameMicros));
    result.mean += late / ticks;
    result.worst = std::max(result.worst, late);
    if (++result.frames == ticks) {
      loop.quit();
      return;
    }
    const std::int64_t wait = start + result.frames * kFrameMicros - micros();
    timer.start(static_cast<int>(std::max<std::int64_t>(0, (wait + 999) / 1000)));
  });
  timer.start(0);
  loop.exec();
  return result;
}

// The window playing 100 frames at 50 ms: frame k of the run is due k x 50 ms after the
// playback started.
Lateness Playback(AnimationHost& host, const std::string& sprite, int seconds) {
  host.frameTimeMs = 50;
  QPointer<AnimationWindow> w = new AnimationWindow(host);
  std::int64_t anchor = -1;
  w->clock = [&] {
    const std::int64_t now = micros();
    if (anchor < 0) anchor = now;  // the first reading is the one the playback starts from
    return now;
  };
  Paints paints(*w);
  w->canvas().installEventFilter(&paints);
  w->show();
  w->setSprite(sprite);
  QEventLoop loop;
  QTimer::singleShot(seconds * 1000 + 500, &loop, &QEventLoop::quit);
  loop.exec();
  delete w;

  Lateness result;
  int last = 0;
  std::int64_t wraps = 0;
  // Every frame due within the time, however late it came; one never painted was skipped.
  for (const Paints::Paint& p : paints.seen) {
    if (p.frame == last || p.frame == 0) continue;
    if (p.frame < last) ++wraps;
    last = p.frame;
    const std::int64_t due = anchor + (wraps * 100 + p.frame - 1) * kFrameMicros;
    if (due >= anchor + seconds * 1'000'000LL) break;
    const double late = millis(p.at - due);
    result.mean += late;
    result.worst = std::max(result.worst, late);
    ++result.frames;
  }
  result.skipped = seconds * 20 - result.frames;
  if (result.frames > 0) result.mean /= result.frames;
  return result;
}

}  // namespace
struct PaintTimes {
  double median = 0, worst = 0;
};

PaintTimes Summary(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times.back()};
}

// A 512 x 512 frame within the stored-length limit: 48 pixels of many indices a row, index 0 on.
std::string WriteLargeFrame(const std::string& path) {
  testing::Bytes pixels(512 * 512, 0);
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 48; ++x)
      pixels[static_cast<std::size_t>(y * 512 + x)] = static_cast<std::uint8_t>(1 + (x + y) % 255);
  return testing::SpriteBuilder().frame(512, 512, pixels).write(path);
}

// The highlight on and the palette panel shown, each paint of a 1280 x 1024 part of the canvas at
// 16x; then each switch between a tried palette and the sprite's own with its paint.
std::pair<PaintTimes, PaintTimes> HighlightPaint(AnimationHost& host, ScriptedDialogs& dialogs,
                                                 const std::string& sprite,
                                                 const std::string& palette, int runs) {
  AnimationWindow w(host);
  w.setSprite(sprite);
  w.show();
  w.togglePlaying();
  w.setZoom(16);
  w.setPaletteShown(true);
  w.pickIndex(7, false);
  w.pickIndex(200, true);
  const QRect view(0, 0, 1280, 1024);
  (void)w.canvas().grab(view);  // the first paint also decodes the frame: painting is timed after
  std::vector<double> paints, switches;
  for (int run = 0; run < runs; ++run) {
    std::int64_t start = micros();
    (void)w.canvas().grab(view);
    paints.push_back(millis(micros() - start));
    dialogs.openAnswers = {palette};
    start = micros();
    if (run % 2 == 0)
      w.loadPalette();
    else
      w.showOwnPalette();
    (void)w.canvas().grab(view);
    switches.push_back(millis(micros() - start));
  }
  return {Summary(paints), Summary(switches)};
}

}  // namespace glint

int main(int argc, char** argv) {
  using namespace glint;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 15;
  const auto folder = std::filesystem::temp_directory_path() / "glint-playback-bench";
  std::filesystem::create_directories(folder);
  const std::string sprite = bench::WriteSprite((folder / "walk.spr").string(), 100);

  ScriptedDialogs dialogs;
  QAction transparent(nullptr);
  AnimationHost host{dialogs, transparent, [] { return false; }, [] { return std::string("/"); }};

  // From View > Animation to the first frame painted.
  std::vector<double> opening;
  for (int run = 0; run < runs; ++run) {
    const std::int64_t start = micros();
    auto* w = new AnimationWindow(host);
    Paints paints(*w);
    w->canvas().installEventFilter(&paints);
    w->setSprite(sprite);
    w->show();
    while (!paints.framePainted())
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    opening.push_back(millis(paints.seen.back().at - start));
    w->canvas().removeEventFilter(&paints);
    delete w;
  }
  std::sort(opening.begin(), opening.end());

  const Lateness bare = BareTimer(seconds);
  const Lateness played = Playback(host, sprite, seconds);
  const auto [highlighted, switched] = HighlightPaint(
      host, dialogs, WriteLargeFrame((folder / "large.spr").string()), sprite, std::max(runs, 15));
  std::filesystem::remove_all(folder);

  std::printf("## Animation window\n\n");
  std::printf(
      "The window on Qt's offscreen platform, playing 100 frames of 100 x 120 at 4x. A frame's\n");
  std::printf(
      "lateness runs from the moment the clock makes it due to the start of its paint.\n\n");
  std::printf("| measurement | result |\n|---|---|\n");
  std::printf("| opening to the first frame painted (median of %d / worst) | %.1f ms / %.1f ms |\n",
              runs, opening[opening.size() / 2], opening.back());
  std::printf("| frames painted in %d s at 50 ms (due: %d) | %d, %d skipped |\n", seconds,
              seconds * 20, played.frames, played.skipped);
  std::printf("| lateness of each frame (mean / worst) | %.2f ms / %.2f ms |\n", played.mean,
              played.worst);
  std::printf(
      "| the floor: a bare precise timer on the same grid (mean / worst) | %.2f ms / %.2f ms |\n",
      bare.mean, bare.worst);
  std::printf(
      "| 1280 x 1024 of a 512 x 512 frame at 16x, highlight on (median / worst; goal 16 ms) | "
      "%.2f ms / %.2f ms |\n",
      highlighted.median, highlighted.worst);
  std::printf(
      "| switching the palette, read and repainted likewise (median / worst; goal 16 ms) | "
      "%.2f ms / %.2f ms |\n",
      switched.median, switched.worst);
  return 0;
}

// The real window, offscreen: LoadSprite of a 100-frame sprite against the same drawing with no
// yield and no status line, and File > Save Multiple of a 600-frame sprite against the
// converter's export function on the same file. Both in process.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>

#include "bench_sprites.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "platform/dialogs_scripted.h"
#include "support/fake_window.h"
#include "ui/form1.h"
#include "viewer/frame_viewer.h"

namespace glint {
namespace {

using Clock = std::chrono::steady_clock;

double millisecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// The longest time the preview went without a paint while a load ran, counting from the start
// of the load to its first paint and from its last paint to the load's end.
class PaintClock : public QObject {
 public:
  void start() {
    running_ = true;
    last_ = Clock::now();
  }
  void stop() {
    longest_ = std::max(longest_, millisecondsBetween(last_, Clock::now()));
    running_ = false;
  }
  void reset() {
    longest_ = 0;
    paints_ = 0;
  }
  double longest() const { return longest_; }
  int paints() const { return paints_; }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (running_ && event->type() == QEvent::Paint) {
      const auto now = Clock::now();
      longest_ = std::max(longest_, millisecondsBetween(last_, now));
      last_ = now;
      ++paints_;
    }
    return false;
  }

 private:
  Clock::time_point last_;
  double longest_ = 0;
  int paints_ = 0;
  bool running_ = false;
};

// The floor's window: the same picture boxes, but nobody watches. No status line, no yield.
class QuietWindow : public testing::FakeWindow {
 public:
  void SetStatusText(std::string) override {}
  void SetStatusTail(const std::string&, std::string_view) override {}
  void Yield() override {}
  bool ShowsProgress() const override { return false; }
};

struct Bench {
  testing::TempDir app, sprites, out;
  ScriptedDialogs dialogs;
  std::string hundred = bench::WriteSprite(sprites.file("hundred.spr"), 100);
  std::string sixHundred = bench::WriteSprite(sprites.file("walk.spr"), 600, 1000);
  Form1 form{{.appPath = app.path(), .spriteFolder = sprites.path(), .dialogs = &dialogs}};
  PaintClock clock;

  Bench() {
    form.show();
    form.findChild<QWidget*>("Picture1")->installEventFilter(&clock);
    QApplication::processEvents();
  }
};

Bench* fixture = nullptr;

void LoadSpriteWindow(benchmark::State& state) {
  Form1& form = fixture->form;
  WindowModel& model = form;  // the controls, as the features see them
  model.SetText1(fixture->hundred);
  form.LoadSprite();  // warm: fonts and caches, as in the floor
  QApplication::processEvents();
  PaintClock& clock = fixture->clock;
  clock.reset();
  for (auto _ : state) {
    clock.start();
    form.LoadSprite();
    clock.stop();
    state.PauseTiming();
    QApplication::processEvents();  // what the event loop does after the handler returns
    state.ResumeTiming();
  }
  if (model.StatusText() != "Decoded 100 pictures in " + fixture->hundred)
    state.SkipWithError("the load did not finish");
  state.counters["longest_gap_ms"] = clock.longest();
  state.counters["paints"] = benchmark::Counter(clock.paints(), benchmark::Counter::kAvgIterations);
}
BENCHMARK(LoadSpriteWindow)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5)
    ->ComputeStatistics("max", [](const std::vector<double>& v) {
      return *std::max_element(v.begin(), v.end());
    });

void LoadSpriteFloorQuiet(benchmark::State& state) {
  QuietWindow quiet;
  quiet.text1 = fixture->hundred;
  FrameViewer viewer(quiet);
  viewer.LoadSprite();
  for (auto _ : state) viewer.LoadSprite();
  if (viewer.drawnBottom() == 0) state.SkipWithError("nothing was drawn");
}
BENCHMARK(LoadSpriteFloorQuiet)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void SaveMultipleWindow(benchmark::State& state) {
  Form1& form = fixture->form;
  WindowModel& model = form;
  model.SetText1(fixture->sixHundred);
  model.SetText2(fixture->out.path());
  for (auto _ : state) {
    state.PauseTiming();
    bench::EmptyFolder(fixture->out.path());
    model.SetStatusText("Decoded 600 pictures in " + fixture->sixHundred);  // as after a load
    state.ResumeTiming();
    form.mnuSaveMult_Click();
  }
  if (fixture->dialogs.messages.empty() ||
      fixture->dialogs.messages.back().prompt != "Decoded 600 images in walk.spr")
    state.SkipWithError("Save Multiple did not finish");
  fixture->dialogs.messages.clear();
  state.SetItemsProcessed(state.iterations() * 600);
}
BENCHMARK(SaveMultipleWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void SaveMultipleFloorConverter(benchmark::State& state) {
  const cli::PlannedInput input{fixture->sixHundred, fixture->out.path(), "walk", {}, false, {}};
  cli::BufferConsole console;
  cli::FolderMaker folders;
  for (auto _ : state) {
    state.PauseTiming();
    bench::EmptyFolder(fixture->out.path());
    state.ResumeTiming();
    cli::Progress progress(console, false, 1);
    cli::ExportSprite(input, cli::ExportSettings{}, folders, progress);
  }
  state.SetItemsProcessed(state.iterations() * 600);
}
BENCHMARK(SaveMultipleFloorConverter)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace
}  // namespace glint

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  auto made = std::make_unique<glint::Bench>();
  glint::fixture = made.get();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  glint::fixture = nullptr;
  return 0;
}

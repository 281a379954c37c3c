// `sprconv thumbnail` as a file manager runs it, one process per file: start to exit, against the
// same program started only to print its version.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/sprite_builder.h"

extern char** environ;

namespace {

// Stored bytes of a width x height frame all index 0, in runs of 255; the last pixel `last`.
glint::testing::Bytes runsOfZeros(int width, int height, std::uint8_t last) {
  glint::testing::Bytes stored;
  for (long left = long{width} * height - (last != 0); left > 0; left -= 255)
    stored.insert(stored.end(), {0, static_cast<std::uint8_t>(std::min(left, 255L))});
  if (last != 0) stored.push_back(last);
  return stored;
}

struct Files {
  glint::testing::TempDir dir;
  std::string sprite = dir.file("walk.spr");
  std::string thumbnail = dir.file("walk.png");
  // The worst a file manager may meet: 16 MB of the largest frames stored data can describe,
  // nothing to show but the last frame's last pixel.
  std::string hidden = dir.file("hidden.spr");

  Files() {
    glint::testing::SpriteBuilder builder;
    for (std::uint32_t k = 1; k <= 8; ++k) builder.patternFrame(120, 120, k);
    builder.write(sprite);
    glint::testing::SpriteBuilder large;
    const glint::testing::Bytes blank = runsOfZeros(kSide, kSide + 1, 0);
    for (int k = 1; k < kHiddenFrames; ++k) large.rawFrame(kSide, kSide + 1, blank);
    large.rawFrame(kSide, kSide + 1, runsOfZeros(kSide, kSide + 1, 5)).write(hidden);
  }

  static constexpr int kSide = 2890, kHiddenFrames = 244;
};

const Files& files() {
  static const Files f;
  return f;
}

// Runs the converter to its end, its output to /dev/null; its exit status.
int sprconv(std::vector<std::string> args) {
  args.insert(args.begin(), GLINT_SPRCONV);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&quiet);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Thumbnail120(benchmark::State& state) {
  const Files& f = files();
  for (auto _ : state)
    if (sprconv({"thumbnail", "-s", "128", f.sprite, f.thumbnail}) != 0)
      state.SkipWithError("sprconv thumbnail failed");
}
BENCHMARK(Thumbnail120)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void ThumbnailLastOf244Large(benchmark::State& state) {
  const Files& f = files();
  for (auto _ : state)
    if (sprconv({"thumbnail", "-s", "128", f.hidden, f.thumbnail}) != 0)
      state.SkipWithError("sprconv thumbnail failed");
}
BENCHMARK(ThumbnailLastOf244Large)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void ThumbnailFloorVersion(benchmark::State& state) {
  for (auto _ : state)
    if (sprconv({"--version"}) != 0) state.SkipWithError("sprconv --version failed");
}
BENCHMARK(ThumbnailFloorVersion)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

}  // namespace

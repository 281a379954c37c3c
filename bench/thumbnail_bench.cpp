// `sprconv thumbnail` as a file manager runs it, one process per file: start to exit, against the
// same program started only to print its version.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "support/sprite_builder.h"

extern char** environ;

namespace {

struct Files {
  glint::testing::TempDir dir;
  std::string sprite = dir.file("walk.spr");
  std::string thumbnail = dir.file("walk.png");

  Files() {
    glint::testing::SpriteBuilder builder;
    for (std::uint32_t k = 1; k <= 8; ++k) builder.patternFrame(120, 120, k);
    builder.write(sprite);
  }
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

void ThumbnailFloorVersion(benchmark::State& state) {
  for (auto _ : state)
    if (sprconv({"--version"}) != 0) state.SkipWithError("sprconv --version failed");
}
BENCHMARK(ThumbnailFloorVersion)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

}  // namespace

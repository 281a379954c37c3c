// The whole `sprconv export` command over a folder of 200 sprites, with -j 2 against -j 1: each
// run starts the program, waits for it and checks that it converted everything.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench_sprites.h"

extern char** environ;

namespace {

constexpr int kSprites = 200;

struct Folder {
  glint::testing::TempDir dir;
  std::string sprites = dir.file("sprites");
  std::string out = dir.file("out");

  Folder() {
    std::filesystem::create_directories(sprites);
    // 4 to 16 frames each, 2,000 frames in all.
    for (int s = 0; s < kSprites; ++s)
      glint::bench::WriteSprite(sprites + "/mob" + std::to_string(s) + ".spr", 4 + s % 13,
                                static_cast<std::uint32_t>(100 * s));
  }
};

const Folder& folder() {
  static const Folder f;
  return f;
}

// Runs the converter to its end; its exit status.
int sprconv(const std::vector<std::string>& args) {
  std::vector<std::string> all{GLINT_SPRCONV};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void SprconvExport(benchmark::State& state) {
  const Folder& f = folder();
  const std::vector<std::string> args{
      "export", f.sprites, "-o", f.out, "-j", std::to_string(state.range(0)), "-q"};
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(f.out);
    state.ResumeTiming();
    if (sprconv(args) != 0) state.SkipWithError("sprconv failed");
  }
}
BENCHMARK(SprconvExport)
    ->ArgName("j")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

}  // namespace

// Exporting every frame of a 600-frame sprite as BMP files through the converter's export
// function (one thread; files are written whole and renamed into place, never synced) against
// writing the same finished bytes into the same names with plain open, write and close.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_sprites.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "image/naming.h"
#include "path/path.h"
#include "platform/atomic_file.h"

namespace {

using glint::testing::Bytes;
constexpr int kFrames = 600;

struct Setup {
  glint::testing::TempDir dir;
  glint::cli::PlannedInput input;
  std::vector<std::string> names;
  std::vector<Bytes> files;

  Setup() {
    const std::string sprite = glint::bench::WriteSprite(dir.file("walk.spr"), kFrames);
    input = glint::cli::PlannedInput{sprite, dir.file("out"), "walk", {}, false, {}};
    std::filesystem::create_directories(input.outFolder);
    exportOnce();
    for (int k = 1; k <= kFrames; ++k) {
      names.push_back(glint::image::FramePath(sprite, input.outFolder, input.name, k, ".bmp"));
      files.push_back(glint::testing::ReadFile(names.back()));
    }
  }

  void exportOnce() const {
    glint::cli::BufferConsole console;
    glint::cli::Progress progress(console, false, 1);
    glint::cli::FolderMaker folders;
    glint::cli::ExportSprite(input, glint::cli::ExportSettings{}, folders, progress);
  }
};

const Setup& setup() {
  static const Setup s;
  return s;
}

void writePlain(const std::string& name, const Bytes& bytes) {
  int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) throw std::runtime_error("cannot open " + name);
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) throw std::runtime_error("cannot write " + name);
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

void ExportBmp600(benchmark::State& state) {
  const Setup& s = setup();
  for (auto _ : state) {
    state.PauseTiming();
    glint::bench::EmptyFolder(s.input.outFolder);
    state.ResumeTiming();
    s.exportOnce();
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(ExportBmp600)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);

void ExportFloorPlainWrites(benchmark::State& state) {
  const Setup& s = setup();
  for (auto _ : state) {
    state.PauseTiming();
    glint::bench::EmptyFolder(s.input.outFolder);
    state.ResumeTiming();
    for (std::size_t k = 0; k < s.names.size(); ++k) writePlain(s.names[k], s.files[k]);
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(ExportFloorPlainWrites)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);

// Not a line of its own: the same finished bytes written whole as the export writes them
// (through its open output folder, a file without a name or under a temporary one, linked or
// renamed in), to show what that alone costs against the floor.
void ExportFloorWholeFileWrites(benchmark::State& state) {
  const Setup& s = setup();
  for (auto _ : state) {
    state.PauseTiming();
    glint::bench::EmptyFolder(s.input.outFolder);
    state.ResumeTiming();
    const glint::Folder folder = glint::Folder::OpenPath(s.input.outFolder);
    for (std::size_t k = 0; k < s.names.size(); ++k) {
      glint::AtomicFile file(folder, std::string(glint::path::FileName(s.names[k])));
      file.write(s.files[k]);
      file.commit();
    }
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(ExportFloorWholeFileWrites)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);

}  // namespace

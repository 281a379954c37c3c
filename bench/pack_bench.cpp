// Writing sprites. `sprconv pack` of a folder of 600 exported PNG frames (in process, from the
// command line on) against reading and decoding the same PNG files with libpng in the plainest
// way and writing the same sprite bytes with open, write, close; and EncodeFrameData against
// DecodeFrameData over the same 16 frames.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_sprites.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "spr/sprite.h"

namespace {

using glint::testing::Bytes;
constexpr int kFrames = 600;

struct Setup {
  glint::testing::TempDir dir;
  std::string sprite = glint::bench::WriteSprite(dir.file("walk.spr"), kFrames);
  std::string frames = dir.file("frames");
  std::string packed = dir.file("packed.spr");
  std::vector<std::string> pngs;
  Bytes packedBytes;

  Setup() {
    if (run({"export", sprite, "-o", frames, "--format", "png", "-j", "1", "-q"}) != 0 ||
        pack() != 0)
      throw std::runtime_error("the export or the pack failed");
    for (int k = 1; k <= kFrames; ++k) {
      char name[32];
      std::snprintf(name, sizeof(name), "/walk_%02d.png", k);
      pngs.push_back(frames + name);
    }
    packedBytes = glint::testing::ReadFile(packed);
  }

  static int run(std::vector<std::string> args) {
    args.insert(args.begin(), "sprconv");
    glint::cli::BufferConsole console;
    return glint::cli::Sprconv(args, console);
  }
  int pack() const { return run({"pack", frames, "-o", packed, "--palette", sprite}); }
};

const Setup& setup() {
  static const Setup s;
  return s;
}

Bytes readPlain(const std::string& name) {
  const int fd = ::open(name.c_str(), O_RDONLY);
  if (fd < 0) throw std::runtime_error("cannot open " + name);
  Bytes bytes(static_cast<std::size_t>(::lseek(fd, 0, SEEK_END)));
  if (::pread(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
    throw std::runtime_error("cannot read " + name);
  ::close(fd);
  return bytes;
}

struct Reading {
  const Bytes* bytes;
  std::size_t at = 0;
};

// libpng's own whole-image read, no transformations.
void decodePlain(const Bytes& file) {
  Reading reading{&file};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) throw std::runtime_error("libpng failed");
  png_set_read_fn(png, &reading, [](png_structp p, png_bytep out, png_size_t n) {
    auto* r = static_cast<Reading*>(png_get_io_ptr(p));
    std::copy_n(r->bytes->data() + r->at, n, out);
    r->at += n;
  });
  png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  benchmark::DoNotOptimize(png_get_rows(png, info));
  png_destroy_read_struct(&png, &info, nullptr);
}

void writePlain(const std::string& name, const Bytes& bytes) {
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    throw std::runtime_error("cannot write " + name);
  ::close(fd);
}

// Each run writes a new file, as a first pack does.
void PackPng600(benchmark::State& state) {
  const Setup& s = setup();
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(s.packed);
    state.ResumeTiming();
    if (s.pack() != 0) state.SkipWithError("pack failed");
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(PackPng600)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);

void PackFloorReadAndWrite(benchmark::State& state) {
  const Setup& s = setup();
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(s.packed);
    state.ResumeTiming();
    for (const std::string& png : s.pngs) decodePlain(readPlain(png));
    writePlain(s.packed, s.packedBytes);
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(PackFloorReadAndWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);

// A sprite of 256 MiB: one frame, bytes no reader reads, the palette. `replace` of its frame
// against copying the file a megabyte at a time, as a plain copy does.
struct LargeSprite {
  glint::testing::TempDir dir;
  std::string sprite = dir.file("large.spr"), frame = dir.file("large_01.png"),
              out = dir.file("out.spr");
  static constexpr std::int64_t kSize = std::int64_t{256} << 20;
  LargeSprite() {
    Bytes bytes = glint::testing::SpriteBuilder().patternFrame(20, 20, 1).build();
    Bytes middle(static_cast<std::size_t>(kSize) - bytes.size());
    for (std::size_t k = 0; k < middle.size(); ++k) middle[k] = static_cast<std::uint8_t>(k * 131);
    bytes.insert(bytes.end() - 1024, middle.begin(), middle.end());
    writePlain(sprite, bytes);
    if (Setup::run({"export", sprite, "-o", dir.path(), "--format", "png"}) != 0)
      throw std::runtime_error("the export failed");
  }
};

const LargeSprite& largeSprite() {
  static const LargeSprite s;
  return s;
}

void ReplaceIn256MiB(benchmark::State& state) {
  const LargeSprite& s = largeSprite();
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(s.out);
    state.ResumeTiming();
    if (Setup::run({"replace", s.sprite, "--frame", "1", s.frame, "-o", s.out}) != 0)
      state.SkipWithError("replace failed");
  }
}
BENCHMARK(ReplaceIn256MiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void ReplaceFloorCopy(benchmark::State& state) {
  const LargeSprite& s = largeSprite();
  Bytes piece(std::size_t{1} << 20);
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(s.out);
    state.ResumeTiming();
    const int in = ::open(s.sprite.c_str(), O_RDONLY);
    const int out = ::open(s.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    for (ssize_t n; (n = ::read(in, piece.data(), piece.size())) > 0;)
      if (::write(out, piece.data(), static_cast<std::size_t>(n)) != n) state.SkipWithError("copy");
    ::close(in);
    ::close(out);
  }
}
BENCHMARK(ReplaceFloorCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// A 16 MB RGBA PNG of noise, cut 64 KiB before its end: `pack` refuses it.
struct BrokenPng {
  glint::testing::TempDir dir;
  std::string png = dir.file("broken_1.png"), out = dir.file("out.spr");
  BrokenPng() {
    constexpr int kSide = 2000;
    Bytes file;
    png_structp write = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(write);
    if (setjmp(png_jmpbuf(write))) throw std::runtime_error("libpng failed");
    png_set_write_fn(
        write, &file,
        [](png_structp p, png_bytep d, png_size_t n) {
          static_cast<Bytes*>(png_get_io_ptr(p))
              ->insert(static_cast<Bytes*>(png_get_io_ptr(p))->end(), d, d + n);
        },
        nullptr);
    png_set_compression_level(write, 1);
    png_set_IHDR(write, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGBA, 0, 0, 0);
    png_write_info(write, info);
    Bytes row(4 * kSide);
    std::uint32_t noise = 1;
    for (int y = 0; y < kSide; ++y) {
      for (auto& b : row)
        b = static_cast<std::uint8_t>((noise = noise * 1664525 + 1013904223) >> 24);
      png_write_row(write, row.data());
    }
    png_write_end(write, info);
    png_destroy_write_struct(&write, &info);
    file.resize(file.size() - (64 << 10));
    writePlain(png, file);
  }
};

void PackBrokenPng16MB(benchmark::State& state) {
  static const BrokenPng s;
  for (auto _ : state)
    if (Setup::run({"pack", s.png, "-o", s.out}) != 1) state.SkipWithError("not refused");
}
BENCHMARK(PackBrokenPng16MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// The 16 frames of the codec benchmark, in turn.
const std::vector<glint::spr::FrameRecord>& records() {
  static const std::vector<glint::spr::FrameRecord> made = [] {
    std::vector<glint::spr::FrameRecord> r;
    for (std::uint32_t k = 1; k <= 16; ++k) {
      glint::spr::FrameRecord record;
      record.width = glint::bench::kFrameWidth;
      record.height = glint::bench::kFrameHeight;
      record.stored = glint::testing::EncodePixels(glint::testing::MakePixels(
          glint::bench::kFrameWidth, glint::bench::kFrameHeight, k, 0.6));
      r.push_back(std::move(record));
    }
    return r;
  }();
  return made;
}

void EncodeFrameData(benchmark::State& state) {
  std::vector<glint::spr::IndexedImage> images;
  for (const auto& record : records()) images.push_back(*glint::spr::DecodeFrameData(record));
  for (auto _ : state)
    for (const auto& image : images) {
      auto stored = glint::spr::EncodeFrameData(image);
      benchmark::DoNotOptimize(stored.data());
    }
  state.SetItemsProcessed(state.iterations() * 16);
}
BENCHMARK(EncodeFrameData)->Unit(benchmark::kMicrosecond);

void EncodeFloorDecode(benchmark::State& state) {
  for (auto _ : state)
    for (const auto& record : records()) {
      auto image = glint::spr::DecodeFrameData(record);
      benchmark::DoNotOptimize(image->pixels.data());
    }
  state.SetItemsProcessed(state.iterations() * 16);
}
BENCHMARK(EncodeFloorDecode)->Unit(benchmark::kMicrosecond);

}  // namespace

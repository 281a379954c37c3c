// DecodeFrameData with no window against copying the same decoded pixels.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench_sprites.h"
#include "spr/sprite.h"

namespace {

using glint::testing::Bytes;

// Several frames in turn, so the branch predictor cannot learn one frame's runs by heart.
constexpr int kFrames = 16;

struct Frames {
  std::vector<glint::spr::FrameRecord> records;
  std::vector<Bytes> images;  // what each decodes to
  std::int64_t imageBytes = 0;
};

const Frames& frames() {
  static const Frames f = [] {
    Frames made;
    for (int k = 0; k < kFrames; ++k) {
      glint::spr::FrameRecord record;
      record.width = glint::bench::kFrameWidth;
      record.height = glint::bench::kFrameHeight;
      record.stored = glint::testing::EncodePixels(
          glint::testing::MakePixels(glint::bench::kFrameWidth, glint::bench::kFrameHeight,
                                     static_cast<std::uint32_t>(k + 1), 0.6));
      made.images.push_back(glint::spr::DecodeFrameData(record)->pixels);
      made.imageBytes += static_cast<std::int64_t>(made.images.back().size());
      made.records.push_back(std::move(record));
    }
    return made;
  }();
  return f;
}

void DecodeFrameData(benchmark::State& state) {
  const Frames& f = frames();
  for (auto _ : state) {
    for (const auto& record : f.records) {
      auto image = glint::spr::DecodeFrameData(record);
      benchmark::DoNotOptimize(image->pixels.data());
    }
  }
  state.SetBytesProcessed(state.iterations() * f.imageBytes);
}
BENCHMARK(DecodeFrameData)->Unit(benchmark::kMicrosecond);

void DecodeFloorMemcpy(benchmark::State& state) {
  const Frames& f = frames();
  std::vector<Bytes> targets;
  for (const Bytes& image : f.images) targets.emplace_back(image.size());
  for (auto _ : state) {
    for (int k = 0; k < kFrames; ++k) {
      std::memcpy(targets[k].data(), f.images[k].data(), f.images[k].size());
      benchmark::DoNotOptimize(targets[k].data());
      benchmark::ClobberMemory();
    }
  }
  state.SetBytesProcessed(state.iterations() * f.imageBytes);
}
BENCHMARK(DecodeFloorMemcpy)->Unit(benchmark::kMicrosecond);

}  // namespace

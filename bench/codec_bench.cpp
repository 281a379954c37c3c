// DecodeFrameData with no window against copying the same pixel blocks.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench_sprites.h"
#include "spr/frame_codec.h"

namespace {

using glint::testing::Bytes;

// Several frames in turn, so the branch predictor cannot learn one frame's runs by heart.
constexpr int kFrames = 16;

struct Frames {
  std::vector<Bytes> stored;
  std::vector<Bytes> blocks;  // what each decodes to
  std::int64_t blockBytes = 0;
};

const Frames& frames() {
  static const Frames f = [] {
    Frames made;
    glint::NoWindow window;
    for (int k = 0; k < kFrames; ++k) {
      made.stored.push_back(glint::testing::EncodePixels(
          glint::testing::MakePixels(glint::bench::kFrameWidth, glint::bench::kFrameHeight,
                                     static_cast<std::uint32_t>(k + 1), 0.6)));
      made.blocks.push_back(
          glint::spr::DecodeFrameData(made.stored.back(), glint::bench::kFrameWidth, window));
      made.blockBytes += static_cast<std::int64_t>(made.blocks.back().size());
    }
    return made;
  }();
  return f;
}

void DecodeFrameData(benchmark::State& state) {
  const Frames& f = frames();
  glint::NoWindow window;
  for (auto _ : state) {
    for (const Bytes& stored : f.stored) {
      auto block = glint::spr::DecodeFrameData(stored, glint::bench::kFrameWidth, window);
      benchmark::DoNotOptimize(block.data());
    }
  }
  state.SetBytesProcessed(state.iterations() * f.blockBytes);
}
BENCHMARK(DecodeFrameData)->Unit(benchmark::kMicrosecond);

void DecodeFloorMemcpy(benchmark::State& state) {
  const Frames& f = frames();
  std::vector<Bytes> targets;
  for (const Bytes& block : f.blocks) targets.emplace_back(block.size());
  for (auto _ : state) {
    for (int k = 0; k < kFrames; ++k) {
      std::memcpy(targets[k].data(), f.blocks[k].data(), f.blocks[k].size());
      benchmark::DoNotOptimize(targets[k].data());
      benchmark::ClobberMemory();
    }
  }
  state.SetBytesProcessed(state.iterations() * f.blockBytes);
}
BENCHMARK(DecodeFloorMemcpy)->Unit(benchmark::kMicrosecond);

}  // namespace

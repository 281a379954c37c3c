// DecodeFrameData with no window against copying the same pixel block.
#include <benchmark/benchmark.h>

#include <cstring>

#include "spr/frame_codec.h"
#include "support/sprite_builder.h"

namespace {

using glint::testing::Bytes;

struct Frame {
  Bytes stored;
  std::size_t blockSize;
};

const Frame& frame() {
  static const Frame f = [] {
    Bytes stored = glint::testing::EncodePixels(glint::testing::MakePixels(100, 120, 7));
    glint::NoWindow window;
    return Frame{stored, glint::spr::DecodeFrameData(stored, 100, window).size()};
  }();
  return f;
}

void DecodeFrameData(benchmark::State& state) {
  glint::NoWindow window;
  for (auto _ : state) {
    auto block = glint::spr::DecodeFrameData(frame().stored, 100, window);
    benchmark::DoNotOptimize(block.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frame().blockSize));
}
BENCHMARK(DecodeFrameData);

void DecodeFloorMemcpy(benchmark::State& state) {
  Bytes source(frame().blockSize, 1);
  Bytes target(frame().blockSize);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), source.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frame().blockSize));
}
BENCHMARK(DecodeFloorMemcpy);

}  // namespace

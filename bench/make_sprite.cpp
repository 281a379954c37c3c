// Writes the benchmarks' sprite to a file, for timing programs from outside:
//   bench_sprite OUT.spr FRAMES [SEED]
#include <cstdio>
#include <string>

#include "bench_sprites.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_sprite OUT.spr FRAMES [SEED]\n");
    return 2;
  }
  const auto seed = argc > 3 ? static_cast<std::uint32_t>(std::stoul(argv[3])) : 1u;
  glint::bench::WriteSprite(argv[1], std::stoi(argv[2]), seed);
  return 0;
}

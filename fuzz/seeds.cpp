// Writes the seed corpora: well-formed sprites of several shapes and each kind of broken file.
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "support/sprite_builder.h"

using glint::testing::Bytes;
using glint::testing::SpriteBuilder;

namespace {

void save(const std::filesystem::path& dir, const std::string& name, const Bytes& bytes) {
  std::filesystem::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

Bytes codecSeed(int width, int height, const Bytes& stored) {
  Bytes out{static_cast<std::uint8_t>(width & 0xFF), static_cast<std::uint8_t>(width >> 8),
            static_cast<std::uint8_t>(height & 0xFF), static_cast<std::uint8_t>(height >> 8)};
  out.insert(out.end(), stored.begin(), stored.end());
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::filesystem::path root(argv[1]);
  const std::vector<std::pair<std::string, Bytes>> sprites = {
      {"three",
       SpriteBuilder().patternFrame(10, 12, 1).patternFrame(3, 5, 2).patternFrame(7, 1, 3).build()},
      {"empty", SpriteBuilder().build()},
      {"short-expansion", SpriteBuilder().rawFrame(5, 2, {7, 7, 0, 3}).build()},
      {"no-size", SpriteBuilder().rawFrame(0, 4, {}).rawFrame(0, 4, {1}).build()},
      {"negative-count", SpriteBuilder().frameCount(0xFFFF).build()},
      {"cut-run", SpriteBuilder().rawFrame(4, 1, {5, 0}).build()},
      {"cut-record", SpriteBuilder().rawFrame(4, 4, {1}, 4000).build()},
      {"huge", SpriteBuilder().rawFrame(32767, 32767, {0, 255, 0, 255}).build()},
      {"gap-trailing",
       SpriteBuilder().patternFrame(6, 6, 4).gap({1, 2, 3}).trailing({9, 9}).build()},
      {"bad-signature", SpriteBuilder().signature({0x53, 0x50, 0x02, 0x01}).build()},
      {"tiny", Bytes(100, 0x53)},
      {"mixed-sizes",
       SpriteBuilder().patternFrame(9, 2, 5).patternFrame(2, 9, 6).patternFrame(1, 1, 7).build()},
      // Seeds stay within the fuzzers' pixel budgets and input lengths (fuzz/run): larger ones
      // would only be skipped or cut.
      {"wide-row", SpriteBuilder().patternFrame(4001, 1, 8).patternFrame(1, 600, 9).build()},
      {"many",
       [] {
         SpriteBuilder b;
         for (int k = 1; k <= 11; ++k) b.patternFrame(k, 12 - k, static_cast<std::uint32_t>(k));
         return b.build();
       }()},
  };
  for (const auto& [name, bytes] : sprites) save(root / "sprite", name, bytes);
  // The image writers take an options byte and a delay byte first; the converter one byte that
  // picks its command.
  for (const auto& [name, bytes] : sprites) {
    Bytes withOptions{0x05, 10};
    withOptions.insert(withOptions.end(), bytes.begin(), bytes.end());
    save(root / "images", name, withOptions);
    for (std::uint8_t command = 0; command < 5; ++command) {
      Bytes withCommand{static_cast<std::uint8_t>(command | 0x18)};
      withCommand.insert(withCommand.end(), bytes.begin(), bytes.end());
      save(root / "sprconv", name + "-" + std::to_string(command), withCommand);
    }
  }

  auto codec = root / "codec";
  save(codec, "rows", codecSeed(3, 2, {1, 2, 3, 4, 5, 6}));
  save(codec, "runs", codecSeed(2, 3, {5, 0, 3, 7}));
  save(codec, "wide", codecSeed(4093, 1, {9, 0, 255, 0, 255, 8}));
  save(codec, "square", codecSeed(60, 60, Bytes(40, 0)));
  save(codec, "zero-width", codecSeed(0, 3, {1}));
  save(codec, "negative", codecSeed(-5, 4, {0, 0}));
  save(codec, "cut-run", codecSeed(4, 4, {1, 2, 0}));
  return 0;
}

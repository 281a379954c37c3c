#pragma once

// Sprite files for the benchmarks, built by code with fixed seeds so every run times the same
// bytes: frames of 100 x 120 of the kind the test builder makes (60 % index 0, in runs).

#include <cstdint>
#include <filesystem>
#include <string>

#include "support/sprite_builder.h"

namespace glint::bench {

inline constexpr int kFrameWidth = 100;
inline constexpr int kFrameHeight = 120;

// Writes a sprite of `frames` pattern frames, frame k seeded with seed + k; returns its path.
inline std::string WriteSprite(const std::string& path, int frames, std::uint32_t seed = 1) {
  testing::SpriteBuilder sprite;
  for (int k = 0; k < frames; ++k)
    sprite.patternFrame(kFrameWidth, kFrameHeight, seed + static_cast<std::uint32_t>(k));
  return sprite.write(path);
}

// Every export starts on an empty output folder, as a first export does. Replacing files that
// exist would also time the file system's flush of each replaced file, which is disk, not code.
inline void EmptyFolder(const std::string& path) {
  std::filesystem::remove_all(path);
  std::filesystem::create_directories(path);
}

}  // namespace glint::bench

#pragma once

// Independent readers for the files the converter writes: libpng's and giflib's own decoders.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace glint::testing {

struct DecodedPng {
  int width = 0, height = 0, colourType = -1, bitDepth = 0;
  std::vector<std::array<std::uint8_t, 3>> palette;
  std::vector<std::uint8_t> alpha;   // the tRNS entries; empty when there is none
  std::vector<std::uint8_t> pixels;  // indices, top row first
  std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};
DecodedPng ReadPng(const std::string& path);

struct DecodedGifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  int delay = -1, disposal = -1, transparent = -1;
  std::vector<std::uint8_t> pixels;
};
struct DecodedGif {
  std::string version;  // "89a"
  int width = 0, height = 0, background = -1;
  std::vector<std::array<std::uint8_t, 3>> colours;  // the global colour table
  bool loopsForever = false;
  std::vector<DecodedGifFrame> frames;
};
DecodedGif ReadGif(const std::string& path);

}  // namespace glint::testing

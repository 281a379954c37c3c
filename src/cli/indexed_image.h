#pragma once

#include <cstdint>
#include <vector>

namespace glint::cli {

// Palette indices, one byte a pixel, top row first and each row left to right.
struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;

  IndexedImage() = default;
  IndexedImage(int w, int h)
      : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}
  const std::uint8_t* row(int y) const {
    return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
  }
  std::uint8_t* row(int y) {
    return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
  }
  std::uint8_t at(int x, int y) const { return row(y)[x]; }
};

}  // namespace glint::cli

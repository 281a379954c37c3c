#pragma once

// Builds sprite files in code, well-formed or broken on purpose, for tests, benchmarks and fuzz
// seeds.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace glint::testing {

using Bytes = std::vector<std::uint8_t>;

// Zero-run encodes pixels (top row first): literals for 1..255, runs of at most 255 for 0.
Bytes EncodePixels(const Bytes& pixels);

// Pixels of the kind the game stores: about `zeroShare` of them index 0, in runs.
Bytes MakePixels(int width, int height, std::uint32_t seed, double zeroShare = 0.6);

// Token streams of every kind the decoder's fast paths treat apart: long and short literal spans,
// runs of 0 to 255, spans across 16-byte pieces and the middle of the data, and a run cut short.
Bytes RandomTokens(std::mt19937& random, std::size_t tokens, double runShare, bool cutShort);

// Palette entry k = (k, 255 - k, k * 7 mod 256, 0x40): every index has its own colour.
std::array<std::uint8_t, 1024> DistinctPalette();

class SpriteBuilder {
 public:
  SpriteBuilder& signature(std::array<std::uint8_t, 4> bytes) { return set(signature_, bytes); }
  // Overrides the stored count (by default the number of frames added).
  SpriteBuilder& frameCount(std::uint16_t stored) { return set(count_, stored); }
  SpriteBuilder& palette(const std::array<std::uint8_t, 1024>& p) { return set(palette_, p); }
  // A frame whose stored bytes encode `pixels`.
  SpriteBuilder& frame(int width, int height, const Bytes& pixels) {
    return rawFrame(width, height, EncodePixels(pixels));
  }
  // A pattern frame made by MakePixels.
  SpriteBuilder& patternFrame(int width, int height, std::uint32_t seed) {
    return frame(width, height, MakePixels(width, height, seed));
  }
  // A frame all in colour `index`; without a size, without data.
  SpriteBuilder& solidFrame(int width, int height, std::uint8_t index) {
    return frame(width, height, Bytes(width > 0 && height > 0 ? width * height : 0, index));
  }
  // A frame record with these exact stored bytes and, optionally, a stored length that lies.
  SpriteBuilder& rawFrame(int width, int height, const Bytes& stored,
                          std::optional<std::uint16_t> storedLength = std::nullopt);
  // Bytes between the last record and the palette, and after the palette.
  SpriteBuilder& gap(Bytes bytes) { return set(gap_, std::move(bytes)); }
  SpriteBuilder& trailing(Bytes bytes) { return set(trailing_, std::move(bytes)); }

  Bytes build() const;
  // Writes the file and returns its path.
  std::string write(const std::string& path) const;

 private:
  template <typename T, typename V>
  SpriteBuilder& set(T& field, V&& value) {
    field = std::forward<V>(value);
    return *this;
  }
  std::array<std::uint8_t, 4> signature_{0x53, 0x50, 0x01, 0x02};
  std::optional<std::uint16_t> count_;
  std::array<std::uint8_t, 1024> palette_ = DistinctPalette();
  Bytes records_;
  int frames_ = 0;
  Bytes gap_, trailing_;
};

// A fresh empty folder under the system's temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

Bytes ReadFile(const std::string& path);
// Writes the file whole and returns its path.
std::string WriteFile(const std::string& path, const Bytes& bytes);

// Every file below `root` (temporaries too), by path relative to it, with its bytes; none when
// `root` does not exist.
std::map<std::string, Bytes> Tree(const std::string& root);
std::vector<std::string> Names(const std::string& root);

}  // namespace glint::testing

#include "support/sprite_builder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace glint::testing {

Bytes EncodePixels(const Bytes& pixels) {
  Bytes out;
  for (std::size_t i = 0; i < pixels.size();) {
    if (pixels[i] != 0) {
      out.push_back(pixels[i++]);
      continue;
    }
    std::size_t run = 0;
    while (i < pixels.size() && pixels[i] == 0 && run < 255) ++i, ++run;
    out.push_back(0);
    out.push_back(static_cast<std::uint8_t>(run));
  }
  return out;
}

Bytes MakePixels(int width, int height, std::uint32_t seed, double zeroShare) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> runLength(1, 12);
  std::uniform_int_distribution<int> colour(1, 255);
  Bytes pixels;
  pixels.reserve(static_cast<std::size_t>(width) * height);
  const std::size_t total = static_cast<std::size_t>(width) * height;
  while (pixels.size() < total) {
    bool zero = unit(random) < zeroShare;
    int run = runLength(random);
    std::uint8_t value = zero ? 0 : static_cast<std::uint8_t>(colour(random));
    for (int k = 0; k < run && pixels.size() < total; ++k) pixels.push_back(value);
  }
  return pixels;
}

std::array<std::uint8_t, 1024> DistinctPalette() {
  std::array<std::uint8_t, 1024> p{};
  for (int k = 0; k < 256; ++k) {
    p[4 * k] = static_cast<std::uint8_t>(k);
    p[4 * k + 1] = static_cast<std::uint8_t>(255 - k);
    p[4 * k + 2] = static_cast<std::uint8_t>((k * 7) % 256);
    p[4 * k + 3] = 0x40;
  }
  return p;
}

SpriteBuilder::SpriteBuilder() : signature_{0x53, 0x50, 0x01, 0x02}, palette_(DistinctPalette()) {}

SpriteBuilder& SpriteBuilder::signature(std::array<std::uint8_t, 4> bytes) {
  signature_ = bytes;
  return *this;
}

SpriteBuilder& SpriteBuilder::frameCount(std::uint16_t stored) {
  count_ = stored;
  return *this;
}

SpriteBuilder& SpriteBuilder::palette(const std::array<std::uint8_t, 1024>& palette) {
  palette_ = palette;
  return *this;
}

SpriteBuilder& SpriteBuilder::frame(int width, int height, const Bytes& pixels) {
  return rawFrame(width, height, EncodePixels(pixels));
}

SpriteBuilder& SpriteBuilder::patternFrame(int width, int height, std::uint32_t seed) {
  return frame(width, height, MakePixels(width, height, seed));
}

SpriteBuilder& SpriteBuilder::solidFrame(int width, int height, std::uint8_t index) {
  const bool sized = width > 0 && height > 0;
  return frame(width, height, Bytes(sized ? static_cast<std::size_t>(width * height) : 0, index));
}

SpriteBuilder& SpriteBuilder::rawFrame(int width, int height, const Bytes& stored,
                                       std::optional<std::uint16_t> storedLength) {
  auto put16 = [this](int v) {
    records_.push_back(static_cast<std::uint8_t>(v & 0xFF));
    records_.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
  };
  put16(width);
  put16(height);
  put16(storedLength ? *storedLength : static_cast<int>(stored.size()));
  records_.insert(records_.end(), stored.begin(), stored.end());
  ++frames_;
  return *this;
}

SpriteBuilder& SpriteBuilder::gap(Bytes bytes) {
  gap_ = std::move(bytes);
  return *this;
}

SpriteBuilder& SpriteBuilder::trailing(Bytes bytes) {
  trailing_ = std::move(bytes);
  return *this;
}

Bytes SpriteBuilder::build() const {
  Bytes out(signature_.begin(), signature_.end());
  std::uint16_t count = count_ ? *count_ : static_cast<std::uint16_t>(frames_);
  out.push_back(static_cast<std::uint8_t>(count & 0xFF));
  out.push_back(static_cast<std::uint8_t>(count >> 8));
  out.push_back(0);
  out.push_back(0);
  out.insert(out.end(), records_.begin(), records_.end());
  out.insert(out.end(), gap_.begin(), gap_.end());
  out.insert(out.end(), palette_.begin(), palette_.end());
  out.insert(out.end(), trailing_.begin(), trailing_.end());
  return out;
}

std::string SpriteBuilder::write(const std::string& path) const { return WriteFile(path, build()); }

std::string WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "glint-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
  // A tree deeper than the path limit is left to a tool that walks relative to its folders.
  if (std::filesystem::exists(path_, ec)) {
    [[maybe_unused]] const int status = std::system(("rm -rf '" + path_ + "'").c_str());
  }
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::map<std::string, Bytes> Tree(const std::string& root) {
  std::map<std::string, Bytes> files;
  std::error_code missing;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root, missing))
    if (!entry.is_directory())
      files[std::filesystem::relative(entry.path(), root).string()] =
          ReadFile(entry.path().string());
  return files;
}

std::vector<std::string> Names(const std::string& root) {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : Tree(root)) names.push_back(name);
  return names;
}

}  // namespace glint::testing

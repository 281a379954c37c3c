#include "support/sprite_builder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace glint::testing {

using Byte = std::uint8_t;

Bytes RandomTokens(std::mt19937& random, std::size_t tokens, double runShare, bool cutShort) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> literal(1, 255), count(0, 255), shortCount(0, 20);
  Bytes stored;
  for (std::size_t t = 0; t < tokens; ++t) {
    if (unit(random) >= runShare) {
      stored.push_back(static_cast<std::uint8_t>(literal(random)));
    } else {
      stored.push_back(0);
      stored.push_back(std::uint8_t(unit(random) < 0.5 ? shortCount(random) : count(random)));
    }
  }
  if (cutShort) stored.push_back(0);
  return stored;
}

Bytes EncodePixels(const Bytes& pixels) {
  Bytes out;
  for (std::size_t i = 0; i < pixels.size();) {
    if (pixels[i] != 0) {
      out.push_back(pixels[i++]);
      continue;
    }
    std::size_t run = 0;
    while (i < pixels.size() && pixels[i] == 0 && run < 255) ++i, ++run;
    out.insert(out.end(), {0, Byte(run)});
  }
  return out;
}

Bytes MakePixels(int width, int height, std::uint32_t seed, double zeroShare) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> runLength(1, 12), colour(1, 255);
  Bytes pixels;
  const std::size_t total = static_cast<std::size_t>(width) * height;
  while (pixels.size() < total) {
    const bool zero = unit(random) < zeroShare;
    const int run = runLength(random);
    const Byte value = zero ? 0 : Byte(colour(random));
    pixels.resize(std::min(total, pixels.size() + run), value);
  }
  return pixels;
}

std::array<std::uint8_t, 1024> DistinctPalette() {
  std::array<std::uint8_t, 1024> p{};
  for (int k = 0; k < 256; ++k)
    for (int c = 0; c < 4; ++c)
      p[4 * k + c] = Byte(c == 0 ? k : c == 1 ? 255 - k : c == 2 ? k * 7 : 0x40);
  return p;
}

SpriteBuilder& SpriteBuilder::rawFrame(int width, int height, const Bytes& stored,
                                       std::optional<std::uint16_t> storedLength) {
  const int length = storedLength ? *storedLength : static_cast<int>(stored.size());
  for (int v : {width, height, length}) records_.insert(records_.end(), {Byte(v), Byte(v >> 8)});
  records_.insert(records_.end(), stored.begin(), stored.end());
  ++frames_;
  return *this;
}

Bytes SpriteBuilder::build() const {
  Bytes out(signature_.begin(), signature_.end());
  const int count = count_ ? *count_ : frames_;
  out.insert(out.end(), {Byte(count), Byte(count >> 8), 0, 0});
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
  std::random_device seed;
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; path_.empty(); ++attempt) {
    if (attempt == 100) throw std::runtime_error("no temporary folder in " + base.string());
    const std::filesystem::path tried = base / ("glint-test-" + std::to_string(seed()));
    if (!std::filesystem::create_directory(tried)) continue;
    std::filesystem::permissions(tried, std::filesystem::perms::owner_all);  // this user's alone
    path_ = tried.generic_string();
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
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
      files[std::filesystem::relative(entry.path(), root).generic_string()] =
          ReadFile(entry.path().string());
  return files;
}

std::vector<std::string> Names(const std::string& root) {
  std::vector<std::string> names;
  for (const auto& file : Tree(root)) names.push_back(file.first);
  return names;
}

}  // namespace glint::testing

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace glint::cli {

struct FrameInfo {
  int width = 0;
  int height = 0;
  int storedLength = 0;
};

// What a sprite file holds, as far as it could be read.
struct SpriteInfo {
  std::string file;
  std::optional<int> frames;     // the count, once read
  std::vector<FrameInfo> sizes;  // the records read, in order
  std::string error;             // empty for a sound file
};

// Reads every record and checks its stored bytes without expanding them (linear in the file's
// size), so that a file the converter would reject says why.
SpriteInfo ReadSpriteInfo(const std::string& path);

// For people: the count, then one line per frame.
std::string InfoText(const SpriteInfo& info);
// For scripts: one JSON object on one line, with "file", "frames", "sizes" ([width, height]
// pairs), "stored" (the stored lengths) and, for a broken file, "error".
std::string InfoJson(const SpriteInfo& info);

// A JSON string literal; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(std::string_view text);

}  // namespace glint::cli

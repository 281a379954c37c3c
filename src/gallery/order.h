#pragma once

// The orders the gallery shows its sprites in.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gallery/sprite_list.h"

namespace glint::gallery {

// Natural order: runs of digits compare as numbers ("walk_2" before "walk_10"; of equal values
// the shorter run first), other characters without regard to ASCII letter case; names equal so
// far compare byte by byte, so no two different names are equivalent.
bool NaturalLess(std::string_view a, std::string_view b);

// What reading a sprite tells of it.
struct SpriteDetails {
  int frames = 0;
  int largestWidth = 0, largestHeight = 0;
  std::string reason = {};  // non-empty: broken, as the converter says it
  bool blank = false;       // no visible pixel
};

enum class SortKey { Name, Frames, Largest, Size, Date };

// The indices of `entries` in the order of `key`, ascending, ties by natural name. Frames and
// Largest (by area, then width) need the details: `details[i]` is entry i's, and entries whose
// details are not known yet come last.
std::vector<int> SortOrder(const std::vector<SpriteEntry>& entries,
                           const std::vector<std::optional<SpriteDetails>>& details, SortKey key);

}  // namespace glint::gallery

#pragma once

// The gallery's filter box: which names it shows, and how many.

#include <string>
#include <string_view>
#include <vector>

#include "gallery/sprite_list.h"

namespace glint::gallery {

// Matches the text anywhere in a name, letter case ignored, `*` standing for any run of
// characters and `?` for one; an empty text matches every name.
class NameFilter {
 public:
  explicit NameFilter(std::string_view text);
  bool matches(std::string_view name) const;
  bool empty() const { return empty_; }

 private:
  std::string pattern_;
  bool empty_;
};

// The indices of `order` whose entries' names `filter` matches, in that order.
std::vector<int> Filtered(const std::vector<int>& order, const std::vector<SpriteEntry>& entries,
                          const NameFilter& filter);

// "312 of 3,000 sprites": how many are shown of how many listed.
std::string ShownText(int shown, int total);

}  // namespace glint::gallery

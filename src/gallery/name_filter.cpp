#include "gallery/name_filter.h"

#include "platform/dir_listing.h"

namespace glint::gallery {
namespace {

std::string thousands(int n) {
  std::string digits = std::to_string(n);
  const std::size_t first = digits[0] == '-' ? 1 : 0;
  for (std::size_t at = digits.size(); at > first + 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

}  // namespace

// The listing's own matching, with the text free to sit anywhere in the name.
NameFilter::NameFilter(std::string_view text)
    : pattern_("*" + std::string(text) + "*"), empty_(text.empty()) {}

bool NameFilter::matches(std::string_view name) const {
  return empty_ || MatchesPattern(std::string(name), pattern_);
}

std::vector<int> Filtered(const std::vector<int>& order, const std::vector<SpriteEntry>& entries,
                          const NameFilter& filter) {
  if (filter.empty()) return order;
  std::vector<int> shown;
  for (int i : order) {
    if (filter.matches(entries[i].name)) shown.push_back(i);
  }
  return shown;
}

std::string ShownText(int shown, int total) {
  return thousands(shown) + " of " + thousands(total) + (total == 1 ? " sprite" : " sprites");
}

}  // namespace glint::gallery

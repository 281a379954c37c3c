#include "gallery/order.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <tuple>

namespace glint::gallery {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
unsigned char fold(char c) {
  return static_cast<unsigned char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
}

// -1, 0 or 1 as the natural order places a before b.
int naturalCompare(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      const std::size_t runA = i, runB = j;
      while (i < a.size() && isDigit(a[i])) ++i;
      while (j < b.size() && isDigit(b[j])) ++j;
      std::string_view x = a.substr(runA, i - runA), y = b.substr(runB, j - runB);
      const std::size_t lengthX = x.size(), lengthY = y.size();
      // Compared as text without their leading zeros, runs of any length keep their value.
      x.remove_prefix(std::min(x.find_first_not_of('0'), x.size()));
      y.remove_prefix(std::min(y.find_first_not_of('0'), y.size()));
      if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
      if (const int c = x.compare(y); c != 0) return c < 0 ? -1 : 1;
      if (lengthX != lengthY) return lengthX < lengthY ? -1 : 1;
      continue;
    }
    if (fold(a[i]) != fold(b[j])) return fold(a[i]) < fold(b[j]) ? -1 : 1;
    ++i, ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace

bool NaturalLess(std::string_view a, std::string_view b) {
  const int c = naturalCompare(a, b);
  return c != 0 ? c < 0 : a < b;
}

std::vector<int> SortOrder(const std::vector<SpriteEntry>& entries,
                           const std::vector<std::optional<SpriteDetails>>& details, SortKey key) {
  std::vector<int> order(entries.size());
  std::iota(order.begin(), order.end(), 0);
  const auto known = [&](int i) {
    return static_cast<std::size_t>(i) < details.size() && details[i].has_value();
  };
  // The key of an entry, compared before its name; unknown details rank after every known one.
  const auto rank = [&](int i) -> std::tuple<bool, std::int64_t, std::int64_t> {
    const SpriteEntry& e = entries[i];
    switch (key) {
      case SortKey::Name:
        return {false, 0, 0};
      case SortKey::Size:
        return {false, e.size, 0};
      case SortKey::Date:
        return {false, e.mtime, 0};
      case SortKey::Frames:
        if (!known(i)) return {true, 0, 0};
        return {false, details[i]->frames, 0};
      case SortKey::Largest:
        if (!known(i)) return {true, 0, 0};
        return {false,
                std::int64_t{details[i]->largestWidth} * std::int64_t{details[i]->largestHeight},
                details[i]->largestWidth};
    }
    return {false, 0, 0};
  };
  std::sort(order.begin(), order.end(), [&](int a, int b) {
    const auto ra = rank(a), rb = rank(b);
    if (ra != rb) return ra < rb;
    if (entries[a].name != entries[b].name) return NaturalLess(entries[a].name, entries[b].name);
    return a < b;
  });
  return order;
}

}  // namespace glint::gallery

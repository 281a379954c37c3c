#include "gallery/thumb_memory.h"

#include <iterator>

namespace glint::gallery {

void ThumbMemory::add(int cell, std::size_t bytes) {
  auto [it, added] = cells_.try_emplace(cell, bytes);
  if (!added) {
    total_ -= it->second;
    it->second = bytes;
  }
  total_ += bytes;
}

void ThumbMemory::remove(int cell) {
  if (auto it = cells_.find(cell); it != cells_.end()) {
    total_ -= it->second;
    cells_.erase(it);
  }
}

void ThumbMemory::clear() {
  cells_.clear();
  total_ = 0;
}

std::vector<int> ThumbMemory::evict(int viewFirst, int viewLast) {
  const auto distance = [&](int cell) -> long long {
    if (cell < viewFirst) return static_cast<long long>(viewFirst) - cell;
    if (cell > viewLast) return static_cast<long long>(cell) - viewLast;
    return 0;
  };
  std::vector<int> dropped;
  // The farthest cell is always at one end of the held ones; above goes first at equal distance,
  // as the queue makes below first.
  while (total_ > budget_ && !cells_.empty()) {
    auto low = cells_.begin(), high = std::prev(cells_.end());
    auto far = distance(low->first) >= distance(high->first) ? low : high;
    if (distance(far->first) == 0) break;
    dropped.push_back(far->first);
    total_ -= far->second;
    cells_.erase(far);
  }
  return dropped;
}

}  // namespace glint::gallery

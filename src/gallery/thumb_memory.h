#pragma once

// The bound on the thumbnails held decoded in memory: cells far from the view are dropped and
// read back from the cache when they come near again.

#include <cstddef>
#include <map>
#include <vector>

namespace glint::gallery {

class ThumbMemory {
 public:
  explicit ThumbMemory(std::size_t budgetBytes = std::size_t{128} << 20) : budget_(budgetBytes) {}

  // The cell holds an image of `bytes` (replacing what it held).
  void add(int cell, std::size_t bytes);
  void remove(int cell);
  void clear();
  // The cells to drop, farthest from the view (inclusive) first, until the total is within the
  // budget; they are no longer counted. Cells in view are never dropped, so a view that alone
  // exceeds the budget keeps it exceeded: an empty cell in view would be made again at once.
  std::vector<int> evict(int viewFirst, int viewLast);

  std::size_t total() const { return total_; }
  std::size_t budget() const { return budget_; }
  bool holds(int cell) const { return cells_.count(cell) != 0; }

 private:
  std::size_t budget_;
  std::size_t total_ = 0;
  std::map<int, std::size_t> cells_;
};

}  // namespace glint::gallery

#pragma once

// The order thumbnails are made in: the cells in view first, then the rest of the folder by
// distance from the view, so that every cell is made in the end.

#include <optional>
#include <set>

namespace glint::gallery {

// Cells are positions 0..count-1 in the order shown. A cell handed out by next() or marked done
// is not handed out again unless requeued.
class ThumbQueue {
 public:
  explicit ThumbQueue(int count = 0) { reset(count); }

  // A new listing or order: every cell waits again, and the view is empty.
  void reset(int count);
  // The cells in view, inclusive; those still waiting go first again. An empty view
  // (last < first) counts distances from `first`.
  void setView(int first, int last);
  // The next cell to make: the view's in order, then the nearest to it, below before above at
  // equal distance; none when no cell waits.
  std::optional<int> next();
  // The cell is made, by whatever means: it is not handed out again until requeued.
  void done(int cell);
  // The cell must be made again (changed on disk, or given up by its worker).
  void requeue(int cell);

  int count() const { return count_; }
  int waiting() const { return static_cast<int>(waiting_.size()); }

 private:
  int count_ = 0;
  int first_ = 0, last_ = -1;
  std::set<int> waiting_;
};

}  // namespace glint::gallery

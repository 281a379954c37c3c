#include "gallery/thumb_queue.h"

#include <algorithm>

namespace glint::gallery {

void ThumbQueue::reset(int count) {
  count_ = std::max(count, 0);
  first_ = 0, last_ = -1;
  waiting_.clear();
  for (int cell = 0; cell < count_; ++cell) waiting_.insert(waiting_.end(), cell);
}

void ThumbQueue::setView(int first, int last) {
  first_ = std::clamp(first, 0, count_);
  last_ = std::clamp(last, -1, count_ - 1);
  if (last_ < first_) last_ = first_ - 1;
}

std::optional<int> ThumbQueue::next() {
  if (waiting_.empty()) return std::nullopt;
  // Distances inside the view are zero or less, so the view's cells go first, in order.
  auto below = waiting_.lower_bound(first_);
  if (below != waiting_.begin()) {
    const auto above = std::prev(below);
    if (below == waiting_.end() || first_ - *above < *below - last_) below = above;
  }
  const int cell = *below;
  waiting_.erase(below);
  return cell;
}

void ThumbQueue::done(int cell) { waiting_.erase(cell); }

void ThumbQueue::requeue(int cell) {
  if (cell >= 0 && cell < count_) waiting_.insert(cell);
}

}  // namespace glint::gallery

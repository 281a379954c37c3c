#include "anim/frame_cache.h"

namespace glint::anim {

FrameCache::FrameCache(Decode decode, std::size_t budget)
    : decode_(std::move(decode)), budget_(budget) {}

std::shared_ptr<const spr::IndexedImage> FrameCache::get(std::size_t i) {
  if (auto found = frames_.find(i); found != frames_.end()) {
    order_.splice(order_.begin(), order_, found->second);
    return found->second->frame;
  }
  auto frame = std::make_shared<const spr::IndexedImage>(decode_(i));
  const std::size_t size = frame->pixels.size();
  while (!order_.empty() && bytes_ + size > budget_) {
    bytes_ -= order_.back().frame->pixels.size();
    frames_.erase(order_.back().index);
    order_.pop_back();
  }
  if (size <= budget_) {
    order_.push_front({i, frame});
    frames_[i] = order_.begin();
    bytes_ += size;
  }
  return frame;
}

void FrameCache::clear() {
  order_.clear();
  frames_.clear();
  bytes_ = 0;
}

}  // namespace glint::anim

#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <unordered_map>

#include "spr/sprite.h"

namespace glint::anim {

// Decoded frames kept for playback, at most `budget` bytes of pixels: a frame decoded again costs
// far less than holding every frame of a long sprite. The frame used longest ago goes first; a
// frame handed out stays valid for as long as its holder keeps it.
class FrameCache {
 public:
  static constexpr std::size_t kDefaultBudget = std::size_t{256} << 20;
  using Decode = std::function<spr::IndexedImage(std::size_t)>;

  explicit FrameCache(Decode decode, std::size_t budget = kDefaultBudget);

  // Frame i, decoded when it is not kept; the decoder's exceptions pass through.
  std::shared_ptr<const spr::IndexedImage> get(std::size_t i);
  void clear();

  std::size_t bytes() const { return bytes_; }
  std::size_t size() const { return frames_.size(); }

 private:
  struct Entry {
    std::size_t index;
    std::shared_ptr<const spr::IndexedImage> frame;
  };

  Decode decode_;
  std::size_t budget_;
  std::size_t bytes_ = 0;
  std::list<Entry> order_;  // most recently used first
  std::unordered_map<std::size_t, std::list<Entry>::iterator> frames_;
};

}  // namespace glint::anim

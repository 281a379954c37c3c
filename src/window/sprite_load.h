#pragma once

// The one way the window's commands read a sprite: the viewer and both save commands.

#include <cstdint>
#include <exception>
#include <optional>

#include "platform/status.h"
#include "spr/sprite.h"

namespace glint {

// A sprite on file channel 1, which the caller opens and closes (so a load that finds the channel
// taken ends as the caller decides), read through the one reader: palette, count, then frames,
// each decode shown on the status line between the window's yields. Faults are spr::Fault.
class WindowSprite {
 public:
  // Reads the palette, the signature and the count.
  WindowSprite(spr::ByteSource& file, StatusAndYield& window);

  const spr::Palette& palette() const { return palette_; }
  int count() const { return count_; }
  // The next frame record.
  spr::FrameRecord readFrame() { return reader_.readFrame(); }
  // The frame's pixels, or nothing for a frame without pixels. Meanwhile the status line ends in
  // " (This bitmap p%)" after the text it holds now, and the window yields after every token that
  // ends on a seventh stored byte.
  std::optional<spr::IndexedImage> decode(const spr::FrameRecord& record);

 private:
  spr::SprReader reader_;
  StatusAndYield& window_;
  spr::Palette palette_{};
  int count_ = 0;
};

// The error number the window reports for a failure of a load: a fault of the file, a failure of
// the file channels, or running out of memory.
int WindowErrorNumber(std::exception_ptr failure);

}  // namespace glint

#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <span>

#include "cli/indexed_image.h"
#include "spr/spr_file.h"

struct GifFileType;

namespace glint::cli {

// A delay in milliseconds as GIF hundredths of a second: the nearest, at least 1.
int DelayHundredths(int milliseconds);

// An animated GIF89a that loops forever: a canvas of the given size, the palette as the global
// colour table, and one image per frame, each shown `delay` hundredths of a second and disposed
// to the background before the next. Bytes go to `sink` as they are made.
class GifWriter {
 public:
  using Sink = std::function<void(std::span<const std::uint8_t>)>;

  GifWriter(Sink sink, int width, int height, const spr::Palette& palette, int delay,
            bool transparent);
  ~GifWriter();
  GifWriter(const GifWriter&) = delete;
  GifWriter& operator=(const GifWriter&) = delete;

  // One frame at (left, top) on the canvas.
  void addFrame(const IndexedImage& frame, int left, int top);
  // Writes the trailer. Without it the destructor discards the file.
  void finish();

 private:
  void start(int width, int height, const spr::Palette& palette);
  void discard();
  static int output(GifFileType* gif, const std::uint8_t* bytes, int length);
  [[noreturn]] void fail(int code);

  Sink sink_;
  GifFileType* gif_ = nullptr;
  int delay_;
  bool transparent_;
  bool discarding_ = false;
  std::exception_ptr sinkError_;
};

}  // namespace glint::cli

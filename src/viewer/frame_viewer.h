#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "viewer/sheet_placement.h"
#include "window/window_model.h"

namespace glint {
namespace spr {
class ByteSource;
}

// Loads the sprite named in the path box onto the frame sheet and scrolls the preview over it.
//
// The sheet keeps every frame drawn: it grows to the bottom of the lowest row (and to the right
// edge of a frame wider than the preview), up to kMaxSheetPixels. Frames beyond that bound are
// decoded but not drawn, and the summary says how many were left out:
//   Decoded 5000 pictures in /sprites/a.spr (212 left out: the sheet is full)
class FrameViewer {
 public:
  // 256 MiB of 32-bit pixels.
  static constexpr std::int64_t kMaxSheetPixels = std::int64_t{64} << 20;

  explicit FrameViewer(WindowModel& window, std::int64_t maxSheetPixels = kMaxSheetPixels)
      : window_(window), maxSheetPixels_(maxSheetPixels) {}

  // Loads the sprite named in the path box, all frames or the first as Check1 says.
  void LoadSprite();
  // The file opened is the one every message names, whatever the path box says later. Frame
  // numbers follow Check2 as each frame is drawn.
  void Load(const std::string& path, bool allFrames);
  void VScroll1_Change();
  void VScroll1_Scroll();
  // The size the window's layout gives the sheet, in twips. A sheet that holds frames
  // is never made smaller than the frames on it.
  void ApplySheetLayout(int widthTwips, int heightTwips);
  // The preview changed size: the scroll range and the preview follow.
  void PreviewResized();

  // The bottom of the lowest frame and the right edge of the rightmost one on the sheet, pixels.
  std::int64_t drawnBottom() const { return placement_.bottom(); }
  std::int64_t drawnRight() const { return placement_.right(); }
  // Frames of the last load that did not fit within the bound.
  int framesLeftOut() const { return leftOut_; }
  // The file of the last load that ended without a message, as an absolute path; empty before.
  const std::string& lastLoaded() const { return lastLoaded_; }
  // Called after each such load with its file.
  std::function<void(const std::string&)> onLoaded;

 private:
  // Steps from the palette to the scroll range; raises on any failure.
  void drawSprite(spr::ByteSource& file, bool allFrames);
  void fail(int number, const std::string& path);
  // The sheet's size in pixels, and making it at least this large within the bound.
  gdi::BITMAP sheetBitmap() const;
  bool growSheet(std::int64_t width, std::int64_t height);
  void setSheetPixels(std::int64_t width, std::int64_t height);
  double previewWidth() const;
  double previewHeight() const;
  void refreshPreviewTop();

  WindowModel& window_;
  const std::int64_t maxSheetPixels_;
  SheetPlacement placement_;
  int frameCount_ = 0;
  int leftOut_ = 0;
  // The last load ran to its end: its scroll range follows the preview's size.
  bool loaded_ = false;
  std::string lastLoaded_;
};

}  // namespace glint

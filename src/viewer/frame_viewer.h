#pragma once

#include "ui/window_model.h"

namespace glint {

// Loads the sprite named in the path box onto the frame sheet and scrolls the preview over it.
class FrameViewer {
 public:
  explicit FrameViewer(WindowModel& window) : window_(window) {}

  void LoadSprite();
  void VScroll1_Change();
  void VScroll1_Scroll();
  // The layout's size for the sheet (its steps 10 and 11), in twips.
  void ApplySheetLayout(int widthTwips, int heightTwips);
  // The preview changed size: the scroll range and the preview follow.
  void PreviewResized();

 private:
  WindowModel& window_;
};

}  // namespace glint

#include "viewer/frame_viewer.h"

namespace glint {

void FrameViewer::LoadSprite() {}
void FrameViewer::VScroll1_Change() {}
void FrameViewer::VScroll1_Scroll() { VScroll1_Change(); }
void FrameViewer::ApplySheetLayout(int widthTwips, int heightTwips) {
  window_.Picture2().SetHeight(heightTwips);
  window_.Picture2().SetWidth(widthTwips);
}
void FrameViewer::PreviewResized() {}

}  // namespace glint

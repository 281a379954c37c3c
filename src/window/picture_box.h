#pragma once

#include <functional>

#include "window/window_model.h"

namespace glint {

// A picture box whose image lives in a drawing context of its own; widgets show that image.
class ImagePictureBox : public PictureBox {
 public:
  ImagePictureBox(double twipsPerPixelX, double twipsPerPixelY, gdi::COLORREF background);
  ~ImagePictureBox() override;
  ImagePictureBox(const ImagePictureBox&) = delete;
  ImagePictureBox& operator=(const ImagePictureBox&) = delete;

  int Width() const override { return widthTwips_; }
  int Height() const override { return heightTwips_; }
  void SetWidth(int twips) override;
  void SetHeight(int twips) override;
  gdi::HDC hDC() const override { return dc_; }
  void Cls() override;
  void Refresh() override;
  gdi::COLORREF ForeColor() const override { return foreColor_; }
  void SetForeColor(gdi::COLORREF colour) override;
  int MousePointer() const override { return pointer_; }
  void SetMousePointer(int pointer) override;

  gdi::COLORREF background() const { return background_; }
  int pixelWidth() const;
  int pixelHeight() const;
  // Called when the box wants to be shown again (Refresh) or its pointer changes.
  std::function<void()> onRefresh;
  std::function<void(int)> onPointer;

 private:
  void resizeImage();

  double tppX_, tppY_;
  gdi::COLORREF background_;
  gdi::COLORREF foreColor_ = 0;
  int widthTwips_ = 0, heightTwips_ = 0;
  int pointer_ = 0;
  gdi::HDC dc_ = 0;
  gdi::HBITMAP bitmap_ = 0;
  gdi::HBITMAP placeholder_ = 0;
};

}  // namespace glint

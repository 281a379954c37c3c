#pragma once

// The window as the features see it: its controls and shared state, free of widget types.
// Form1 implements it with real widgets; tests drive the same object offscreen.

#include <string>

#include "platform/dialogs.h"
#include "platform/file_channels.h"
#include "platform/gdi.h"
#include "platform/status.h"

namespace glint {

// The hidden sheet's height in pixels before a load grows it.
inline constexpr int kSheetPixelHeight = 1500;

namespace pointer {
inline constexpr int kDefault = 0;
inline constexpr int kHourglass = 11;
}  // namespace pointer

// A picture box that keeps its image (the preview and the hidden sheet). Sizes are in twips.
class PictureBox {
 public:
  virtual ~PictureBox() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Resizing keeps the part of the image that still fits; new area shows the background.
  virtual void SetWidth(int twips) = 0;
  virtual void SetHeight(int twips) = 0;
  // The drawing context of the picture box's image, for block copies and text.
  virtual gdi::HDC hDC() const = 0;
  // Clears the image to the background colour.
  virtual void Cls() = 0;
  // Shows the current image now.
  virtual void Refresh() = 0;
  virtual gdi::COLORREF ForeColor() const = 0;
  virtual void SetForeColor(gdi::COLORREF colour) = 0;
  virtual int MousePointer() const = 0;
  virtual void SetMousePointer(int pointer) = 0;
};

class ScrollBar {
 public:
  virtual ~ScrollBar() = default;
  virtual int Value() const = 0;
  virtual void SetValue(int value) = 0;
  virtual int Max() const = 0;
  virtual void SetMax(int max) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

class WindowModel : public StatusAndYield {
 public:
  // Path box and output folder box. The path box gives back the bytes it was set to, names that
  // are not UTF-8 included, until its shown text is edited.
  virtual std::string Text1() const = 0;
  virtual void SetText1(const std::string& text) = 0;
  virtual std::string Text2() const = 0;
  virtual void SetText2(const std::string& text) = 0;
  // Check boxes: 0 unticked, 1 ticked.
  virtual int Check1() const = 0;
  virtual int Check2() const = 0;

  virtual PictureBox& Picture1() = 0;
  virtual PictureBox& Picture2() = 0;
  virtual ScrollBar& VScroll1() = 0;

  virtual Dialogs& dialogs() = 0;
  virtual FileChannels& channels() = 0;

  virtual double TwipsPerPixelX() const = 0;
  virtual double TwipsPerPixelY() const = 0;
  // The folder that holds the program, without a trailing separator.
  virtual std::string AppPath() const = 0;

  // True while a sprite file loads; closing is refused meanwhile.
  bool Loading = false;
  // True while an export runs; closing is refused meanwhile too.
  bool Exporting = false;
};

// Sets a flag of the window for the scope's lifetime (closing is refused while `Loading` or
// `Exporting` is set), then puts back what it was.
class ScopedFlag {
 public:
  explicit ScopedFlag(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~ScopedFlag() { flag_ = was_; }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;

 private:
  bool& flag_;
  bool was_;
};

}  // namespace glint

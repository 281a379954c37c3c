#pragma once

#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "anim/animation.h"
#include "anim/index_counts.h"
#include "platform/dialogs.h"
#include "ui/palette_files.h"

class QAction;
class QLabel;
class QScrollArea;
class QSpinBox;
class QTimer;

namespace glint {

// What the animation window shares with the main window.
struct AnimationHost {
  Dialogs& dialogs;
  // Export > Transparent index 0: the same setting as the T key.
  QAction& transparent;
  // Shows the box and returns true while a load or an export runs.
  std::function<bool()> refuseWhileBusy;
  // Where Ctrl+S offers to save first.
  std::function<std::string()> saveFolder;
  // The frame time, kept between windows; the GIF export uses it too.
  int frameTimeMs = anim::kDefaultFrameTime;
  // Palette > Load Palette reads with these.
  PaletteFiles paletteFiles = DefaultPaletteFiles();
};

class AnimationCanvas;
class PalettePanel;

// A window of its own that plays the frames of one sprite, each centred on a canvas as large as
// the largest frame, at a zoom of whole screen pixels per frame pixel. The clock decides which
// frame shows; painting never holds more than the part of the window it repaints.
class AnimationWindow : public QWidget {
 public:
  explicit AnimationWindow(AnimationHost& host);
  ~AnimationWindow() override;

  // Shows this sprite from its first frame, playing, at its opening zoom.
  void setSprite(const std::string& path);
  const std::string& spritePath() const { return path_; }
  // Null when the sprite could not be opened.
  anim::Animation* animation() { return animation_.get(); }
  const anim::Animation::Shown& shown() const { return shown_; }
  bool transparent() const;

  // What the keys do.
  void togglePlaying();
  void step(int delta);
  void goFirst();
  void goLast();
  void setZoom(int zoom);
  void zoomIn();
  void zoomOut();
  void setFrameTime(int ms);
  void copyFrame();
  void saveFrame();
  // Escape: clears the highlight when one is on, else closes the window.
  void escape();

  // View > Palette (P): the palette panel beside the frame.
  void setPaletteShown(bool shown);
  bool paletteShown() const;
  PalettePanel& palettePanel() { return *panel_; }
  // A click on a swatch highlights its index alone, or clears the highlight when the index is in
  // it; `add` (Shift) adds the index, or takes it out again.
  void pickIndex(int index, bool add);
  const anim::Highlight& highlight() const { return highlight_; }
  // Pointing at a swatch (none: away from the swatches) tells of its index in the status line.
  void pointAtSwatch(std::optional<int> index);
  // The index of the frame pixel under the pointer.
  std::optional<int> indexUnderPointer() const;
  // The shown frame's pixels by index.
  const anim::IndexCounts& frameCounts();
  // The whole sprite's, from its stored bytes; counted in the background while the panel shows,
  // nothing until they arrive.
  const std::optional<anim::IndexCounts>& spriteCounts() const { return spriteCounts_; }

  // Palette > Load Palette (Ctrl+P): the frames in a palette from another file; nothing written.
  void loadPalette();
  // Palette > Sprite's Own Palette (Ctrl+Shift+P).
  void showOwnPalette();
  // The file of the palette tried; empty while the sprite's own shows.
  const std::string& palettePath() const { return palettePath_; }

  QString statusText() const;
  AnimationCanvas& canvas() { return *canvas_; }
  // The clock of the window, microseconds; tests may put their own.
  std::function<std::int64_t()> clock;

 private:
  friend class AnimationCanvas;
  void buildMenu();
  void countSprite();
  void tick();
  void readHeaders();
  // Shows the frame the clock says; `now` paints it at once rather than at the next round.
  void showFrame(bool force, bool now = false);
  void updateStatus();
  void fitToZoom();
  void addKey(const QKeySequence& keys, std::function<void()> action);

  AnimationHost& host_;
  std::string path_;
  std::unique_ptr<anim::Animation> animation_;
  anim::Animation::Shown shown_;
  std::optional<anim::Point> pointer_;  // on the canvas, while over the window's picture
  std::optional<int> swatch_;           // pointed at in the palette panel
  anim::Highlight highlight_;
  std::shared_ptr<const spr::IndexedImage> countedFrame_;
  anim::IndexCounts frameCounts_{};
  std::optional<anim::IndexCounts> spriteCounts_;
  // Set when the counts under way are no longer wanted: a new sprite, or the window closed.
  std::shared_ptr<std::atomic<bool>> countCancelled_;
  std::string palettePath_;
  std::optional<image::PaletteFile> tried_;  // over the sprite's own: a file may give fewer

  QScrollArea* scroll_ = nullptr;
  AnimationCanvas* canvas_ = nullptr;
  PalettePanel* panel_ = nullptr;
  QAction* paletteShown_ = nullptr;
  QLabel* status_ = nullptr;
  QSpinBox* frameTime_ = nullptr;
  QTimer* timer_ = nullptr;
  QTimer* reading_ = nullptr;  // reads a long sprite's headers between events
};

// The picture: the canvas centred in whatever room the window gives it.
class AnimationCanvas : public QWidget {
 public:
  explicit AnimationCanvas(AnimationWindow& window);
  // Where the canvas's top-left corner stands in this widget.
  QPoint origin() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  AnimationWindow& window_;
};

}  // namespace glint

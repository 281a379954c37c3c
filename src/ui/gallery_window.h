#pragma once

#include <QListView>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/gallery_export.h"
#include "gallery/sprite_list.h"
#include "platform/dialogs.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QStatusBar;
class QTimer;

namespace glint {

class GalleryCells;
class GalleryDelegate;
class GalleryWork;

// What the gallery asks of the main window.
struct GalleryHost {
  Dialogs& dialogs;
  // Puts the path in the path box and loads it, as a double-click in the tree does.
  std::function<void(const std::string&)> open;
  // Opens the animation window on the sprite.
  std::function<void(const std::string&)> animate;
  // Runs an export on the Export menu's worker; the job carries the menu's options.
  std::function<void(GalleryExport)> exportSprites;
  // The animation window's frame time, which a playing cell keeps too.
  std::function<int()> frameTimeMs;
};

// The cells: keys and the mouse of a list of thumbnails, passed on to the window.
class GalleryView : public QListView {
 public:
  explicit GalleryView(QWidget* parent);
  std::function<void(const QModelIndex&, bool animate)> onOpen;
  std::function<void()> onPlay;
  std::function<void(int steps)> onZoom;
  std::function<void(const QModelIndex&)> onHover;
  // The rows in view may have changed: resized, or laid out anew.
  std::function<void()> onViewMoved;
  // The first and last rows the viewport shows, in part or whole; last < first for none.
  std::pair<int, int> rowsInView() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void updateGeometries() override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
};

// A sprite folder as thumbnails, made in the background and shared with the desktop's cache.
class GalleryWindow : public QWidget {
 public:
  static constexpr int kCellSizes[] = {48, 64, 96, 128, 192, 256};
  static constexpr int kHoverMs = 300;

  explicit GalleryWindow(GalleryHost& host);
  ~GalleryWindow() override;

  // Shows the sprites of `folder` (the view empties until the listing comes).
  void showFolder(const std::string& folder);
  const std::string& folder() const { return folder_; }
  // Lists the folder again (F5); also done when the folder changes.
  void reload();
  void setIncludeSubfolders(bool on);
  void setCellSize(int size);
  int cellSize() const { return cellSize_; }
  // The status line's text: the current cell, or how many are shown.
  QString statusText() const;
  // Shows a message in the status line until the current cell changes.
  void showMessage(const std::string& text);

  GalleryCells& cells() { return *cells_; }
  GalleryView& view() { return *view_; }
  // The selected sprites' paths in the order shown.
  std::vector<std::string> selectedPaths() const;
  // The current cell's path; empty for none.
  std::string currentPath() const;
  // Cells still to be made or checked, and a listing on its way; 0 once every cell is done.
  int pending() const;

  void openCurrent(bool animate);
  void copyPaths();
  void togglePlaying();
  void exportSelected(GalleryExport::Kind kind);
  void chooseFolder();
  // Called once the listing of the current folder is in the cells (tests wait for it).
  std::function<void()> onListed;

 private:
  void listed(std::uint64_t generation, std::vector<gallery::SpriteEntry> entries);
  void viewChanged();
  // Runs a change that lays the cells out anew, with the same sprite current after it.
  void keepingCurrent(const std::function<void()>& change);
  void updateStatus();
  void addShortcut(const QKeySequence& keys, std::function<void()> action);
  void contextMenu(const QPoint& at);
  void hovered(const QModelIndex& index);
  void startPlaying(int row);
  void stopPlaying();

  GalleryHost& host_;
  std::string folder_;
  bool subfolders_ = false;
  int cellSize_ = 96;
  std::uint64_t generation_ = 0;
  bool listing_ = false;

  GalleryCells* cells_ = nullptr;
  GalleryDelegate* delegate_ = nullptr;
  GalleryView* view_ = nullptr;
  QLineEdit* filter_ = nullptr;
  QCheckBox* subfolderBox_ = nullptr;
  QComboBox* sort_ = nullptr;
  QStatusBar* status_ = nullptr;
  QLabel* count_ = nullptr;
  QTimer* poll_ = nullptr;
  QTimer* hover_ = nullptr;
  QTimer* live_ = nullptr;
  int hoverRow_ = -1;
  std::string livePath_;
  std::vector<QImage> liveFrames_;
  std::size_t liveAt_ = 0;
  std::unique_ptr<GalleryWork> work_;
};

}  // namespace glint

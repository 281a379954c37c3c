#pragma once

// The gallery's cells as a Qt item model over the gallery's own model: one row a sprite shown,
// in the order and under the filter chosen, and the painting of a cell.

#include <QAbstractListModel>
#include <QImage>
#include <QStyledItemDelegate>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "gallery/name_filter.h"
#include "gallery/order.h"
#include "gallery/sprite_list.h"
#include "gallery/thumb_memory.h"

class QTimer;

namespace glint {

// What a cell shows in place of a thumbnail.
enum class CellMark { kNone, kBroken, kBlank, kStuck };

struct GalleryCell {
  gallery::SpriteEntry entry;
  std::optional<gallery::SpriteDetails> details;
  QImage thumb;  // null while not in memory
  CellMark mark = CellMark::kNone;
  std::string reason;  // why it is marked, as the converter says it
};

class GalleryCells : public QAbstractListModel {
 public:
  explicit GalleryCells(QObject* parent);

  // A new listing: cells of the same path and time keep what is known of them.
  void setEntries(std::vector<gallery::SpriteEntry> entries);
  void setFilter(const std::string& text);
  void setSortKey(gallery::SortKey key);
  // Orders the cells again as details have come, keeping the selection and the current cell.
  void resort();
  gallery::SortKey sortKey() const { return key_; }

  int shownCount() const { return static_cast<int>(shown_.size()); }
  int totalCount() const { return static_cast<int>(cells_.size()); }
  // The cell shown at `row`.
  GalleryCell& at(int row) { return cells_[shown_[row]]; }
  // The row a path is shown at; -1 when it is not shown.
  int rowOf(const std::string& path) const;
  // The listing is the one these cells hold.
  bool holds(const std::vector<gallery::SpriteEntry>& entries) const;

  // A thumbnail made or read, details learnt, or a mark: the row repaints; memory stays within
  // its budget by dropping the images farthest from the rows in view.
  void setThumb(const std::string& path, QImage image, int viewFirst, int viewLast);
  void setDetails(const std::string& path, const gallery::SpriteDetails& details);
  void setMark(const std::string& path, CellMark mark, const std::string& reason);
  // Cells marked stuck wait to be made again.
  void retryStuck();
  std::size_t thumbBytes() const { return memory_.total(); }

  // The frame a playing cell shows over its thumbnail; a null image ends it.
  void setLiveFrame(int row, QImage frame);
  int liveRow() const { return liveRow_; }
  const QImage& liveFrame() const { return live_; }

  // "walk.spr: 12 frames, largest 100 x 120, 14.2 KB".
  static std::string Describe(const GalleryCell& cell);
  // The name as cells and tooltips show it: control characters as U+FFFD.
  static std::string ShownName(const std::string& name);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

 private:
  void reorder();
  int cellOf(const std::string& path) const;

  std::vector<GalleryCell> cells_;
  std::unordered_map<std::string, int> byPath_;
  std::vector<int> shown_;  // cells in the order shown
  std::vector<int> rowOfCell_;
  gallery::NameFilter filter_{""};
  gallery::SortKey key_ = gallery::SortKey::Name;
  gallery::ThumbMemory memory_;  // keyed by cell
  int liveRow_ = -1;
  QImage live_;
  QTimer* resort_ = nullptr;  // details that move cells come in bursts: one resort for each
};

// Paints a cell: the thumbnail (or a mark) over the checkerboard, the name below it, elided in
// the middle.
class GalleryDelegate : public QStyledItemDelegate {
 public:
  GalleryDelegate(GalleryCells& cells, QObject* parent);
  void setCellSize(int size) { size_ = size; }
  // A cell's room: the thumbnail's square and a line of text below it.
  QSize cellExtent(const QFontMetrics& font) const;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  GalleryCells& cells_;
  int size_ = 96;
};

}  // namespace glint

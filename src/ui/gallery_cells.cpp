#include "ui/gallery_cells.h"

#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QTimer>
#include <QUrl>
#include <cstdio>

#include "anim/canvas.h"

namespace glint {

GalleryCells::GalleryCells(QObject* parent) : QAbstractListModel(parent) {
  resort_ = new QTimer(this);
  resort_->setSingleShot(true);
  resort_->setInterval(250);
  connect(resort_, &QTimer::timeout, this, [this] { resort(); });
}

void GalleryCells::resort() {
  emit layoutAboutToBeChanged();
  const QModelIndexList before = persistentIndexList();
  std::vector<int> held;
  for (const QModelIndex& index : before) held.push_back(shown_[index.row()]);
  reorder();
  QModelIndexList after;
  for (int cell : held)
    after.push_back(rowOfCell_[cell] < 0 ? QModelIndex() : index(rowOfCell_[cell]));
  changePersistentIndexList(before, after);
  emit layoutChanged();
}

void GalleryCells::setEntries(std::vector<gallery::SpriteEntry> entries) {
  std::vector<GalleryCell> cells;
  cells.reserve(entries.size());
  for (gallery::SpriteEntry& entry : entries) {
    GalleryCell cell;
    // A file changed since it was seen is made again; the rest keep their thumbnails.
    if (const int old = cellOf(entry.path);
        old >= 0 && cells_[old].entry.mtime == entry.mtime && cells_[old].entry.size == entry.size)
      cell = std::move(cells_[old]);
    cell.entry = std::move(entry);
    cells.push_back(std::move(cell));
  }
  beginResetModel();
  cells_ = std::move(cells);
  byPath_.clear();
  for (int k = 0; k < totalCount(); ++k) byPath_[cells_[k].entry.path] = k;
  reorder();
  endResetModel();
}

void GalleryCells::setFilter(const std::string& text) {
  beginResetModel();
  filter_ = gallery::NameFilter(text);
  reorder();
  endResetModel();
}

void GalleryCells::setSortKey(gallery::SortKey key) {
  key_ = key;
  resort();
}

void GalleryCells::reorder() {
  std::vector<gallery::SpriteEntry> entries;
  std::vector<std::optional<gallery::SpriteDetails>> details;
  entries.reserve(cells_.size());
  details.reserve(cells_.size());
  for (const GalleryCell& cell : cells_) {
    entries.push_back(cell.entry);
    details.push_back(cell.details);
  }
  shown_.clear();
  for (int k : gallery::SortOrder(entries, details, key_))
    if (filter_.matches(cells_[k].entry.name)) shown_.push_back(k);
  rowOfCell_.assign(cells_.size(), -1);
  // Memory counts rows: what is no longer shown lets its image go, the rest count anew.
  memory_ = gallery::ThumbMemory();
  for (int row = 0; row < shownCount(); ++row) rowOfCell_[shown_[row]] = row;
  for (int k = 0; k < totalCount(); ++k) {
    QImage& thumb = cells_[k].thumb;
    if (thumb.isNull()) continue;
    if (rowOfCell_[k] < 0)
      thumb = QImage();
    else
      memory_.add(rowOfCell_[k], thumb.sizeInBytes());
  }
  liveRow_ = -1;
  live_ = QImage();
}

int GalleryCells::cellOf(const std::string& path) const {
  const auto found = byPath_.find(path);
  return found == byPath_.end() ? -1 : found->second;
}

bool GalleryCells::holds(const std::vector<gallery::SpriteEntry>& entries) const {
  if (entries.size() != cells_.size()) return false;
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const gallery::SpriteEntry& held = cells_[k].entry;
    if (held.path != entries[k].path || held.size != entries[k].size ||
        held.mtime != entries[k].mtime)
      return false;
  }
  return true;
}

int GalleryCells::rowOf(const std::string& path) const {
  const int cell = cellOf(path);
  return cell < 0 ? -1 : rowOfCell_[cell];
}

void GalleryCells::setThumb(const std::string& path, QImage image, int viewFirst, int viewLast) {
  const int row = rowOf(path);
  if (row < 0) return;  // filtered out meanwhile
  GalleryCell& cell = at(row);
  if (!cell.thumb.isNull()) memory_.remove(row);
  cell.thumb = std::move(image);
  memory_.add(row, cell.thumb.sizeInBytes());
  for (int far : memory_.evict(viewFirst, viewLast)) at(far).thumb = QImage();
  emit dataChanged(index(row), index(row));
}

void GalleryCells::setDetails(const std::string& path, const gallery::SpriteDetails& details) {
  const int cell = cellOf(path);
  if (cell < 0) return;
  cells_[cell].details = details;
  if (key_ == gallery::SortKey::Frames || key_ == gallery::SortKey::Largest) {
    if (!resort_->isActive()) resort_->start();
  }
  if (!details.reason.empty()) {
    cells_[cell].mark = CellMark::kBroken;
    cells_[cell].reason = details.reason;
  } else if (details.blank) {
    cells_[cell].mark = CellMark::kBlank;
  }
  if (const int row = rowOfCell_[cell]; row >= 0) emit dataChanged(index(row), index(row));
}

void GalleryCells::setMark(const std::string& path, CellMark mark, const std::string& reason) {
  const int cell = cellOf(path);
  if (cell < 0) return;
  cells_[cell].mark = mark;
  cells_[cell].reason = reason;
  if (const int row = rowOfCell_[cell]; row >= 0) emit dataChanged(index(row), index(row));
}

void GalleryCells::retryStuck() {
  beginResetModel();
  for (GalleryCell& cell : cells_)
    if (cell.mark == CellMark::kStuck) cell.mark = CellMark::kNone;
  endResetModel();
}

void GalleryCells::setLiveFrame(int row, QImage frame) {
  const int before = liveRow_;
  liveRow_ = frame.isNull() ? -1 : row;
  live_ = std::move(frame);
  for (int changed : {before, liveRow_})
    if (changed >= 0 && changed < shownCount()) emit dataChanged(index(changed), index(changed));
}

namespace {
std::string Bytes(std::int64_t size) {
  char text[32];
  if (size < 1024)
    std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(size));
  else if (size < 1024 * 1024)
    std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(size) / 1024);
  else
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(size) / (1024 * 1024));
  return text;
}
}  // namespace

std::string GalleryCells::ShownName(const std::string& name) {
  // A newline or another control character would break the cell's line or the tooltip's.
  std::string shown;
  for (const char c : name)
    shown += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? std::string("\uFFFD")
                                                               : std::string(1, c);
  return shown;
}

std::string GalleryCells::Describe(const GalleryCell& cell) {
  std::string text = ShownName(cell.entry.name) + ": ";
  if (cell.mark == CellMark::kBroken || cell.mark == CellMark::kStuck) return text + cell.reason;
  if (const auto& d = cell.details) {
    text += std::to_string(d->frames) + (d->frames == 1 ? " frame, " : " frames, ");
    if (d->frames > 0)
      text += "largest " + std::to_string(d->largestWidth) + " x " +
              std::to_string(d->largestHeight) + ", ";
  }
  text += Bytes(cell.entry.size);
  if (cell.mark == CellMark::kBlank) text += ", nothing to show";
  return text;
}

int GalleryCells::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shownCount();
}

QVariant GalleryCells::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= shownCount()) return {};
  const GalleryCell& cell = cells_[shown_[index.row()]];
  if (role == Qt::DisplayRole) return QString::fromStdString(ShownName(cell.entry.name));
  if (role == Qt::ToolTipRole || role == Qt::StatusTipRole)
    return QString::fromStdString(Describe(cell));
  return {};
}

Qt::ItemFlags GalleryCells::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled
                         : Qt::NoItemFlags;
}

QStringList GalleryCells::mimeTypes() const { return {"text/uri-list", "text/plain"}; }

QMimeData* GalleryCells::mimeData(const QModelIndexList& indexes) const {
  QList<QUrl> urls;
  QStringList paths;
  for (const QModelIndex& index : indexes) {
    // By its bytes: a name that is not UTF-8 still names its file.
    const std::string& path = cells_[shown_[index.row()]].entry.path;
    paths.push_back(QString::fromStdString(path));
    urls.push_back(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path))));
  }
  auto* data = new QMimeData;
  data->setUrls(urls);
  data->setText(paths.join('\n'));
  return data;
}

// --- Painting ---

GalleryDelegate::GalleryDelegate(GalleryCells& cells, QObject* parent)
    : QStyledItemDelegate(parent), cells_(cells) {}

QSize GalleryDelegate::cellExtent(const QFontMetrics& font) const {
  return {size_ + 12, size_ + font.height() + 14};
}

QSize GalleryDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  return cellExtent(option.fontMetrics);
}

namespace {
void PaintChecker(QPainter& painter, const QRect& area) {
  for (int y = area.top(); y <= area.bottom(); y += anim::kSquareSize)
    for (int x = area.left(); x <= area.right(); x += anim::kSquareSize) {
      const QRect square = QRect(x, y, anim::kSquareSize, anim::kSquareSize).intersected(area);
      painter.fillRect(square,
                       QColor::fromRgba(anim::CheckerColour(x - area.left(), y - area.top())));
    }
}

// A broken sprite shows a red cross, one with nothing to show a slashed circle, a file that
// does not answer three dots.
void PaintMark(QPainter& painter, const QRect& box, CellMark mark) {
  const int side = std::max(16, box.width() / 3);
  const QRect r(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor colour = mark == CellMark::kBroken ? QColor(200, 40, 40) : QColor(110, 110, 110);
  painter.setPen(QPen(colour, std::max(2, side / 8)));
  painter.setBrush(mark == CellMark::kBroken ? colour : Qt::NoBrush);
  painter.drawEllipse(r);
  const int in = side / 4;
  if (mark == CellMark::kBroken) {
    painter.setPen(QPen(Qt::white, std::max(2, side / 8)));
    painter.drawLine(r.topLeft() + QPoint(in, in), r.bottomRight() - QPoint(in, in));
    painter.drawLine(r.topRight() + QPoint(-in, in), r.bottomLeft() + QPoint(in, -in));
  } else if (mark == CellMark::kBlank) {
    painter.drawLine(r.bottomLeft() + QPoint(in / 2, -in / 2),
                     r.topRight() + QPoint(-in / 2, in / 2));
  } else {
    painter.setBrush(colour);
    for (int k = -1; k <= 1; ++k)
      painter.drawEllipse(r.center() + QPoint(k * side / 4, 0), side / 16 + 1, side / 16 + 1);
  }
  painter.restore();
}
}  // namespace

void GalleryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  const GalleryCell& cell = cells_.at(index.row());
  const QRect r = option.rect;
  const bool selected = option.state & QStyle::State_Selected;
  if (selected) painter->fillRect(r.adjusted(1, 1, -1, -1), option.palette.highlight());
  if (option.state & QStyle::State_HasFocus) {
    painter->setPen(QPen(option.palette.highlight().color().darker(130), 1, Qt::DotLine));
    painter->drawRect(r.adjusted(1, 1, -2, -2));
  }
  const QRect box(r.left() + (r.width() - size_) / 2, r.top() + 6, size_, size_);
  const QImage& image = index.row() == cells_.liveRow() && !cells_.liveFrame().isNull()
                            ? cells_.liveFrame()
                            : cell.thumb;
  if (cell.mark == CellMark::kBroken || cell.mark == CellMark::kStuck ||
      (cell.mark == CellMark::kBlank && image.isNull())) {
    PaintMark(*painter, box, cell.mark);
  } else if (!image.isNull()) {
    // Fitted, its shape kept; a cache entry of the large size shrinks into a small cell.
    const QSize fitted =
        image.size()
            .scaled(box.size(), Qt::KeepAspectRatio)
            .boundedTo(image.width() <= size_ && image.height() <= size_ ? image.size()
                                                                         : box.size());
    const QRect at(box.left() + (size_ - fitted.width()) / 2,
                   box.top() + (size_ - fitted.height()) / 2, fitted.width(), fitted.height());
    PaintChecker(*painter, at);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, fitted != image.size());
    painter->drawImage(at, image);
    if (cell.mark == CellMark::kBlank) PaintMark(*painter, box, cell.mark);
  } else {
    painter->fillRect(box.adjusted(size_ / 4, size_ / 4, -size_ / 4, -size_ / 4),
                      QColor(0, 0, 0, 18));
  }
  const QRect text(r.left() + 2, box.bottom() + 4, r.width() - 4, option.fontMetrics.height());
  painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  painter->drawText(text, Qt::AlignHCenter | Qt::AlignTop,
                    option.fontMetrics.elidedText(
                        QString::fromStdString(GalleryCells::ShownName(cell.entry.name)),
                        Qt::ElideMiddle, text.width()));
}

}  // namespace glint

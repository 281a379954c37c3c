#include "ui/gallery_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "gallery/name_filter.h"
#include "path/path.h"
#include "ui/gallery_cells.h"
#include "ui/gallery_work.h"

namespace glint {

GalleryView::GalleryView(QWidget* parent) : QListView(parent) {
  setViewMode(QListView::IconMode);
  setMovement(QListView::Static);
  setResizeMode(QListView::Adjust);
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
  setDefaultDropAction(Qt::CopyAction);
  setMouseTracking(true);
  setSpacing(2);
  setWordWrap(false);
  setContextMenuPolicy(Qt::CustomContextMenu);
}

void GalleryView::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && currentIndex().isValid()) {
    if (onOpen) onOpen(currentIndex(), event->modifiers() & Qt::ControlModifier);
    return;
  }
  if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
    if (onPlay) onPlay();
    return;
  }
  QListView::keyPressEvent(event);
}

std::pair<int, int> GalleryView::rowsInView() const {
  const int count = model() == nullptr ? 0 : model()->rowCount();
  const QSize grid = gridSize();
  QModelIndex first;
  for (int y : {1, grid.height() / 2})
    for (int x : {1, grid.width() / 2})
      if (!first.isValid()) first = indexAt(QPoint(x, y));
  if (count == 0 || !first.isValid()) return {0, -1};
  const int height = viewport()->height();
  int from = first.row(), to = from;
  while (from > 0 && visualRect(model()->index(from - 1, 0)).bottom() >= 0) --from;
  while (to + 1 < count && visualRect(model()->index(to + 1, 0)).top() < height) ++to;
  return {from, to};
}

void GalleryView::resizeEvent(QResizeEvent* event) {
  QListView::resizeEvent(event);
  if (onViewMoved) onViewMoved();
}

void GalleryView::updateGeometries() {
  QListView::updateGeometries();
  if (onViewMoved) onViewMoved();
}

void GalleryView::wheelEvent(QWheelEvent* event) {
  if (event->modifiers() & Qt::ControlModifier) {
    if (onZoom && event->angleDelta().y() != 0) onZoom(event->angleDelta().y() > 0 ? 1 : -1);
    event->accept();
    return;
  }
  QListView::wheelEvent(event);
}

void GalleryView::mouseMoveEvent(QMouseEvent* event) {
  if (onHover) onHover(indexAt(event->position().toPoint()));
  QListView::mouseMoveEvent(event);
}

void GalleryView::leaveEvent(QEvent* event) {
  if (onHover) onHover({});
  QListView::leaveEvent(event);
}

GalleryWindow::GalleryWindow(GalleryHost& host) : QWidget(nullptr, Qt::Window), host_(host) {
  setObjectName("Gallery");
  setAttribute(Qt::WA_DeleteOnClose);
  resize(1024, 768);

  filter_ = new QLineEdit(this);
  filter_->setObjectName("GalleryFilter");
  filter_->setPlaceholderText("Filter names (* and ? allowed)");
  filter_->setClearButtonEnabled(true);
  subfolderBox_ = new QCheckBox("Include &subfolders", this);
  subfolderBox_->setObjectName("GallerySubfolders");
  sort_ = new QComboBox(this);
  sort_->setObjectName("GallerySort");
  sort_->addItems({"Name", "Frame count", "Largest frame", "File size", "Date"});
  auto* open = new QPushButton("&Open Folder...", this);
  open->setObjectName("GalleryOpenFolder");
  open->setFocusPolicy(Qt::NoFocus);

  cells_ = new GalleryCells(this);
  view_ = new GalleryView(this);
  view_->setObjectName("GalleryCells");
  delegate_ = new GalleryDelegate(*cells_, this);
  view_->setModel(cells_);
  view_->setItemDelegate(delegate_);
  status_ = new QStatusBar(this);
  status_->setSizeGripEnabled(false);
  count_ = new QLabel(status_);
  status_->addPermanentWidget(count_);

  auto* top = new QHBoxLayout;
  top->addWidget(filter_, 1);
  top->addWidget(subfolderBox_);
  top->addWidget(new QLabel("Sort by:", this));
  top->addWidget(sort_);
  top->addWidget(open);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 0);
  layout->addLayout(top);
  layout->addWidget(view_, 1);
  layout->addWidget(status_);

  work_ = std::make_unique<GalleryWork>(*cells_, this);
  work_->onListed = [this](std::uint64_t generation, std::vector<gallery::SpriteEntry> entries) {
    listed(generation, std::move(entries));
  };

  connect(filter_, &QLineEdit::textChanged, this, [this](const QString& text) {
    keepingCurrent([&] { cells_->setFilter(text.toStdString()); });
    viewChanged();
  });
  connect(subfolderBox_, &QCheckBox::toggled, this, [this](bool on) { setIncludeSubfolders(on); });
  connect(sort_, &QComboBox::currentIndexChanged, this, [this](int key) {
    cells_->setSortKey(static_cast<gallery::SortKey>(key));
    viewChanged();
  });
  connect(open, &QPushButton::clicked, this, [this] { chooseFolder(); });
  connect(view_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { viewChanged(); });
  connect(cells_, &QAbstractItemModel::modelReset, this, [this] { updateStatus(); });
  connect(view_, &QListView::doubleClicked, this,
          [this](const QModelIndex&) { openCurrent(false); });
  connect(view_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { contextMenu(at); });
  view_->onOpen = [this](const QModelIndex&, bool animate) { openCurrent(animate); };
  view_->onPlay = [this] { togglePlaying(); };
  view_->onZoom = [this](int steps) {
    const auto* at = std::find(std::begin(kCellSizes), std::end(kCellSizes), cellSize_);
    const int k = std::clamp(static_cast<int>(at - std::begin(kCellSizes)) + steps, 0,
                             static_cast<int>(std::size(kCellSizes)) - 1);
    setCellSize(kCellSizes[k]);
  };
  view_->onHover = [this](const QModelIndex& index) { hovered(index); };
  view_->onViewMoved = [this] { viewChanged(); };
  connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { updateStatus(); });

  addShortcut(QKeySequence("Ctrl+O"), [this] { chooseFolder(); });
  addShortcut(QKeySequence("Ctrl+F"), [this] {
    filter_->setFocus(Qt::ShortcutFocusReason);
    filter_->selectAll();
  });
  addShortcut(QKeySequence("F5"), [this] {
    keepingCurrent([this] { cells_->retryStuck(); });  // files that did not answer are asked again
    reload();
  });
  addShortcut(QKeySequence("Ctrl+="), [this] { view_->onZoom(1); });
  addShortcut(QKeySequence("Ctrl++"), [this] { view_->onZoom(1); });
  addShortcut(QKeySequence("Ctrl+-"), [this] { view_->onZoom(-1); });
  addShortcut(QKeySequence("Ctrl+C"), [this] { copyPaths(); });
  addShortcut(QKeySequence("Ctrl+A"), [this] { view_->selectAll(); });
  addShortcut(QKeySequence("Escape"), [this] { filter_->clear(); });

  hover_ = new QTimer(this);
  hover_->setSingleShot(true);
  hover_->setInterval(kHoverMs);
  connect(hover_, &QTimer::timeout, this, [this] { startPlaying(hoverRow_); });
  live_ = new QTimer(this);
  connect(live_, &QTimer::timeout, this, [this] {
    const int row = cells_->liveRow() >= 0 ? cells_->liveRow() : cells_->rowOf(livePath_);
    if (liveFrames_.empty() || row < 0) return stopPlaying();
    liveAt_ = (liveAt_ + 1) % liveFrames_.size();
    cells_->setLiveFrame(row, liveFrames_[liveAt_]);
  });
  work_->onLiveFrames = [this](const std::string& path, std::vector<QImage> frames) {
    if (path != livePath_ || frames.empty()) return;
    liveFrames_ = std::move(frames);
    liveAt_ = 0;
    cells_->setLiveFrame(cells_->rowOf(path), liveFrames_[0]);
    live_->start(std::max(10, host_.frameTimeMs()));
  };
  // Sprites added, removed or changed show within two seconds.
  poll_ = new QTimer(this);
  poll_->setInterval(1500);
  connect(poll_, &QTimer::timeout, this, [this] {
    if (!listing_ && !folder_.empty()) reload();
  });
  poll_->start();
  setCellSize(cellSize_);
  view_->setFocus();
}

GalleryWindow::~GalleryWindow() = default;

void GalleryWindow::addShortcut(const QKeySequence& keys, std::function<void()> action) {
  auto* shortcut = new QShortcut(keys, this);
  shortcut->setContext(Qt::WindowShortcut);
  connect(shortcut, &QShortcut::activated, this, std::move(action));
}

void GalleryWindow::showFolder(const std::string& folder) {
  if (folder == folder_) return;
  folder_ = folder;
  setWindowTitle(QString::fromStdString("Gallery - " + folder));
  stopPlaying();
  cells_->setEntries({});
  reload();
}

void GalleryWindow::reload() {
  listing_ = true;
  work_->list(++generation_, folder_, subfolders_);
}

void GalleryWindow::setIncludeSubfolders(bool on) {
  subfolders_ = on;
  if (subfolderBox_->isChecked() != on) subfolderBox_->setChecked(on);
  reload();
}

void GalleryWindow::listed(std::uint64_t generation, std::vector<gallery::SpriteEntry> entries) {
  if (generation != generation_) return;  // an older listing, overtaken
  listing_ = false;
  // A poll that finds nothing new changes nothing, so the view and selection stay as they are.
  if (!cells_->holds(entries)) {
    keepingCurrent([&] { cells_->setEntries(std::move(entries)); });
    viewChanged();
  }
  if (onListed) onListed();
}

void GalleryWindow::setCellSize(int size) {
  stopPlaying();  // its frames were made for the old size
  cellSize_ = size;
  delegate_->setCellSize(size);
  work_->setCellSize(size);
  view_->setGridSize(delegate_->cellExtent(view_->fontMetrics()));
  view_->doItemsLayout();
  viewChanged();
}

void GalleryWindow::viewChanged() {
  const auto [from, to] = view_->rowsInView();
  work_->setView(from, to);
  updateStatus();
}

QString GalleryWindow::statusText() const { return status_->currentMessage(); }

void GalleryWindow::showMessage(const std::string& text) {
  status_->showMessage(QString::fromStdString(text));
}

void GalleryWindow::updateStatus() {
  count_->setText(
      QString::fromStdString(gallery::ShownText(cells_->shownCount(), cells_->totalCount())));
  const QModelIndex current = view_->currentIndex();
  if (current.isValid())
    status_->showMessage(QString::fromStdString(GalleryCells::Describe(cells_->at(current.row()))));
  else
    status_->clearMessage();
}

std::vector<std::string> GalleryWindow::selectedPaths() const {
  QModelIndexList rows = view_->selectionModel()->selectedIndexes();
  std::sort(rows.begin(), rows.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  std::vector<std::string> paths;
  for (const QModelIndex& index : rows) paths.push_back(cells_->at(index.row()).entry.path);
  if (paths.empty() && view_->currentIndex().isValid()) paths.push_back(currentPath());
  return paths;
}

void GalleryWindow::keepingCurrent(const std::function<void()>& change) {
  const std::string current = currentPath();
  change();
  if (const int row = cells_->rowOf(current); row >= 0) view_->setCurrentIndex(cells_->index(row));
}

int GalleryWindow::pending() const { return work_->waiting() + (listing_ ? 1 : 0); }

std::string GalleryWindow::currentPath() const {
  const QModelIndex current = view_->currentIndex();
  return current.isValid() ? cells_->at(current.row()).entry.path : std::string();
}

void GalleryWindow::openCurrent(bool animate) {
  const std::string path = currentPath();
  if (path.empty()) return;
  animate ? host_.animate(path) : host_.open(path);
}

void GalleryWindow::copyPaths() {
  const QModelIndexList rows = view_->selectionModel()->selectedIndexes();
  if (rows.isEmpty()) return;
  QApplication::clipboard()->setMimeData(cells_->mimeData(rows));
}

void GalleryWindow::chooseFolder() {
  const std::optional<std::string> chosen =
      host_.dialogs.ChooseFolder("Open Folder", folder_.empty() ? std::string() : folder_);
  if (chosen) showFolder(*chosen);
}

void GalleryWindow::exportSelected(GalleryExport::Kind kind) {
  const std::vector<std::string> sprites = selectedPaths();
  if (sprites.empty()) return;
  static const char* const titles[] = {"Export Frames as PNG", "Export Sheets", "Export GIFs"};
  const std::optional<std::string> to =
      host_.dialogs.ChooseFolder(titles[static_cast<int>(kind)], folder_);
  if (!to) return;
  GalleryExport job;
  job.kind = kind;
  job.sprites = sprites;
  job.galleryFolder = folder_;
  job.outputFolder = *to;
  host_.exportSprites(std::move(job));
}

void GalleryWindow::contextMenu(const QPoint& at) {
  if (!view_->indexAt(at).isValid()) return;
  QMenu menu(this);
  menu.addAction("&Open", [this] { openCurrent(false); });
  menu.addAction("&Animation", [this] { openCurrent(true); });
  menu.addSeparator();
  menu.addAction("Export Frames as &PNG...",
                 [this] { exportSelected(GalleryExport::Kind::kFrames); });
  menu.addAction("Export &Sheets...", [this] { exportSelected(GalleryExport::Kind::kSheets); });
  menu.addAction("Export &GIFs...", [this] { exportSelected(GalleryExport::Kind::kGifs); });
  menu.addSeparator();
  menu.addAction("&Copy Path", [this] { copyPaths(); });
  menu.addAction("Open Containing &Folder", [this] {
    const std::string path = currentPath();
    if (!path.empty())
      QDesktopServices::openUrl(QUrl::fromLocalFile(
          QFile::decodeName(QByteArray::fromStdString(path::Split(path).folder))));
  });
  menu.exec(view_->viewport()->mapToGlobal(at));
}

void GalleryWindow::hovered(const QModelIndex& index) {
  const int row = index.isValid() ? index.row() : -1;
  if (row == hoverRow_) return;
  hoverRow_ = row;
  stopPlaying();
  if (row >= 0) hover_->start();
}

void GalleryWindow::togglePlaying() {
  const QModelIndex current = view_->currentIndex();
  if (!current.isValid()) return;
  if (!livePath_.empty() && livePath_ == currentPath())
    stopPlaying();
  else
    startPlaying(current.row());
}

void GalleryWindow::startPlaying(int row) {
  stopPlaying();
  if (row < 0 || row >= cells_->shownCount()) return;
  const GalleryCell& cell = cells_->at(row);
  if (cell.mark == CellMark::kBroken || cell.mark == CellMark::kStuck) return;
  livePath_ = cell.entry.path;
  work_->makeLiveFrames(livePath_);
}

void GalleryWindow::stopPlaying() {
  hover_->stop();
  live_->stop();
  livePath_.clear();
  liveFrames_.clear();
  if (cells_->liveRow() >= 0) cells_->setLiveFrame(cells_->liveRow(), QImage());
}

}  // namespace glint

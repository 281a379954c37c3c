#include "ui/form1.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QUrl>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <vector>

#include "export/sprite_export.h"
#include "image/naming.h"
#include "path/path.h"
#include "platform/atomic_file.h"
#include "platform/byte_source.h"
#include "platform/dialogs_qt.h"
#include "platform/dir_listing.h"
#include "platform/errors.h"
#include "platform/twips.h"
#include "ui/controls.h"
#include "ui/default_folders.h"
#include "ui/export_runner.h"
#include "ui/folder_tree.h"
#include "ui/gallery_window.h"
#include "ui/icons.h"
#include "ui/output_folder.h"
#include "ui/palette_files.h"

namespace glint {

namespace {

constexpr gdi::COLORREF kBackColour = gdi::RGB(192, 192, 192);
constexpr int kYieldIntervalMs = 10;
constexpr int kFolderImage = 1;
constexpr int kSpriteImage = 2;
constexpr const char* kWindowCaption = "Valkarin Glintscope Pro";
// The tree's root node key: a single separator, which no folder path below the root equals.
constexpr const char* kRootKey = kSep;
constexpr const char* kPlaceholderPrefix = "$$$";
constexpr const char* kOpenFilter = "Valkarin Sprite files (*.spr)|*.spr";

// Milliseconds on a clock that is cheap to read, as the decoder's yields come every few
// hundred nanoseconds; coarse to a few milliseconds, which spacing events 10 ms apart allows.
std::int64_t coarseMilliseconds() {
#if defined(CLOCK_MONOTONIC_COARSE)
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
#else
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
#endif
}

double ScreenTwipsPerPixel(bool horizontal) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return 15;
  double dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
  return dpi > 0 ? TwipsPerPixel(dpi) : 15;
}

std::string DefaultAppPath() { return QCoreApplication::applicationDirPath().toStdString(); }

// The path a name chosen in the open dialog or dropped stands for. Both hand names over as text,
// with U+FFFD for each byte that is not UTF-8; such a part is the one entry of its folder whose
// name reads so. Unset when several do; a part that none matches stays as it came.
std::optional<std::string> ChosenPath(const std::string& chosen) {
  constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  if (chosen.find(kReplacement) == std::string::npos) return chosen;
  std::string path;
  for (std::size_t at = 0; at <= chosen.size();) {
    const std::size_t slash = std::min(chosen.find('/', at), chosen.size());
    std::string part = chosen.substr(at, slash - at);
    if (part.find(kReplacement) != std::string::npos) {
      const QString shown = QString::fromStdString(part);
      std::vector<std::string> found;
      std::error_code ec;
      for (std::filesystem::directory_iterator it(path.empty() ? "." : path, ec), end;
           !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (QFile::decodeName(QByteArray::fromStdString(name)) == shown) found.push_back(name);
      }
      if (found.size() > 1) return std::nullopt;
      if (found.size() == 1) part = found.front();
    }
    path += part;
    if (slash < chosen.size()) path += '/';
    at = slash + 1;
  }
  return path;
}

std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && path.back() == kSep[0]) path.pop_back();
  return path;
}

}  // namespace

// The window's client area between menu bar and status bar: the controls stand on it at their
// twip positions, and its size changes drive the layout.
class ClientArea : public QWidget {
 public:
  explicit ClientArea(QWidget* parent) : QWidget(parent) {}
  std::function<void()> onResize;
  // A widget that gets a sunken frame around it, outside its own area so its pixels stay whole.
  QWidget* framed = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    if (onResize) onResize();
  }
  void paintEvent(QPaintEvent* event) override {
    QWidget::paintEvent(event);
    if (framed == nullptr) return;
    QPainter painter(this);
    QRect r = framed->geometry().adjusted(-2, -2, 1, 1);
    painter.setPen(QColor(128, 128, 128));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(QColor(255, 255, 255));
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
    r.adjust(1, 1, -1, -1);
    painter.setPen(QColor(64, 64, 64));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
  }
};

Form1::Form1(Form1Options options)
    : options_(std::move(options)),
      tppX_(ScreenTwipsPerPixel(true)),
      tppY_(ScreenTwipsPerPixel(false)),
      appPath_(options_.appPath.empty() ? DefaultAppPath() : options_.appPath),
      spriteFolder_(
          WithoutTrailingSeparator(options_.spriteFolder.value_or(DefaultSpriteFolder()))),
      picture1_(tppX_, tppY_, kBackColour),
      picture2_(tppX_, tppY_, kBackColour),
      viewer_(*this),
      exporter_(*this) {
  if (options_.dialogs != nullptr) {
    dialogs_ = options_.dialogs;
  } else {
    ownDialogs_ = std::make_unique<QtDialogs>(this);
    dialogs_ = ownDialogs_.get();
  }
  setWindowTitle(kWindowCaption);
  setWindowIcon(QIcon(QPixmap::fromImage(WindowIconImage())));
  buildControls();
  buildMenu();
  setAcceptDrops(true);
  viewer_.onLoaded = [this](const std::string& path) { spriteLoaded(path); };
  exports_ = std::make_unique<ExportRunner>(*this, this);
  animationHost_ = std::make_unique<AnimationHost>(
      AnimationHost{*dialogs_, *transparent_, [this] { return exporter_.refuseWhileBusy(); },
                    [this] { return exportFolder(); }});
  galleryHost_ = std::make_unique<GalleryHost>(
      GalleryHost{*dialogs_,
                  [this](const std::string& path) {  // as a double-click in the tree
                    SetText1(path);
                    LoadSprite();
                  },
                  [this](const std::string& path) { showAnimation(path); },
                  [this](GalleryExport job) {
                    if (exporter_.refuseWhileBusy()) return;
                    job.transparent = transparent_->isChecked();
                    job.frameTimeMs = animationHost_->frameTimeMs;
                    // A success is told in the gallery's own status line, never the main window's.
                    exports_->start(std::move(job), [gallery = gallery_](const std::string& text) {
                      if (gallery != nullptr) gallery->showMessage(text);
                    });
                  },
                  [this] { return animationHost_->frameTimeMs; }});

  // The design size: the client area with the status bar inside it.
  const int statusPixels = pixelsY(kStatusBarHeight);
  const QSize central(pixelsX(kDesignClientWidth), pixelsY(kDesignClientHeight - kStatusBarHeight));
  client_->setMinimumSize(pixelsX(kMinWidth - kFrameWidth), pixelsY(kMinHeight - kFrameHeight));
  resize(central.width(), menuBar()->sizeHint().height() + central.height() + statusPixels);

  Form_Load();
  text1_->setFocus(Qt::OtherFocusReason);
}

Form1::~Form1() {
  delete animation_;
  delete gallery_;
  exports_.reset();  // an export still running is cancelled and waited for
  // The widgets go before the picture boxes they show.
  picture1_.onRefresh = nullptr;
  picture1_.onPointer = nullptr;
  delete takeCentralWidget();
}

int Form1::pixelsX(double twips) const { return TwipsToPixels(twips, tppX_); }
int Form1::pixelsY(double twips) const { return TwipsToPixels(twips, tppY_); }

void Form1::place(QWidget* widget, const TwipRect& r) {
  rects_[widget->objectName().toStdString()] = r;
  widget->setGeometry(pixelsX(r.Left), pixelsY(r.Top), pixelsX(r.Width), pixelsY(r.Height));
}

void Form1::buildControls() {
  client_ = new ClientArea(this);
  client_->setObjectName("Form1");
  QPalette palette = client_->palette();
  palette.setColor(QPalette::Window, QColor(192, 192, 192));
  client_->setPalette(palette);
  client_->setAutoFillBackground(true);
  setCentralWidget(client_);

  text1_ = new PathBox(client_);
  text1_->setObjectName("Text1");
  text1_->onGotFocus = [this] { Text1_GotFocus(); };
  text1_->setAcceptDrops(false);  // a dropped file loads; its name is not typed in
  connect(text1_, &QLineEdit::returnPressed, this, [this] { LoadSprite(); });

  browse_ = new QPushButton("Browse", client_);
  browse_->setObjectName("Browse");
  browse_->setAutoDefault(false);
  connect(browse_, &QPushButton::clicked, this, [this] { Browse_Click(); });

  pictureView_ = new PictureView(client_, picture1_);
  pictureView_->setObjectName("Picture1");
  pictureView_->setToolTip("Preview");
  pictureView_->setFocusPolicy(Qt::StrongFocus);
  client_->framed = pictureView_;
  picture1_.onRefresh = [this] { pictureView_->update(); };
  picture1_.onPointer = [this](int pointer) {
    if (pointer == pointer::kHourglass) {
      pictureView_->setCursor(Qt::WaitCursor);
    } else {
      pictureView_->unsetCursor();
    }
  };

  tree_ = new FolderTree(client_);
  tree_->setObjectName("TreeView1");
  connect(tree_, &QTreeWidget::itemExpanded, this,
          [this](QTreeWidgetItem* item) { TreeView1_Expand(item); });
  connect(tree_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem*, int) { TreeView1_DblClick(); });
  tree_->onEnter = [this] { TreeView1_DblClick(); };
  // An open gallery follows the tree, whatever folder it was given before.
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (gallery_ != nullptr && tree_->SelectedItem() != nullptr)
      gallery_->showFolder(selectedFolder());
  });

  check1_ = new QCheckBox("Show &all frames", client_);
  check1_->setObjectName("Check1");
  check1_->setToolTip("Show all the animation frames in the SPR file");
  check1_->setChecked(true);

  scroll_ = new QScrollBar(Qt::Vertical, client_);
  scroll_->setObjectName("VScroll1");
  scroll_->setRange(0, 0);
  scroll_->setSingleStep(1);
  scroll_->setPageStep(1);
  scroll_->setTracking(false);  // Change when the thumb is let go; Scroll while it moves
  scroll_->setEnabled(false);
  scroll_->setFocusPolicy(Qt::TabFocus);
  scrollControl_ = std::make_unique<ScrollBarControl>(*scroll_);
  connect(scroll_, &QScrollBar::valueChanged, this, [this](int) { VScroll1_Change(); });
  connect(scroll_, &QScrollBar::sliderMoved, this, [this](int) { VScroll1_Scroll(); });

  statusBar_ = new StatusPanel(this, status_);
  statusBar_->setObjectName("StatusBar1");
  statusBar_->setFixedHeight(pixelsY(kStatusBarHeight));
  setStatusBar(statusBar_);

  text2_ = new QLineEdit(client_);
  text2_->setObjectName("Text2");
  text2_->setAcceptDrops(false);

  auto label = [this](const char* name, const char* caption) {
    auto* l = new QLabel(caption, client_);
    l->setObjectName(name);
    place(l, DesignRect(name));
  };
  label("Label1", "File Path");
  label("Label2", "Directory Tree");
  label("Label3", "Batch Output Folder");

  check2_ = new QCheckBox("Show frame &numbers", client_);
  check2_->setObjectName("Check2");
  check2_->setToolTip("Draw each frame's number on the sheet");
  check2_->setChecked(true);

  place(text1_, DesignRect("Text1"));
  place(browse_, DesignRect("Browse"));
  place(pictureView_, DesignRect("Picture1"));
  place(tree_, DesignRect("TreeView1"));
  place(check1_, DesignRect("Check1"));
  place(scroll_, DesignRect("VScroll1"));
  place(text2_, DesignRect("Text2"));
  place(check2_, DesignRect("Check2"));
  const TwipRect sheet = DesignRect("Picture2");
  picture1_.SetWidth(sheet.Width);
  picture1_.SetHeight(sheet.Height);
  picture2_.SetWidth(sheet.Width);
  picture2_.SetHeight(sheet.Height);

  setTabOrder(text1_, browse_);
  setTabOrder(browse_, pictureView_);
  setTabOrder(pictureView_, tree_);
  setTabOrder(tree_, check1_);
  setTabOrder(check1_, scroll_);
  setTabOrder(scroll_, text2_);
  setTabOrder(text2_, check2_);

  client_->onResize = [this] { Form_Resize(); };
}

void Form1::buildMenu() {
  QMenu* file = menuBar()->addMenu("&File");
  file->setObjectName("mnuFile");
  auto item = [&](const char* name, const char* caption, void (Form1::*handler)()) {
    QAction* action = file->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
  };
  item("mnuFileOpen", "&Open", &Form1::mnuFileOpen_Click);
  item("mnuFileSave", "&Save Single", &Form1::mnuFileSave_Click);
  item("mnuSaveMult", "Save &Multiple", &Form1::mnuSaveMult_Click);
  file->addSeparator()->setObjectName("mnublank1");
  item("mnuFileExit", "E&xit", &Form1::mnuFileExit_Click);

  // Additions after File; every item works on the sprite last loaded.
  auto add = [this](QMenu* menu, const char* name, const char* caption, void (Form1::*handler)()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setEnabled(false);
    connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return action;
  };
  QMenu* view = menuBar()->addMenu("&View");
  view->setObjectName("mnuView");
  mnuAnimation_ = add(view, "mnuAnimation", "&Animation...", &Form1::mnuAnimation_Click);
  QAction* gallery = add(view, "mnuGallery", "&Gallery...", &Form1::mnuGallery_Click);
  gallery->setEnabled(true);  // needs no sprite
  gallery->setShortcut(QKeySequence("Ctrl+G"));
  QMenu* exportMenu = menuBar()->addMenu("&Export");
  exportMenu->setObjectName("mnuExport");
  exportItems_ = {
      add(exportMenu, "mnuExportFrames", "Frames as &PNG...", &Form1::mnuExportFrames_Click),
      add(exportMenu, "mnuExportSheet", "&Sheet...", &Form1::mnuExportSheet_Click),
      add(exportMenu, "mnuExportGif", "Animated &GIF...", &Form1::mnuExportGif_Click),
      add(exportMenu, "mnuExportPalette", "Pa&lette...", &Form1::mnuExportPalette_Click)};
  exportMenu->addSeparator()->setObjectName("mnublank2");
  transparent_ = exportMenu->addAction("&Transparent index 0");
  transparent_->setObjectName("mnuTransparent");
  transparent_->setCheckable(true);
  transparent_->setEnabled(false);
  exportItems_.push_back(transparent_);
}

// --- The window model ---

std::string Form1::Text1() const { return text1_->path(); }
void Form1::SetText1(const std::string& text) { text1_->setPath(text); }
std::string Form1::Text2() const { return text2_->text().toStdString(); }
void Form1::SetText2(const std::string& text) { text2_->setText(QString::fromStdString(text)); }
int Form1::Check1() const { return check1_->isChecked() ? 1 : 0; }
int Form1::Check2() const { return check2_->isChecked() ? 1 : 0; }
ScrollBar& Form1::VScroll1() { return *scrollControl_; }

void Form1::SetStatusText(std::string text) {
  status_.set(std::move(text));
  statusBar_->changed();
}

void Form1::SetStatusTail(const std::string& prefix, std::string_view tail) {
  status_.setTail(prefix, tail);
  statusBar_->changed();
}

void Form1::Yield() {
  if (yieldHook && !inYieldHook_) {
    ScopedFlag inHook(inYieldHook_);
    yieldHook();
  }
  // Often enough that the window repaints well within 50 ms, rarely enough not to slow the work.
  const std::int64_t now = coarseMilliseconds();
  if (eventsRanAt_ >= 0 && now - eventsRanAt_ < kYieldIntervalMs) return;
  eventsRanAt_ = now;  // a yield from a handler run below returns at once
  QCoreApplication::processEvents();
  eventsRanAt_ = coarseMilliseconds();
}

// --- Geometry in twips ---

int Form1::Width() const { return PixelsToTwips(client_->width(), tppX_) + kFrameWidth; }
int Form1::Height() const { return PixelsToTwips(client_->height(), tppY_) + kFrameHeight; }

void Form1::SetWidth(int twips) {
  int delta = pixelsX(twips - kFrameWidth) - client_->width();
  resize(width() + delta, height());
}

void Form1::SetHeight(int twips) {
  int delta = pixelsY(twips - kFrameHeight) - client_->height();
  resize(width(), height() + delta);
}

TwipRect Form1::ControlRect(const std::string& name) const {
  if (name == "Picture1" || name == "Picture2") {
    const ImagePictureBox& box = name == "Picture1" ? picture1_ : picture2_;
    TwipRect design = DesignRect(name);
    return {design.Left, design.Top, box.Width(), box.Height()};
  }
  if (name == "StatusBar1") {  // docked: it goes wherever the client area ends
    return {0, PixelsToTwips(client_->height(), tppY_), PixelsToTwips(client_->width(), tppX_),
            PixelsToTwips(statusBar_->height(), tppY_)};
  }
  auto found = rects_.find(name);
  return found == rects_.end() ? TwipRect{} : found->second;
}

// --- Start-up, layout and closing ---

void Form1::Form_Load() {
  CommonDialog1.InitDir = spriteFolder_;
  tree_->Add({}, kRootKey, spriteFolder_, kFolderImage);
  if (QTreeWidgetItem* root = tree_->Node(kRootKey)) root->setExpanded(true);
  FillFolderNode(spriteFolder_ + kSep, kRootKey);
  const std::string pictures = options_.picturesFolder.value_or(PicturesFolder());
  SetText2(BuiltForInstallation() ? PrepareInstalledOutputFolder(pictures)
                                  : PrepareOutputFolder(appPath_, pictures));
}

void Form1::Form_Resize() {
  if (isMinimized() || inResize_) return;
  ScopedFlag resizing(inResize_);
  if (Height() < kMinHeight) SetHeight(kMinHeight);
  if (Width() < kMinWidth) SetWidth(kMinWidth);
  applyLayout(ComputeLayout(Width(), Height(), tppY_));
}

void Form1::applyLayout(const Layout& l) {
  place(text1_, l.Text1);
  place(text2_, l.Text2);
  place(browse_, l.Browse);
  place(tree_, l.TreeView1);
  place(pictureView_, l.Picture1);
  picture1_.SetWidth(l.Picture1.Width);
  picture1_.SetHeight(l.Picture1.Height);
  viewer_.ApplySheetLayout(l.Picture2Width, l.Picture2Height);
  place(scroll_, l.VScroll1);
  viewer_.PreviewResized();
  pictureView_->update();
  client_->update();  // the preview's frame moves with it
}

void Form1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) Form_Resize();
}

void Form1::Form_Unload(int& Cancel) {
  if (Loading || Exporting) Cancel = 1;
}

void Form1::closeEvent(QCloseEvent* event) {
  int Cancel = 0;
  Form_Unload(Cancel);
  if (Cancel != 0) {
    event->ignore();
  } else {
    event->accept();
    if (animation_ != nullptr) animation_->close();
  }
}

void Form1::mnuFileExit_Click() { close(); }

// --- The open dialog and the path box ---

void Form1::Browse_Click() {
  try {
    CommonDialog1.CancelError = true;
    CommonDialog1.Filter = kOpenFilter;
    dialogs().ShowOpen(CommonDialog1);
    CommonDialog1.InitDir.clear();
    openChosen(CommonDialog1.FileName);
  } catch (...) {
    // A cancel, or any other failure: the handler ends quietly, nothing undone.
  }
}

void Form1::mnuFileOpen_Click() { Browse_Click(); }

void Form1::OpenNamed(const std::string& path) {
  CommonDialog1.InitDir.clear();
  CommonDialog1.FileName = path;
  SetText1(path);
  LoadSprite();
}

void Form1::openChosen(const std::string& chosen) {
  const std::optional<std::string> path = ChosenPath(chosen);
  if (!path) {
    dialogs().MsgBox("Cannot open \"" + chosen +
                         "\": more than one file in its folder has a name shown this way.",
                     style::kExclamation, "");
    return;
  }
  SetText1(*path);
  LoadSprite();
}

void Form1::Text1_GotFocus() { text1_->setSelection(0, static_cast<int>(text1_->text().size())); }

// --- The directory tree ---

void Form1::FillFolderNode(const std::string& folderPath, const std::string& parentKey) {
  for (const std::string& name : ListFolder(folderPath, "*", ListFilter::FilesAndFolders)) {
    if (name == "." || name == "..") continue;
    if (GetAttr(folderPath + name) != attr::kDirectory) continue;
    const std::string key = folderPath + name + kSep;
    if (tree_->Add(parentKey, key, name, kFolderImage) == nullptr) continue;
    tree_->Add(key, kPlaceholderPrefix + folderPath + name, name, 0);
  }
  for (const std::string& name : ListFolder(folderPath, "*.spr", ListFilter::Files))
    tree_->Add(parentKey, folderPath + name, name, kSpriteImage);
}

void Form1::TreeView1_Expand(QTreeWidgetItem* Node) {
  const std::string key = tree_->Key(Node);
  if (key.empty() || key == kRootKey) return;
  const std::string child = tree_->FirstChildKey(Node);
  if (child.compare(0, 3, kPlaceholderPrefix) != 0) return;
  tree_->Remove(child);
  FillFolderNode(key, key);
}

void Form1::TreeView1_DblClick() {
  QTreeWidgetItem* selected = tree_->SelectedItem();
  if (selected == nullptr) return;
  const std::string key = tree_->Key(selected);
  // Listed sprite files end in ".spr" in any letter case; placeholders are never files.
  if (key.compare(0, 3, kPlaceholderPrefix) == 0 || !image::IsSpriteFileName(key)) return;
  SetText1(key);
  LoadSprite();
}

// --- The features ---

void Form1::LoadSprite() { viewer_.LoadSprite(); }
void Form1::VScroll1_Change() { viewer_.VScroll1_Change(); }
void Form1::VScroll1_Scroll() { viewer_.VScroll1_Scroll(); }
void Form1::mnuFileSave_Click() { exporter_.mnuFileSave_Click(); }
void Form1::mnuSaveMult_Click() { exporter_.mnuSaveMult_Click(); }
// --- Additions: dropped files, the animation window and the Export menu ---

bool Form1::DropFiles(const QList<QUrl>& urls) {
  for (const QUrl& url : urls) {
    if (!url.isLocalFile()) continue;
    const std::string path = QFileInfo(url.toLocalFile()).absoluteFilePath().toStdString();
    if (!image::IsSpriteFileName(path::FileName(path))) continue;
    openChosen(path);
    return true;
  }
  return false;
}

namespace {
bool HoldsSprite(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return false;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile() && image::IsSpriteFileName(url.fileName().toStdString())) return true;
  return false;
}
}  // namespace

void Form1::dragEnterEvent(QDragEnterEvent* event) {
  if (HoldsSprite(event->mimeData())) event->acceptProposedAction();
}

void Form1::dragMoveEvent(QDragMoveEvent* event) {
  if (HoldsSprite(event->mimeData())) event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
  if (event->mimeData() != nullptr && event->mimeData()->hasUrls() &&
      DropFiles(event->mimeData()->urls()))
    event->acceptProposedAction();
}

void Form1::spriteLoaded(const std::string& path) {
  mnuAnimation_->setEnabled(true);
  for (QAction* item : exportItems_) item->setEnabled(true);
  if (animation_ != nullptr) animation_->setSprite(path);
}

void Form1::mnuAnimation_Click() {
  if (lastLoaded().empty()) return;
  if (animation_ == nullptr) showAnimation(lastLoaded());
  animation_->show();
  animation_->raise();
  animation_->activateWindow();
}

void Form1::showAnimation(const std::string& path) {
  if (animation_ == nullptr) animation_ = new AnimationWindow(*animationHost_);
  if (animation_->spritePath() != path) animation_->setSprite(path);
  animation_->show();
  animation_->raise();
  animation_->activateWindow();
}

std::string Form1::selectedFolder() const {
  const QTreeWidgetItem* selected = tree_->SelectedItem();
  std::string key = selected == nullptr ? kRootKey : tree_->Key(selected);
  if (key == kRootKey) return spriteFolder_;
  if (key.compare(0, 3, kPlaceholderPrefix) == 0) return key.substr(3);
  if (key.back() == kSep[0]) return key.substr(0, key.size() - 1);
  return path::Split(key).folder;
}

void Form1::mnuGallery_Click() { OpenGallery(selectedFolder()); }

void Form1::OpenGallery(const std::string& folder) {
  if (gallery_ == nullptr) gallery_ = new GalleryWindow(*galleryHost_);
  gallery_->showFolder(folder);
  gallery_->show();
  gallery_->raise();
  gallery_->activateWindow();
}

std::string Form1::exportFolder() const {
  const std::string output = Text2();
  std::error_code ec;
  if (!output.empty() && std::filesystem::is_directory(output, ec)) return output;
  const std::string sprite = lastLoaded();
  return sprite.substr(0, sprite.size() - path::FileName(sprite).size() - 1);
}

void Form1::startExport(WindowExportJob::Kind kind, const std::string& target) {
  if (exporter_.refuseWhileBusy()) return;  // a load or an export started meanwhile
  exports_->start({kind, lastLoaded(), target, transparent_->isChecked(),
                   animationHost_->frameTimeMs, exportFrameHook});
}

void Form1::mnuExportFrames_Click() {
  if (lastLoaded().empty() || exporter_.refuseWhileBusy()) return;
  const std::optional<std::string> folder =
      dialogs().ChooseFolder("Export Frames as PNG", exportFolder());
  if (folder) startExport(WindowExportJob::Kind::kFramesPng, *folder);
}

void Form1::exportToFile(WindowExportJob::Kind kind, const std::string& title,
                         const std::string& suffix, const std::string& filter) {
  if (lastLoaded().empty() || exporter_.refuseWhileBusy()) return;
  const std::optional<std::string> file = dialogs().ShowSave(
      title, exportFolder() + kSep + image::SpriteName(lastLoaded()) + suffix, filter);
  if (file) startExport(kind, *file);
}

void Form1::mnuExportSheet_Click() {
  exportToFile(WindowExportJob::Kind::kSheet, "Export Sheet", "-sheet.png",
               "PNG image (*.png)|*.png");
}

void Form1::mnuExportGif_Click() {
  exportToFile(WindowExportJob::Kind::kGif, "Export Animated GIF", ".gif",
               "GIF image (*.gif)|*.gif");
}

void Form1::mnuExportPalette_Click() {
  if (lastLoaded().empty() || exporter_.refuseWhileBusy()) return;
  const PaletteFiles& files = animationHost_->paletteFiles;
  const std::optional<std::string> file = dialogs().ShowSave(
      "Export Palette",
      exportFolder() + kSep + image::SpriteName(lastLoaded()) + FirstPaletteExtension(files),
      PaletteSaveFilter(files));
  if (!file) return;
  std::string reason;
  try {
    FileSource source(lastLoaded());
    const std::optional<spr::Bytes> bytes =
        PaletteFileBytes(files, *file, spr::SprReader(source).readPalette(), lastLoaded());
    if (bytes) {
      WriteFileAtomically(*file, *bytes);
      return;
    }
    reason = "its extension names no kind of palette written here";
  } catch (const Error& e) {
    reason = e.description().empty() ? DefaultDescription(e.number()) : e.description();
  } catch (const std::exception& e) {
    reason = e.what();
  }
  dialogs().MsgBox(UnwritableMessage(*file, reason), style::kExclamation, kAppTitle);
}

void Form1::SaveFrames(std::int16_t& StartFrame, std::int16_t& EndFrame,
                       const std::string& Filename) {
  exporter_.SaveFrames(StartFrame, EndFrame, Filename);
}

}  // namespace glint

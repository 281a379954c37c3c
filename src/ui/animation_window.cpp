#include "ui/animation_window.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <chrono>
#include <filesystem>
#include <thread>

#include "export/sprite_export.h"
#include "image/naming.h"
#include "image/png_writer.h"
#include "path/path.h"
#include "platform/atomic_file.h"
#include "platform/byte_source.h"
#include "platform/errors.h"
#include "platform/fault_reason.h"
#include "ui/palette_panel.h"

namespace glint {
namespace {

std::int64_t steadyMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The room a window may take on the screen, less what window managers add around it.
QSize screenRoom(const QWidget& window) {
  const QScreen* screen =
      window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return {1024, 768};
  return screen->availableGeometry().size() - QSize(16, 48);
}

// Wide enough for the status line with a pixel under the pointer beside the frame time.
constexpr int kMinimumWidth = 760;

}  // namespace

AnimationWindow::AnimationWindow(AnimationHost& host) : QWidget(nullptr), host_(host) {
  clock = steadyMicroseconds;
  setObjectName("AnimationWindow");
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_QuitOnClose, false);  // the main window alone ends the program

  scroll_ = new QScrollArea(this);
  scroll_->setObjectName("AnimationView");
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setWidgetResizable(true);
  scroll_->setFocusPolicy(Qt::NoFocus);
  canvas_ = new AnimationCanvas(*this);
  canvas_->setObjectName("AnimationCanvas");
  scroll_->setWidget(canvas_);
  panel_ = new PalettePanel(*this);
  panel_->hide();

  status_ = new QLabel(this);
  status_->setObjectName("AnimationStatus");
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  frameTime_ = new QSpinBox(this);
  frameTime_->setObjectName("FrameTime");
  frameTime_->setRange(anim::kMinFrameTime, anim::kMaxFrameTime);
  frameTime_->setSuffix(" ms");
  frameTime_->setToolTip("Frame time ([ slower, ] faster)");
  frameTime_->setFocusPolicy(Qt::ClickFocus);
  frameTime_->setValue(host_.frameTimeMs);
  connect(frameTime_, &QSpinBox::valueChanged, this, [this](int ms) { setFrameTime(ms); });

  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(6, 3, 6, 3);
  bar->addWidget(status_, 1);
  auto* label = new QLabel("Frame &time", this);
  label->setBuddy(frameTime_);
  bar->addWidget(label);
  bar->addWidget(frameTime_);
  auto* middle = new QHBoxLayout;
  middle->setSpacing(0);
  middle->addWidget(scroll_, 1);
  middle->addWidget(panel_, 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addLayout(middle, 1);
  layout->addLayout(bar);
  buildMenu();

  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  timer_->setTimerType(Qt::PreciseTimer);
  connect(timer_, &QTimer::timeout, this, [this] { tick(); });
  reading_ = new QTimer(this);
  connect(reading_, &QTimer::timeout, this, [this] { readHeaders(); });
  connect(&host_.transparent, &QAction::toggled, canvas_, [this] { canvas_->update(); });

  addKey(Qt::Key_Space, [this] { togglePlaying(); });
  addKey(Qt::Key_Right, [this] { step(1); });
  addKey(Qt::Key_Left, [this] { step(-1); });
  addKey(Qt::Key_Home, [this] { goFirst(); });
  addKey(Qt::Key_End, [this] { goLast(); });
  for (QKeyCombination in : {Qt::CTRL | Qt::Key_Equal, Qt::CTRL | Qt::Key_Plus})
    addKey(in, [this] { zoomIn(); });
  addKey(Qt::CTRL | Qt::Key_Minus, [this] { zoomOut(); });
  addKey(Qt::CTRL | Qt::Key_0, [this] { setZoom(1); });
  addKey(Qt::Key_BracketLeft,
         [this] { frameTime_->setValue(anim::SlowerFrameTime(frameTime_->value())); });
  addKey(Qt::Key_BracketRight,
         [this] { frameTime_->setValue(anim::FasterFrameTime(frameTime_->value())); });
  addKey(Qt::Key_T, [this] { host_.transparent.trigger(); });
  addKey(Qt::CTRL | Qt::Key_C, [this] { copyFrame(); });
  addKey(Qt::CTRL | Qt::Key_S, [this] { saveFrame(); });
  addKey(Qt::Key_Escape, [this] { escape(); });
  addKey(Qt::CTRL | Qt::Key_W, [this] { close(); });
  canvas_->setFocus();
}

AnimationWindow::~AnimationWindow() {
  if (countCancelled_) *countCancelled_ = true;
}

void AnimationWindow::buildMenu() {
  auto* bar = new QMenuBar(this);
  bar->setObjectName("AnimationMenu");
  auto item = [this](QMenu* menu, const char* name, const char* caption, QKeySequence keys,
                     std::function<void()> action) {
    QAction* added = menu->addAction(caption);
    added->setObjectName(name);
    added->setShortcut(keys);
    connect(added, &QAction::triggered, this, std::move(action));
    return added;
  };
  QMenu* view = bar->addMenu("&View");
  paletteShown_ = item(view, "mnuPalettePanel", "&Palette", Qt::Key_P, [] {});
  paletteShown_->setCheckable(true);
  connect(paletteShown_, &QAction::toggled, this, [this](bool on) { setPaletteShown(on); });
  QMenu* palette = bar->addMenu("&Palette");
  item(palette, "mnuLoadPalette", "&Load Palette...", Qt::CTRL | Qt::Key_P,
       [this] { loadPalette(); });
  item(palette, "mnuOwnPalette", "Sprite's &Own Palette", Qt::CTRL | Qt::SHIFT | Qt::Key_P,
       [this] { showOwnPalette(); });
  static_cast<QVBoxLayout*>(layout())->setMenuBar(bar);
}

void AnimationWindow::addKey(const QKeySequence& keys, std::function<void()> action) {
  auto* shortcut = new QShortcut(keys, this);
  connect(shortcut, &QShortcut::activated, this, std::move(action));
}

bool AnimationWindow::transparent() const { return host_.transparent.isChecked(); }

void AnimationWindow::setSprite(const std::string& path) {
  path_ = path;
  setWindowTitle(QString::fromStdString("Animation - " + std::string(path::FileName(path))));
  timer_->stop();
  reading_->stop();
  animation_.reset();  // the old sprite's cache goes before the new one fills
  shown_ = {};
  countedFrame_.reset();
  highlight_.reset();
  spriteCounts_.reset();
  if (countCancelled_) *countCancelled_ = true;
  countCancelled_.reset();
  try {
    animation_ = std::make_unique<anim::Animation>(std::make_unique<FileSource>(path), clock);
    animation_->playback().setFrameTime(host_.frameTimeMs);
    if (tried_) animation_->showPalette(tried_->over(animation_->ownPalette()));
  } catch (const std::exception&) {
    animation_.reset();  // told in the window's middle
  }
  if (paletteShown()) countSprite();
  fitToZoom();
  showFrame(true);
  if (animation_ && !animation_->indexed()) reading_->start(0);
}

void AnimationWindow::readHeaders() {
  // A slice at a time: the window stays live while a long sprite's records are read.
  if (!animation_ || animation_->readHeaders(256)) {
    reading_->stop();
    fitToZoom();
    showFrame(true);
  }
}

void AnimationWindow::tick() { showFrame(false, true); }

void AnimationWindow::showFrame(bool force, bool now) {
  if (animation_) {
    const anim::Animation::Shown due = animation_->current();
    if (force || due.number != shown_.number || due.pixels != shown_.pixels) {
      shown_ = due;
      // On time: an update would wait for the window system's next round of paints.
      if (now && canvas_->isVisible())
        canvas_->repaint();
      else
        canvas_->update();
    }
    anim::Playback& playback = animation_->playback();
    if (playback.playing()) {
      const std::int64_t wait = playback.nextChangeAt() - clock();
      timer_->start(static_cast<int>(std::max<std::int64_t>(0, (wait + 999) / 1000)));
    } else {
      timer_->stop();
    }
  } else {
    canvas_->update();
  }
  updateStatus();
}

QString AnimationWindow::statusText() const {
  if (!animation_) return {};
  if (swatch_) {
    const auto k = static_cast<std::size_t>(*swatch_);
    const std::optional<std::uint64_t> inSprite =
        spriteCounts_ ? std::optional((*spriteCounts_)[k]) : std::nullopt;
    return QString::fromStdString(
        anim::SwatchText(k, animation_->palette().colour(k), frameCounts_[k], inSprite));
  }
  std::string text = animation_->statusText(shown_, pointer_);
  if (!palettePath_.empty()) text += " | palette " + std::string(path::FileName(palettePath_));
  return QString::fromStdString(text);
}

void AnimationWindow::updateStatus() {
  if (swatch_) frameCounts();  // the counts follow the frame shown
  status_->setText(statusText());
  if (paletteShown()) panel_->update();
}

void AnimationWindow::escape() {
  if (highlight_.none()) {
    close();
    return;
  }
  highlight_.reset();
  canvas_->update();
  panel_->update();
}

bool AnimationWindow::paletteShown() const { return paletteShown_->isChecked(); }

void AnimationWindow::setPaletteShown(bool shown) {
  if (paletteShown_->isChecked() != shown) {
    paletteShown_->setChecked(shown);  // comes back here once
    return;
  }
  panel_->setVisible(shown);
  if (shown && !spriteCounts_ && !countCancelled_) countSprite();
  if (!shown) swatch_.reset();
  fitToZoom();
  updateStatus();
}

void AnimationWindow::countSprite() {
  if (!animation_) return;
  // Off the window's thread: a long sprite's records are read again in full. The result is posted
  // back, never waited for; a window closed or given another sprite meanwhile drops it.
  auto cancelled = std::make_shared<std::atomic<bool>>(false);
  countCancelled_ = cancelled;
  QPointer<AnimationWindow> self(this);
  std::thread([path = path_, cancelled, self] {
    std::optional<anim::IndexCounts> counts;
    try {
      FileSource source(path);
      counts = anim::CountSpritePixels(source, *cancelled);
    } catch (const std::exception&) {
      return;  // unreadable now: the panel fades nothing
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (*cancelled || app == nullptr) return;
    QMetaObject::invokeMethod(
        app,
        [self, cancelled, counts] {
          if (self == nullptr || *cancelled) return;
          self->spriteCounts_ = counts;
          self->updateStatus();
          self->panel_->update();
        },
        Qt::QueuedConnection);
  }).detach();
}

void AnimationWindow::pickIndex(int index, bool add) {
  const auto k = static_cast<std::size_t>(index);
  if (add)
    highlight_.flip(k);
  else if (highlight_[k])
    highlight_.reset();
  else
    highlight_.reset().set(k);
  canvas_->update();
  panel_->update();
}

void AnimationWindow::pointAtSwatch(std::optional<int> index) {
  swatch_ = index;
  updateStatus();
}

std::optional<int> AnimationWindow::indexUnderPointer() const {
  if (!animation_ || !pointer_ || !shown_.pixels) return std::nullopt;
  const std::optional<anim::Point> pixel =
      anim::PixelUnderPointer(*pointer_, shown_.placement, animation_->zoom());
  if (!pixel) return std::nullopt;
  return shown_.pixels->at(pixel->x, pixel->y);
}

const anim::IndexCounts& AnimationWindow::frameCounts() {
  if (countedFrame_ != shown_.pixels) {
    countedFrame_ = shown_.pixels;
    frameCounts_ = {};
    if (countedFrame_) anim::CountFramePixels(*countedFrame_, frameCounts_);
  }
  return frameCounts_;
}

void AnimationWindow::loadPalette() {
  CommonDialog dialog;
  dialog.Filter =
      "Palettes and sprites (*.spr;*.gpl;*.pal;*.png)|*.spr;*.gpl;*.pal;*.png|All files (*.*)|*.*";
  dialog.InitDir = path_.empty() ? std::string() : std::string(path::Split(path_).folder);
  host_.dialogs.ShowOpen(dialog);
  if (dialog.FileName.empty()) return;
  try {
    FileSource source(dialog.FileName);
    tried_ = host_.paletteFiles.read(source);
  } catch (const Error& e) {
    host_.dialogs.MsgBox(
        "Cannot use " + dialog.FileName + " as a palette: " +
            (e.description().empty() ? DefaultDescription(e.number()) : e.description()),
        style::kExclamation, kAppTitle);
    return;
  } catch (const spr::Fault& fault) {
    host_.dialogs.MsgBox("Cannot use " + dialog.FileName + " as a palette: " + FaultReason(fault),
                         style::kExclamation, kAppTitle);
    return;
  } catch (const std::exception& e) {
    host_.dialogs.MsgBox("Cannot use " + dialog.FileName + " as a palette: " + e.what(),
                         style::kExclamation, kAppTitle);
    return;
  }
  palettePath_ = dialog.FileName;
  if (animation_) animation_->showPalette(tried_->over(animation_->ownPalette()));
  canvas_->update();
  updateStatus();
}

void AnimationWindow::showOwnPalette() {
  tried_.reset();
  palettePath_.clear();
  if (animation_) animation_->showPalette(animation_->ownPalette());
  canvas_->update();
  updateStatus();
}

void AnimationWindow::togglePlaying() {
  if (!animation_) return;
  animation_->playback().togglePlaying();
  showFrame(false);
}

void AnimationWindow::step(int delta) {
  if (!animation_) return;
  animation_->playback().step(delta);
  showFrame(false);
}

void AnimationWindow::goFirst() {
  if (!animation_) return;
  animation_->playback().go(0);
  showFrame(false);
}

void AnimationWindow::goLast() {
  if (!animation_) return;
  animation_->playback().go(animation_->playableCount() - 1);
  showFrame(false);
}

void AnimationWindow::setZoom(int zoom) {
  if (!animation_ || animation_->zoom() == zoom) return;
  // The middle of what shows stays in the middle.
  QScrollBar* h = scroll_->horizontalScrollBar();
  QScrollBar* v = scroll_->verticalScrollBar();
  const QSize view = scroll_->viewport()->size();
  const double ratio = static_cast<double>(zoom) / animation_->zoom();
  const int x = static_cast<int>((h->value() + view.width() / 2) * ratio) - view.width() / 2;
  const int y = static_cast<int>((v->value() + view.height() / 2) * ratio) - view.height() / 2;
  animation_->setZoom(zoom);
  fitToZoom();
  h->setValue(x);
  v->setValue(y);
  canvas_->update();
  updateStatus();
}

void AnimationWindow::zoomIn() {
  if (animation_) setZoom(anim::ZoomIn(animation_->zoom()));
}

void AnimationWindow::zoomOut() {
  if (animation_) setZoom(anim::ZoomOut(animation_->zoom()));
}

void AnimationWindow::setFrameTime(int ms) {
  host_.frameTimeMs = ms;
  if (frameTime_->value() != ms) frameTime_->setValue(ms);  // comes back here once
  if (!animation_) return;
  animation_->playback().setFrameTime(ms);
  showFrame(false);
}

void AnimationWindow::fitToZoom() {
  const int zoom = animation_ ? animation_->zoom() : 1;
  const QSize picture =
      animation_ ? QSize(animation_->canvasWidth() * zoom, animation_->canvasHeight() * zoom)
                 : QSize(0, 0);
  canvas_->setMinimumSize(picture);
  // Grow (or shrink) to show the whole canvas, up to the screen; scroll beyond.
  const int barHeight =
      layout()->itemAt(1)->sizeHint().height() + layout()->menuBar()->sizeHint().height();
  const QSize panel = paletteShown() ? panel_->sizeHint() : QSize(0, 0);
  const QSize wanted(std::max(picture.width() + panel.width(), kMinimumWidth),
                     std::max({picture.height(), panel.height(), 120}) + barHeight);
  resize(wanted.boundedTo(screenRoom(*this)));
}

void AnimationWindow::copyFrame() {
  if (!animation_ || !shown_.pixels) return;
  const spr::IndexedImage& frame = *shown_.pixels;
  QImage image(frame.width, frame.height, QImage::Format_Indexed8);
  QList<QRgb> colours(256);
  for (std::size_t k = 0; k < 256; ++k)
    colours[static_cast<qsizetype>(k)] = animation_->colours()[k];
  if (transparent()) colours[0] &= 0x00FFFFFF;
  image.setColorTable(colours);
  for (int y = 0; y < frame.height; ++y)
    std::copy(frame.row(y), frame.row(y) + frame.width, image.scanLine(y));
  QGuiApplication::clipboard()->setImage(image);
}

void AnimationWindow::saveFrame() {
  if (!animation_ || !shown_.pixels) return;
  if (host_.refuseWhileBusy()) return;
  // Held through the dialog: the frame saved is the one showing when the keys were pressed.
  const std::shared_ptr<const spr::IndexedImage> frame = shown_.pixels;
  const int number = shown_.number;
  const std::string name = image::FrameFileName(image::SpriteName(path_), number, ".png");
  const std::optional<std::string> target = host_.dialogs.ShowSave(
      "Save Frame", host_.saveFolder() + path::kSeparator + name, "PNG image (*.png)|*.png");
  if (!target) return;
  std::error_code ec;
  if (std::filesystem::equivalent(*target, path_, ec)) {
    host_.dialogs.MsgBox(UnwritableMessage(*target, "it is the sprite being shown"),
                         style::kExclamation, kAppTitle);
    return;
  }
  try {
    WriteFileAtomically(*target, image::PalettePng(*frame, animation_->palette(), transparent()));
  } catch (const Error& e) {
    host_.dialogs.MsgBox(UnwritableMessage(*target, e.description()), style::kExclamation,
                         kAppTitle);
  } catch (const std::exception& e) {
    host_.dialogs.MsgBox(UnwritableMessage(*target, e.what()), style::kExclamation, kAppTitle);
  }
}

AnimationCanvas::AnimationCanvas(AnimationWindow& window) : QWidget(nullptr), window_(window) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
}

QPoint AnimationCanvas::origin() const {
  const anim::Animation* a = window_.animation_.get();
  if (a == nullptr) return {0, 0};
  return {std::max(0, (width() - a->canvasWidth() * a->zoom()) / 2),
          std::max(0, (height() - a->canvasHeight() * a->zoom()) / 2)};
}

void AnimationCanvas::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const anim::Animation* a = window_.animation_.get();
  if (a == nullptr || a->playableCount() == 0) {
    painter.fillRect(rect(), QColor::fromRgb(anim::kCanvasColour));
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter,
                     a == nullptr ? "Cannot read this sprite" : "No frames with pixels");
    return;
  }
  // Only the part to repaint, computed in screen pixels: nothing as large as the zoomed frame.
  const QRect exposed = event->rect();
  const QPoint at = origin();
  QImage part(exposed.size(), QImage::Format_RGB32);
  const anim::Rect area{exposed.x() - at.x(), exposed.y() - at.y(), exposed.width(),
                        exposed.height()};
  anim::PaintCanvas(window_.shown_.pixels.get(), window_.shown_.placement, a->colours(), a->zoom(),
                    window_.transparent(), area, reinterpret_cast<std::uint32_t*>(part.bits()),
                    static_cast<int>(part.bytesPerLine() / 4), &window_.highlight_);
  painter.drawImage(exposed.topLeft(), part);
}

void AnimationCanvas::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint() - origin();
  window_.pointer_ = anim::Point{p.x(), p.y()};
  window_.updateStatus();
}

void AnimationCanvas::leaveEvent(QEvent*) {
  window_.pointer_.reset();
  window_.updateStatus();
}

void AnimationCanvas::wheelEvent(QWheelEvent* event) {
  if (!(event->modifiers() & Qt::ControlModifier)) {
    event->ignore();  // the view scrolls
    return;
  }
  if (event->angleDelta().y() > 0) window_.zoomIn();
  if (event->angleDelta().y() < 0) window_.zoomOut();
  event->accept();
}

}  // namespace glint

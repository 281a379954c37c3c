#include "ui/palette_panel.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/animation_window.h"

namespace glint {

PalettePanel::PalettePanel(AnimationWindow& window) : QWidget(nullptr), window_(window) {
  setObjectName("PalettePanel");
  setMouseTracking(true);
  setFixedWidth(sizeHint().width());
  setMinimumHeight(sizeHint().height());
}

QSize PalettePanel::sizeHint() const {
  return {16 * kCell + 2 * kMargin, 16 * kCell + 2 * kMargin};
}

QRect PalettePanel::SwatchRect(int index) {
  const int inset = (kCell - kSwatch) / 2;
  return {kMargin + index % 16 * kCell + inset, kMargin + index / 16 * kCell + inset, kSwatch,
          kSwatch};
}

std::optional<int> PalettePanel::IndexAt(QPoint at) {
  const int x = at.x() - kMargin, y = at.y() - kMargin;
  if (x < 0 || y < 0 || x >= 16 * kCell || y >= 16 * kCell) return std::nullopt;
  const int index = y / kCell * 16 + x / kCell;
  if (!SwatchRect(index).contains(at)) return std::nullopt;
  return index;
}

void PalettePanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  const anim::Animation* a = window_.animation();
  if (a == nullptr) return;
  const std::optional<anim::IndexCounts>& used = window_.spriteCounts();
  const anim::Highlight& highlight = window_.highlight();
  for (int k = 0; k < 256; ++k) {
    const QRect swatch = SwatchRect(k);
    const std::uint32_t colour = a->colours()[static_cast<std::size_t>(k)];
    const bool unused = used && (*used)[static_cast<std::size_t>(k)] == 0;
    painter.fillRect(swatch, QColor::fromRgb(unused ? anim::Faded(colour) : colour));
    if (used && !unused) {
      // A corner in black or white, whichever stands out on the swatch.
      const QColor c = QColor::fromRgb(colour);
      const bool light = c.red() * 299 + c.green() * 587 + c.blue() * 114 > 128'000;
      painter.fillRect(QRect(swatch.topLeft(), QSize(4, 4)), light ? Qt::black : Qt::white);
    }
    if (highlight[static_cast<std::size_t>(k)]) {
      painter.setPen(QPen(Qt::black, 1));
      painter.drawRect(swatch.adjusted(0, 0, -1, -1));
      painter.setPen(QPen(Qt::white, 1));
      painter.drawRect(swatch.adjusted(1, 1, -2, -2));
    }
  }
  if (const std::optional<int> pointed = window_.indexUnderPointer()) {
    painter.setPen(QPen(QColor(255, 40, 40), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(SwatchRect(*pointed).adjusted(-1, -1, 1, 1));
  }
}

void PalettePanel::mouseMoveEvent(QMouseEvent* event) {
  window_.pointAtSwatch(IndexAt(event->position().toPoint()));
}

void PalettePanel::mousePressEvent(QMouseEvent* event) {
  const std::optional<int> index = IndexAt(event->position().toPoint());
  if (event->button() != Qt::LeftButton || !index) return;
  window_.pickIndex(*index, event->modifiers() & Qt::ShiftModifier);
}

void PalettePanel::leaveEvent(QEvent*) { window_.pointAtSwatch(std::nullopt); }

}  // namespace glint

#include "ui/controls.h"

#include <QFocusEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include "platform/gdi_qt.h"

namespace glint {

void PathBox::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  switch (event->reason()) {
    case Qt::MouseFocusReason:
      focusByMouse_ = true;  // the press that follows would move the cursor: report after it
      break;
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
      break;  // the window came back or a menu closed: the focus never left the box
    default:
      if (onGotFocus) onGotFocus();
      break;
  }
}

void PathBox::mousePressEvent(QMouseEvent* event) {
  QLineEdit::mousePressEvent(event);
  if (focusByMouse_) {
    focusByMouse_ = false;
    if (onGotFocus) onGotFocus();
  }
}

void PathBox::setPath(const std::string& bytes) {
  bytes_ = bytes;
  shownForBytes_ = QString::fromStdString(bytes);
  setText(shownForBytes_);
}

std::string PathBox::path() const {
  return text() == shownForBytes_ ? bytes_ : text().toStdString();
}

PictureView::PictureView(QWidget* parent, ImagePictureBox& box) : QWidget(parent), box_(box) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QColor background(static_cast<int>(box_.background() & 0xFF),
                    static_cast<int>((box_.background() >> 8) & 0xFF),
                    static_cast<int>((box_.background() >> 16) & 0xFF));
  painter.fillRect(rect(), background);
  if (const QImage* image = gdi::SelectedImage(box_.hDC())) painter.drawImage(0, 0, *image);
}

StatusPanel::StatusPanel(QWidget* parent, const StatusLine& line)
    : QStatusBar(parent), line_(line) {}

void StatusPanel::changed() {
  if (pending_) return;
  pending_ = true;
  update();
}

void StatusPanel::paintEvent(QPaintEvent*) {
  pending_ = false;
  QPainter painter(this);
  QRect panel = rect().adjusted(1, 1, -1, -1);
  if (isSizeGripEnabled()) panel.setRight(panel.right() - 16);
  QStyleOptionFrame frame;
  frame.initFrom(this);
  frame.rect = panel;
  frame.lineWidth = 1;
  frame.midLineWidth = 0;
  frame.state |= QStyle::State_Sunken;
  style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
  const std::string& text = line_.text();
  QString shown = QString::fromUtf8(
      text.data(), static_cast<qsizetype>(std::min<std::size_t>(text.size(), kShownCharacters)));
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(panel.adjusted(3, 0, -3, 0),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

}  // namespace glint

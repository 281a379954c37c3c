#include "ui/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace glint {

namespace {

// Every colour the pictures use, so the 8-bit conversion keeps each one exactly.
const QList<QRgb>& Palette() {
  static const QList<QRgb> palette = {
      kMaskColour,         qRgb(0, 0, 0),       qRgb(255, 255, 255), qRgb(128, 0, 0),
      qRgb(176, 32, 32),   qRgb(224, 208, 160), qRgb(200, 160, 40),  qRgb(64, 64, 64),
      qRgb(160, 200, 232), qRgb(0, 0, 128),     qRgb(96, 96, 96),
  };
  return palette;
}

QImage Canvas() {
  QImage image(kImageListSize, kImageListSize, QImage::Format_RGB32);
  image.fill(kMaskColour);
  return image;
}

QImage ToPalette(const QImage& image) {
  return image.convertToFormat(QImage::Format_Indexed8, Palette(),
                               Qt::ThresholdDither | Qt::AvoidDither);
}

QImage Book() {
  QImage image = Canvas();
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  // Pages showing along the fore-edge and the bottom, behind the cover.
  p.fillRect(6, 5, 15, 16, qRgb(224, 208, 160));
  p.setPen(qRgb(96, 96, 96));
  for (int y = 7; y < 20; y += 2) p.drawLine(19, y, 20, y);
  // Cover and spine.
  p.fillRect(4, 3, 15, 16, qRgb(176, 32, 32));
  p.fillRect(4, 3, 3, 16, qRgb(128, 0, 0));
  p.setPen(qRgb(0, 0, 0));
  p.drawRect(4, 3, 14, 15);
  p.drawRect(6, 5, 15, 16);
  p.fillRect(7, 4, 11, 14, qRgb(176, 32, 32));
  // A gilt title band.
  p.fillRect(9, 7, 7, 2, qRgb(200, 160, 40));
  p.fillRect(9, 11, 7, 1, qRgb(200, 160, 40));
  return ToPalette(image);
}

QImage Spectacles() {
  QImage image = Canvas();
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  // Glass, then the rims over it.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(160, 200, 232));
  p.drawEllipse(2, 9, 8, 8);
  p.drawEllipse(14, 9, 8, 8);
  p.setBrush(Qt::NoBrush);
  QPen rim(QColor(0, 0, 0));
  rim.setWidth(2);
  p.setPen(rim);
  p.drawEllipse(2, 9, 8, 8);
  p.drawEllipse(14, 9, 8, 8);
  // The bridge and the two temples.
  p.setPen(QColor(0, 0, 0));
  p.drawLine(10, 11, 13, 11);
  p.drawLine(11, 10, 12, 10);
  p.drawLine(1, 12, 0, 8);
  p.drawLine(22, 12, 23, 8);
  // A glint on each lens.
  p.setPen(QColor(255, 255, 255));
  p.drawPoint(5, 11);
  p.drawPoint(17, 11);
  return ToPalette(image);
}

}  // namespace

QImage ImageListImage(int index) {
  switch (index) {
    case 1:
      return Book();
    case 2:
      return Spectacles();
    default:
      return {};
  }
}

QIcon ImageListIcon(int index) {
  QImage image = ImageListImage(index);
  if (image.isNull()) return {};
  QImage shown = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x)
      if ((shown.pixel(x, y) & 0xFFFFFFu) == (kMaskColour & 0xFFFFFFu))
        shown.setPixel(x, y, qRgba(0, 0, 0, 0));
  return QIcon(QPixmap::fromImage(shown));
}

QImage WindowIconImage() {
  QImage image(32, 32, QImage::Format_RGB888);
  image.fill(QColor(0, 0, 128));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QColor(255, 255, 255));
  p.drawRect(1, 1, 29, 29);
  p.drawRect(2, 2, 27, 27);
  QFont font;
  font.setPixelSize(11);
  font.setBold(true);
  font.setStyleStrategy(QFont::NoAntialias);
  p.setFont(font);
  p.drawText(QRect(3, 3, 26, 26), Qt::AlignCenter, QStringLiteral("SPR"));
  return image;
}

}  // namespace glint

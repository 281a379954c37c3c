#include <QFont>
#include <QPainter>
#include <cstdlib>
#include <memory>
#include <unordered_map>

#include "platform/gdi.h"
#include "platform/gdi_qt.h"

// Used on the window's thread only, so the handle table takes no lock.
namespace glint::gdi {
namespace {

constexpr HWND kDesktop = 0x10010;

// Rows of a bitmap made here, in a block of their own: a change of height moves the block whole
// (realloc), so a growing sheet is never held twice.
struct FreeRows {
  void operator()(uchar* rows) const { std::free(rows); }
};

struct Bitmap {
  std::unique_ptr<uchar, FreeRows> rows;  // null when the image holds its own
  QImage image;
  HDC selectedInto = 0;
  HDC stockOf = 0;  // the context whose placeholder this is
};

struct Context {
  HBITMAP selected = 0;
  HBITMAP placeholder = 0;
  bool screen = false;
  COLORREF textColour = 0;
  QFont font;
};

struct Table {
  HANDLE next = 0x1000;
  std::unordered_map<HANDLE, Bitmap> bitmaps;
  std::unordered_map<HANDLE, Context> contexts;
  QImage screenImage{1, 1, QImage::Format_RGB32};
  // The last context looked up and its image: painting pixel by pixel asks for the same one
  // again and again. Elements of the maps keep their addresses until erased, so only selecting
  // and deleting forget it.
  HDC cachedDc = 0;
  QImage* cachedImage = nullptr;
};

Table& table() {
  static Table t;
  return t;
}

Bitmap* bitmapOf(HANDLE h) {
  auto& map = table().bitmaps;
  auto it = map.find(h);
  return it == map.end() ? nullptr : &it->second;
}

Context* contextOf(HANDLE h) {
  auto& map = table().contexts;
  auto it = map.find(h);
  return it == map.end() ? nullptr : &it->second;
}

QImage* imageOf(HDC dc) {
  Table& t = table();
  if (dc != 0 && dc == t.cachedDc) return t.cachedImage;
  Context* c = contextOf(dc);
  if (c == nullptr) return nullptr;
  if (c->screen) return &t.screenImage;
  Bitmap* b = bitmapOf(c->selected);
  if (b == nullptr) return nullptr;
  t.cachedDc = dc;
  t.cachedImage = &b->image;
  return t.cachedImage;
}

void forgetCachedImage() {
  table().cachedDc = 0;
  table().cachedImage = nullptr;
}

HBITMAP addBitmap(QImage image, uchar* rows = nullptr) {
  HANDLE h = table().next++;
  table().bitmaps[h] = Bitmap{std::unique_ptr<uchar, FreeRows>(rows), std::move(image), 0, 0};
  return h;
}

QRgb toRgb(COLORREF c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
COLORREF fromRgb(QRgb c) { return RGB(qRed(c), qGreen(c), qBlue(c)); }

}  // namespace

HWND GetDesktopWindow() { return kDesktop; }

HDC GetDC(HWND window) {
  if (window != kDesktop) return 0;
  HANDLE h = table().next++;
  table().contexts[h] = Context{0, 0, true, 0, QFont()};
  return h;
}

int ReleaseDC(HWND, HDC dc) {
  Context* c = contextOf(dc);
  if (c == nullptr || !c->screen) return 0;
  forgetCachedImage();
  table().contexts.erase(dc);
  return 1;
}

HDC CreateCompatibleDC(HDC) {
  QImage placeholder(1, 1, QImage::Format_RGB32);
  placeholder.fill(Qt::black);
  HBITMAP stock = addBitmap(std::move(placeholder));
  HANDLE h = table().next++;
  table().contexts[h] = Context{stock, stock, false, 0, QFont()};
  Bitmap* b = bitmapOf(stock);
  b->selectedInto = h;
  b->stockOf = h;
  return h;
}

bool DeleteDC(HDC dc) {
  Context* c = contextOf(dc);
  if (c == nullptr || c->screen) return false;
  forgetCachedImage();
  if (Bitmap* b = bitmapOf(c->selected)) b->selectedInto = 0;
  HBITMAP stock = c->placeholder;
  table().contexts.erase(dc);
  Bitmap* s = bitmapOf(stock);
  if (s != nullptr && s->selectedInto == 0) table().bitmaps.erase(stock);
  return true;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  if (contextOf(dc) == nullptr || width <= 0 || height <= 0) return 0;
  const auto rowBytes = static_cast<std::size_t>(width) * 4;
  auto* rows = static_cast<uchar*>(std::malloc(rowBytes * static_cast<std::size_t>(height)));
  if (rows == nullptr) return 0;  // too large to allocate
  QImage image(rows, width, height, static_cast<qsizetype>(rowBytes), QImage::Format_RGB32);
  if (image.isNull()) {
    std::free(rows);
    return 0;
  }
  image.fill(Qt::black);
  return addBitmap(std::move(image), rows);
}

bool ResizeBitmapHeight(HBITMAP bitmap, int height, COLORREF background) {
  Bitmap* b = bitmapOf(bitmap);
  if (b == nullptr || !b->rows || height <= 0 || !b->image.isDetached()) return false;
  const int width = b->image.width(), before = b->image.height();
  const qsizetype rowBytes = b->image.bytesPerLine();
  b->image = QImage();  // nothing may look at the rows while they move
  void* moved = std::realloc(b->rows.get(),
                             static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height));
  if (moved != nullptr) {
    [[maybe_unused]] uchar* gone = b->rows.release();  // realloc freed it
    b->rows.reset(static_cast<uchar*>(moved));
  }
  const int now = moved != nullptr ? height : before;
  b->image = QImage(b->rows.get(), width, now, rowBytes, QImage::Format_RGB32);
  for (int y = before; y < now; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(b->image.scanLine(y));
    std::fill(line, line + width, toRgb(background));
  }
  return moved != nullptr;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  Context* c = contextOf(dc);
  Bitmap* b = bitmapOf(object);
  if (c == nullptr || c->screen || b == nullptr) return 0;
  if (b->selectedInto != 0 && b->selectedInto != dc) return 0;
  forgetCachedImage();
  HBITMAP previous = c->selected;
  if (Bitmap* old = bitmapOf(previous)) old->selectedInto = 0;
  c->selected = object;
  b->selectedInto = dc;
  return previous;
}

HBITMAP GetCurrentBitmap(HDC dc) {
  Context* c = contextOf(dc);
  return c == nullptr || c->screen ? 0 : c->selected;
}

bool IsSelectable(HGDIOBJ bitmap, HDC dc) {
  Context* c = contextOf(dc);
  Bitmap* b = bitmapOf(bitmap);
  if (c == nullptr || c->screen || b == nullptr || b->stockOf != 0) return false;
  return b->selectedInto == 0 || b->selectedInto == dc;
}

bool DeleteObject(HGDIOBJ object) {
  Bitmap* b = bitmapOf(object);
  if (b == nullptr || b->selectedInto != 0) return false;
  if (b->stockOf != 0 && contextOf(b->stockOf) != nullptr) return false;
  forgetCachedImage();
  table().bitmaps.erase(object);
  return true;
}

int GetObjectA(HGDIOBJ object, int size, BITMAP* out) {
  Bitmap* b = bitmapOf(object);
  if (b == nullptr || out == nullptr || size < kBitmapRecordSize) return 0;
  out->bmType = 0;
  out->bmWidth = b->image.width();
  out->bmHeight = b->image.height();
  out->bmWidthBytes = b->image.width() * 4;
  out->bmPlanes = 1;
  out->bmBitsPixel = 32;
  out->bmBits = 0;
  return kBitmapRecordSize;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour) {
  QImage* image = imageOf(dc);
  if (image == nullptr || x < 0 || y < 0 || x >= image->width() || y >= image->height())
    return CLR_INVALID;
  reinterpret_cast<QRgb*>(image->scanLine(y))[x] = toRgb(colour);
  return colour & 0xFFFFFFu;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  const QImage* image = imageOf(dc);
  if (image == nullptr || x < 0 || y < 0 || x >= image->width() || y >= image->height())
    return CLR_INVALID;
  return fromRgb(reinterpret_cast<const QRgb*>(image->constScanLine(y))[x]);
}

bool FillRect(HDC dc, int x, int y, int width, int height, COLORREF colour) {
  QImage* image = imageOf(dc);
  if (image == nullptr) return false;
  QRect r = QRect(x, y, width, height).intersected(image->rect());
  if (r.isEmpty()) return true;
  QRgb rgb = toRgb(colour);
  for (int row = r.top(); row <= r.bottom(); ++row) {
    QRgb* line = reinterpret_cast<QRgb*>(image->scanLine(row));
    std::fill(line + r.left(), line + r.left() + r.width(), rgb);
  }
  return true;
}

bool BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
            std::uint32_t rop) {
  QImage* to = imageOf(dst);
  QImage* from = imageOf(src);
  if (to == nullptr || from == nullptr || rop != SRCCOPY) return false;
  if (width <= 0 || height <= 0) return true;
  // Clip the source rectangle, then the destination, moving both origins together.
  long long sx = srcX, sy = srcY, dx = x, dy = y, w = width, h = height;
  auto clip = [&](long long& a, long long& b, long long& len, long long limit) {
    if (a < 0) {
      b -= a;
      len += a;
      a = 0;
    }
    if (a + len > limit) len = limit - a;
  };
  clip(sx, dx, w, from->width());
  clip(sy, dy, h, from->height());
  clip(dx, sx, w, to->width());
  clip(dy, sy, h, to->height());
  if (w <= 0 || h <= 0) return true;
  QImage original;
  if (to == from) {  // overlapping copies read the original
    original = from->copy();
    from = &original;
  }
  for (long long row = 0; row < h; ++row) {
    const QRgb* in = reinterpret_cast<const QRgb*>(from->constScanLine(int(sy + row))) + sx;
    QRgb* out = reinterpret_cast<QRgb*>(to->scanLine(int(dy + row))) + dx;
    std::copy(in, in + w, out);
  }
  return true;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
  Context* c = contextOf(dc);
  if (c == nullptr) return CLR_INVALID;
  COLORREF old = c->textColour;
  c->textColour = colour;
  return old;
}

bool SetTextFont(HDC dc, const std::string& family, double pointSize) {
  Context* c = contextOf(dc);
  if (c == nullptr) return false;
  QFont font;
  if (!family.empty()) font.setFamily(QString::fromStdString(family));
  font.setPointSizeF(pointSize);
  c->font = font;
  return true;
}

bool TextOutA(HDC dc, int x, int y, const char* text, int length) {
  Context* c = contextOf(dc);
  QImage* image = imageOf(dc);
  if (c == nullptr || image == nullptr || text == nullptr || length < 0) return false;
  QPainter painter(image);
  painter.setFont(c->font);
  painter.setPen(QColor(toRgb(c->textColour)));
  QFontMetrics metrics(c->font);
  painter.drawText(QPoint(x, y + metrics.ascent()), QString::fromLatin1(text, length));
  return true;
}

bool IsValid(HANDLE handle) { return bitmapOf(handle) != nullptr || contextOf(handle) != nullptr; }

int LiveHandleCount() { return static_cast<int>(table().bitmaps.size() + table().contexts.size()); }

const QImage* SelectedImage(HDC dc) { return imageOf(dc); }

QImage* BitmapImage(HBITMAP bitmap) {
  Bitmap* b = bitmapOf(bitmap);
  return b == nullptr ? nullptr : &b->image;
}

HBITMAP CreateBitmapFromImage(const QImage& image) {
  if (image.isNull()) return 0;
  return addBitmap(image.convertToFormat(QImage::Format_RGB32));
}

}  // namespace glint::gdi

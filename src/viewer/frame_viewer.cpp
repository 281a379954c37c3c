#include "viewer/frame_viewer.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>

#include "image/naming.h"
#include "path/path.h"
#include "platform/dir_listing.h"
#include "platform/errors.h"
#include "platform/file_channels.h"
#include "platform/twips.h"
#include "spr/sprite.h"
#include "surface/memory_dc.h"
#include "window/sprite_load.h"

namespace glint {
namespace {

constexpr gdi::COLORREF kWhite = gdi::RGB(255, 255, 255);
constexpr gdi::COLORREF kBlack = gdi::RGB(0, 0, 0);
constexpr double kLabelPoints = 9.0;

// One colour per palette index (red, green, blue, reserved).
std::array<gdi::COLORREF, 256> coloursOf(const spr::Palette& palette) {
  std::array<gdi::COLORREF, 256> colours{};
  for (std::size_t k = 0; k < colours.size(); ++k) {
    const spr::Colour c = palette.colour(k);
    colours[k] = gdi::RGB(c.red, c.green, c.blue);
  }
  return colours;
}

void label(PictureBox& sheet, std::int64_t left, std::int64_t top, int number) {
  const std::string text = std::to_string(number);
  const int length = static_cast<int>(text.size());
  const int x = static_cast<int>(left), y = static_cast<int>(top);
  sheet.SetForeColor(kWhite);
  gdi::TextOutA(sheet.hDC(), x, y, text.c_str(), length);
  sheet.SetForeColor(kBlack);
  gdi::TextOutA(sheet.hDC(), x + 1, y + 1, text.c_str(), length);
}

}  // namespace

void FrameViewer::LoadSprite() { Load(window_.Text1(), window_.Check1() != 0); }

void FrameViewer::Load(const std::string& path, bool allFrames) {
  if (path.empty()) return;
  if (!OrdinaryFileExists(path)) return;
  if (window_.Loading) return;
  std::optional<ScopedFlag> loading(std::in_place, window_.Loading);

  FileChannels& channels = window_.channels();
  std::optional<ChannelGuard> channel;
  int failure = 0;
  try {
    ByteSource& file = channels.openForReading(FileChannels::kSpriteChannel, path);
    channel.emplace(channels, FileChannels::kSpriteChannel);
    drawSprite(file, allFrames);
    channel->close();
  } catch (const std::exception&) {
    failure = WindowErrorNumber(std::current_exception());
  }
  channel.reset();  // closed before any box shows
  loading.reset();  // before any box shows, so the window can close
  if (failure != 0) {
    fail(failure, path);
    return;
  }

  std::string summary = "Decoded " + std::to_string(frameCount_) + " pictures in " + path;
  if (leftOut_ > 0) summary += " (" + std::to_string(leftOut_) + " left out: the sheet is full)";
  window_.SetStatusText(std::move(summary));
  window_.Picture1().SetMousePointer(pointer::kDefault);
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  lastLoaded_ = ec ? path : absolute.lexically_normal().string();
  if (onLoaded) onLoaded(lastLoaded_);
}

void FrameViewer::drawSprite(spr::ByteSource& file, bool allFrames) {
  WindowSprite sprite(file, window_);
  const auto colours = coloursOf(sprite.palette());

  PictureBox& preview = window_.Picture1();
  PictureBox& sheet = window_.Picture2();
  preview.SetMousePointer(pointer::kHourglass);
  placement_ = SheetPlacement();
  leftOut_ = 0;
  loaded_ = false;
  // Sized before it is cleared, so a large sheet from the last load is not filled first.
  setSheetPixels(TwipsToPixels(preview.Width(), window_.TwipsPerPixelX()), kSheetPixelHeight);
  preview.Cls();
  sheet.Cls();
  gdi::SetTextFont(sheet.hDC(), "", kLabelPoints);
  ScrollBar& bar = window_.VScroll1();
  bar.SetMax(0);
  bar.SetEnabled(false);

  frameCount_ = allFrames ? sprite.count() : std::min(sprite.count(), 1);
  std::optional<CMemoryDC> surface;
  for (int i = 1; i <= frameCount_; ++i) {
    window_.SetStatusText("Decoding " + std::to_string(i) + " of " + std::to_string(frameCount_) +
                          " bitmaps.");
    window_.Yield();
    const spr::FrameRecord record = sprite.readFrame();
    const std::optional<spr::IndexedImage> frame = sprite.decode(record);
    if (!frame) continue;  // an empty frame takes no place
    const std::int64_t w = record.width, h = record.height;

    if (leftOut_ > 0) {
      ++leftOut_;  // every frame after the first left out, so the sheet never skips one
      continue;
    }

    if (!surface) surface.emplace();
    // Whichever side shrinks goes first, so the bitmap made in between is never larger than
    // the old frame or the new one.
    // A side set again makes its bitmap again: sides that stay are left alone.
    const std::int32_t w32 = record.width, h32 = record.height;
    if (surface->Height() > h32) {
      surface->SetHeight(h32);
      if (surface->Width() != w32) surface->SetWidth(w32);
    } else {
      if (surface->Width() != w32) surface->SetWidth(w32);
      if (surface->Height() != h32) surface->SetHeight(h32);
    }
    for (std::int32_t y = 0; y < h32; ++y) {
      const std::uint8_t* row = frame->row(y);
      for (std::int32_t x = 0; x < w32; ++x) surface->SetPixelColor(x, y, colours[row[x]]);
      window_.Yield();
    }

    // Placed after the yields, with the preview's width as it is now; nothing yields between
    // making room on the sheet and copying the frame there.
    const SheetPlacement::Spot spot = placement_.spotFor(w, previewWidth());
    if (!growSheet(spot.left + w, spot.top + h)) {
      ++leftOut_;
      continue;
    }
    gdi::BitBlt(sheet.hDC(), static_cast<int>(spot.left), static_cast<int>(spot.top), w32, h32,
                surface->hdc(), 0, 0, gdi::SRCCOPY);
    placement_.put(spot, w, h);
    if (window_.Check2() == 1) label(sheet, spot.left, spot.top, i);
    refreshPreviewTop();
  }

  setSheetPixels(std::max<std::int64_t>(TwipsToPixels(preview.Width(), window_.TwipsPerPixelX()),
                                        placement_.right()),
                 std::max<std::int64_t>(kSheetPixelHeight, placement_.bottom()));
  const std::int64_t scrollMax = ScrollMaxFor(placement_.bottom(), previewHeight());
  if (scrollMax > 0) {
    bar.SetEnabled(true);
    bar.SetMax(static_cast<int>(scrollMax));
  }
  loaded_ = true;
}

void FrameViewer::fail(int number, const std::string& path) {
  window_.Picture1().SetMousePointer(pointer::kDefault);
  const std::string name(path::FileName(path));
  if (number == err::kBadFileName) {
    window_.dialogs().MsgBox("Error opening file \"" + name + "\"", style::kInformation, kAppTitle);
  } else if (number != err::kFileAlreadyOpen) {
    window_.dialogs().MsgBox("The file \"" + name + "\" doesn't look like an SPR file.",
                             style::kInformation, "Error " + std::to_string(number));
  }
}

void FrameViewer::VScroll1_Change() {
  PictureBox& preview = window_.Picture1();
  preview.Cls();
  const int w = static_cast<int>(RoundHalfEven(preview.Width() / window_.TwipsPerPixelX()));
  const int h = static_cast<int>(RoundHalfEven(preview.Height() / window_.TwipsPerPixelY()));
  gdi::BitBlt(preview.hDC(), 0, 0, w, h, window_.Picture2().hDC(), 0, window_.VScroll1().Value(),
              gdi::SRCCOPY);
  preview.Refresh();
}

void FrameViewer::VScroll1_Scroll() { VScroll1_Change(); }

void FrameViewer::ApplySheetLayout(int widthTwips, int heightTwips) {
  std::int64_t w = std::max<std::int64_t>(TwipsToPixels(widthTwips, window_.TwipsPerPixelX()),
                                          placement_.right());
  const std::int64_t h = std::max<std::int64_t>(
      TwipsToPixels(heightTwips, window_.TwipsPerPixelY()), placement_.bottom());
  // Widening a full sheet would hold it twice; the preview shows the same either way.
  const gdi::BITMAP have = sheetBitmap();
  const std::int64_t haveW = have.bmWidth, haveH = have.bmHeight;
  if (w > haveW && haveW * haveH > maxSheetPixels_ - w * haveH) w = haveW;
  setSheetPixels(w, h);
}

void FrameViewer::PreviewResized() {
  if (loaded_ && !window_.Loading) {
    ScrollBar& bar = window_.VScroll1();
    const std::int64_t scrollMax = ScrollMaxFor(placement_.bottom(), previewHeight());
    bar.SetMax(static_cast<int>(scrollMax));
    bar.SetEnabled(scrollMax > 0);
  }
  VScroll1_Change();
}

void FrameViewer::refreshPreviewTop() {
  PictureBox& preview = window_.Picture1();
  const long long tppX = RoundHalfEven(window_.TwipsPerPixelX());
  const long long tppY = RoundHalfEven(window_.TwipsPerPixelY());
  const int cw = tppX > 0 ? static_cast<int>(preview.Width() / tppX) : 0;
  const int ch = tppY > 0 ? static_cast<int>(preview.Height() / tppY) : 0;
  gdi::BitBlt(preview.hDC(), 0, 0, cw, ch, window_.Picture2().hDC(), 0, 0, gdi::SRCCOPY);
  preview.Refresh();
}

double FrameViewer::previewWidth() const {
  return window_.Picture1().Width() / window_.TwipsPerPixelX();
}

double FrameViewer::previewHeight() const {
  return window_.Picture1().Height() / window_.TwipsPerPixelY();
}

// The sheet's bitmap as it is now; zero sizes when it has none.
gdi::BITMAP FrameViewer::sheetBitmap() const {
  gdi::BITMAP bm;
  if (gdi::GetObjectA(gdi::GetCurrentBitmap(window_.Picture2().hDC()), gdi::kBitmapRecordSize,
                      &bm) == 0)
    return gdi::BITMAP{};
  return bm;
}

bool FrameViewer::growSheet(std::int64_t width, std::int64_t height) {
  const gdi::BITMAP have = sheetBitmap();
  const std::int64_t haveW = have.bmWidth, haveH = have.bmHeight;
  if (width <= haveW && height <= haveH) return true;
  const std::int64_t w = std::max(width, haveW);
  const std::int64_t h = std::max(height, haveH);
  if (w > maxSheetPixels_ / h) return false;
  // A wider sheet is a copy, held beside the old one: together within the bound.
  if (w > haveW && haveW * haveH > maxSheetPixels_ - w * haveH) return false;
  // Rows come one after another: grow by doubling (in place), so the growing adds up to little.
  const std::int64_t roomy = std::min(std::max(h, 2 * haveH), maxSheetPixels_ / w);
  setSheetPixels(w, height > haveH ? roomy : haveH);
  const gdi::BITMAP now = sheetBitmap();
  return now.bmWidth >= width && now.bmHeight >= height;  // false when memory ran out
}

void FrameViewer::setSheetPixels(std::int64_t width, std::int64_t height) {
  PictureBox& sheet = window_.Picture2();
  const int widthTwips = PixelsToTwips(static_cast<double>(width), window_.TwipsPerPixelX());
  const int heightTwips = PixelsToTwips(static_cast<double>(height), window_.TwipsPerPixelY());
  if (sheet.Width() != widthTwips) sheet.SetWidth(widthTwips);
  if (sheet.Height() != heightTwips) sheet.SetHeight(heightTwips);
}

}  // namespace glint

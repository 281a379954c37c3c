#pragma once

// A small drawing layer, the memory surface the viewer paints frames into: memory drawing contexts
// and bitmaps addressed by checked 32-bit handles, over 32-bit RGB images. Handles are never
// reused while the process runs, so a stale handle is always detected.

#include <cstdint>
#include <string>

namespace glint::gdi {

using HANDLE = std::uint32_t;
using HDC = HANDLE;
using HBITMAP = HANDLE;
using HGDIOBJ = HANDLE;
using HWND = HANDLE;
using COLORREF = std::uint32_t;  // red + 256 * green + 65536 * blue

inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;
inline constexpr std::uint32_t SRCCOPY = 0x00CC0020u;

inline constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
         (static_cast<COLORREF>(b) << 16);
}

// A bitmap's description as GetObjectA fills it: a record of kBitmapRecordSize bytes.
struct BITMAP {
  std::int32_t bmType = 0;
  std::int32_t bmWidth = 0;
  std::int32_t bmHeight = 0;
  std::int32_t bmWidthBytes = 0;
  std::uint16_t bmPlanes = 0;
  std::uint16_t bmBitsPixel = 0;
  std::uint32_t bmBits = 0;
};
inline constexpr int kBitmapRecordSize = 24;

HWND GetDesktopWindow();
// A context for the screen; release it with ReleaseDC.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// A memory context with a 1 x 1 placeholder bitmap of its own selected.
HDC CreateCompatibleDC(HDC dc);
bool DeleteDC(HDC dc);
// A new bitmap of the screen's format; its content is not cleared. 0 when a side is <= 0.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// Beyond the usual calls of such a layer: changes the height of a bitmap made by
// CreateCompatibleBitmap in place, keeping the rows that stay and filling new ones with
// `background`. False, leaving it as it was, when it cannot (another bitmap, no memory).
bool ResizeBitmapHeight(HBITMAP bitmap, int height, COLORREF background);
// Selects a bitmap into a memory context; returns the one selected before, 0 on failure
// (invalid handles, or a bitmap already selected into another context).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// The bitmap selected into a memory context; 0 for anything else.
HBITMAP GetCurrentBitmap(HDC dc);
// Whether SelectObject(dc, bitmap) would succeed: a live bitmap selected nowhere else, and not a
// context's placeholder.
bool IsSelectable(HGDIOBJ bitmap, HDC dc);
// Deletes a bitmap that is selected nowhere; false otherwise.
bool DeleteObject(HGDIOBJ object);
// Fills the record for a valid bitmap when size >= 24 and returns 24; 0 for anything else.
int GetObjectA(HGDIOBJ object, int size, BITMAP* out);
// Sets one pixel; returns the colour set, CLR_INVALID outside the bitmap or for a bad handle.
COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour);
COLORREF GetPixel(HDC dc, int x, int y);
// Fills a rectangle of the selected bitmap with one colour (clipped).
bool FillRect(HDC dc, int x, int y, int width, int height, COLORREF colour);
// Copies a rectangle unchanged; whatever falls outside either bitmap is clipped.
bool BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
            std::uint32_t rop);
// Text attributes of a context, and drawing a string with its top-left corner at (x, y).
COLORREF SetTextColor(HDC dc, COLORREF colour);
bool SetTextFont(HDC dc, const std::string& family, double pointSize);
bool TextOutA(HDC dc, int x, int y, const char* text, int length);

// Whether the handle names a live context or bitmap.
bool IsValid(HANDLE handle);
// Live contexts and bitmaps, for leak checks.
int LiveHandleCount();

}  // namespace glint::gdi

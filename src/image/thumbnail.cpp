#include "image/thumbnail.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>

namespace glint::image {
namespace {

// How source pixels along one axis fall into output pixels when reducing (ratio >= 1): pixel i
// covers [i, i + 1) and output pixel o covers [o * ratio, (o + 1) * ratio), so a source pixel
// lies in at most two output pixels.
struct AxisShare {
  std::vector<int> first;        // the output pixel it starts in
  std::vector<double> inFirst;   // how much of it lies there
  std::vector<double> inSecond;  // and in the next one
};

AxisShare shareAxis(int source, int output) {
  AxisShare share;
  share.first.resize(static_cast<std::size_t>(source));
  share.inFirst.resize(share.first.size());
  share.inSecond.resize(share.first.size());
  const double ratio = static_cast<double>(source) / output;
  for (int i = 0; i < source; ++i) {
    const auto k = static_cast<std::size_t>(i);
    int o = std::min(static_cast<int>(i / ratio), output - 1);
    const double end = (o + 1) * ratio;
    share.first[k] = o;
    if (i + 1 <= end || o + 1 >= output) {
      share.inFirst[k] = 1;
    } else {
      share.inFirst[k] = end - i;
      share.inSecond[k] = i + 1 - end;
    }
  }
  return share;
}

void putPixel(RgbaImage& out, std::size_t at, spr::Colour colour, std::uint8_t alpha) {
  std::uint8_t* p = out.pixels.data() + 4 * at;
  if (alpha == 0) return;  // already 0, 0, 0, 0
  p[0] = colour.red;
  p[1] = colour.green;
  p[2] = colour.blue;
  p[3] = alpha;
}

RgbaImage enlarge(int width, int height, std::span<const std::uint8_t> indices,
                  const spr::Palette& palette, int factor) {
  RgbaImage out{width * factor, height * factor, {}};
  out.pixels.assign(4 * static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height),
                    0);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      const std::uint8_t index = indices[static_cast<std::size_t>(y / factor) * width + x / factor];
      putPixel(out, static_cast<std::size_t>(y) * out.width + x, palette.colour(index),
               index == 0 ? 0 : 255);
    }
  return out;
}

// Premultiplied averaging: with alpha 0 or 255 only, a pixel's premultiplied colour is its colour
// when opaque and nothing when transparent, so only opaque pixels are added up, with the area
// they cover; alpha is that area's share of the output pixel's.
RgbaImage reduce(int width, int height, std::span<const std::uint8_t> indices,
                 const spr::Palette& palette, ThumbnailExtent size) {
  RgbaImage out{size.width, size.height, {}};
  const auto outWidth = static_cast<std::size_t>(size.width);
  out.pixels.assign(4 * outWidth * static_cast<std::size_t>(size.height), 0);
  const AxisShare across = shareAxis(width, size.width);
  const AxisShare down = shareAxis(height, size.height);
  const double area =
      (static_cast<double>(width) / size.width) * (static_cast<double>(height) / size.height);
  // Red, green, blue and covered area of output rows `row` and `row + 1`.
  std::vector<double> sums(2 * 4 * outWidth, 0.0);
  int row = 0;
  auto finishRow = [&] {
    for (std::size_t x = 0; x < outWidth; ++x) {
      const double* s = &sums[4 * x];
      const long alpha = std::lround(255 * s[3] / area);
      if (alpha == 0 || s[3] <= 0) continue;
      auto mean = [&](int c) {
        return static_cast<std::uint8_t>(std::clamp(std::lround(s[c] / s[3]), 0L, 255L));
      };
      putPixel(out, static_cast<std::size_t>(row) * outWidth + x, {mean(0), mean(1), mean(2)},
               static_cast<std::uint8_t>(std::min(alpha, 255L)));
    }
    std::copy(sums.begin() + static_cast<std::ptrdiff_t>(4 * outWidth), sums.end(), sums.begin());
    std::fill(sums.begin() + static_cast<std::ptrdiff_t>(4 * outWidth), sums.end(), 0.0);
    ++row;
  };
  for (int y = 0; y < height; ++y) {
    const auto ky = static_cast<std::size_t>(y);
    while (down.first[ky] > row) finishRow();
    const std::uint8_t* line = indices.data() + ky * static_cast<std::size_t>(width);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t index = line[x];
      if (index == 0) continue;
      const auto kx = static_cast<std::size_t>(x);
      const spr::Colour colour = palette.colour(index);
      const std::size_t o = 4 * static_cast<std::size_t>(across.first[kx]);
      // The pixel's area in each of the up to four output pixels it falls into.
      const double parts[4] = {
          across.inFirst[kx] * down.inFirst[ky], across.inSecond[kx] * down.inFirst[ky],
          across.inFirst[kx] * down.inSecond[ky], across.inSecond[kx] * down.inSecond[ky]};
      const std::size_t at[4] = {o, o + 4, 4 * outWidth + o, 4 * outWidth + o + 4};
      for (int p = 0; p < 4; ++p) {
        if (parts[p] == 0) continue;
        double* s = &sums[at[p]];
        s[0] += parts[p] * colour.red;
        s[1] += parts[p] * colour.green;
        s[2] += parts[p] * colour.blue;
        s[3] += parts[p];
      }
    }
  }
  while (row < size.height) finishRow();
  return out;
}

}  // namespace

ThumbnailExtent ThumbnailSize(int width, int height, int box) {
  const int longer = std::max(width, height);
  if (longer <= 0 || box <= 0) return {0, 0};
  if (longer <= box) {
    const int factor = box / longer;
    return {width * factor, height * factor};
  }
  auto scaled = [&](int side) {
    const std::int64_t rounded = (static_cast<std::int64_t>(side) * box + longer / 2) / longer;
    return static_cast<int>(std::max<std::int64_t>(rounded, 1));
  };
  return {scaled(width), scaled(height)};
}

RgbaImage ScaleToThumbnail(int width, int height, std::span<const std::uint8_t> indices,
                           const spr::Palette& palette, int box) {
  if (width <= 0 || height <= 0 ||
      indices.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    throw std::invalid_argument("the frame's size does not match its pixels");
  const ThumbnailExtent size = ThumbnailSize(width, height, box);
  if (std::max(width, height) <= box)
    return enlarge(width, height, indices, palette, size.width / width);
  return reduce(width, height, indices, palette, size);
}

std::vector<std::uint8_t> RgbaPng(const RgbaImage& image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGBA;
  // Speed over size: file managers ask for thumbnails by the folder, and keep them.
  png.flags = PNG_IMAGE_FLAG_FAST;
  // Room for the largest PNG these pixels can make, so the image is encoded once.
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(png);
  std::vector<std::uint8_t> bytes(size);
  if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, image.pixels.data(), 0, nullptr))
    throw std::runtime_error(std::string("the PNG encoder failed: ") + png.message);
  bytes.resize(size);
  return bytes;
}

}  // namespace glint::image

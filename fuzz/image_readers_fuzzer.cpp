// The readers `pack` and `replace` take frames from, the palette file readers, and the gallery's
// reader of thumbnail cache entries: any bytes as a PNG (through libpng) or an 8-bit BMP, then the
// palette rules and the encoder. What is read has the shape it claims; a palette image keeps its
// indices under its own palette; an RGBA pixel goes to the entry of its colour; the frame encoded
// decodes back to the indices.
//
// Input: one byte of options (bit 0: fully transparent pixels become index 0; bit 1: map a
// palette image to a grey ramp rather than to its own palette), then the image file.
#include <cstdlib>

#include "image/image_reader.h"
#include "image/palette_file.h"
#include "image/palette_map.h"
#include "image/thumbnail.h"

using namespace glint;

namespace {

constexpr image::ImageLimits kLimits{32767, std::int64_t{1} << 14};

void require(bool ok) {
  if (!ok) std::abort();
}

// Entry k is grey k, so grey and grey-looking RGB images map whole.
spr::Palette greyRamp() {
  spr::Palette palette{};
  for (std::size_t k = 0; k < 256; ++k)
    palette[4 * k] = palette[4 * k + 1] = palette[4 * k + 2] = static_cast<std::uint8_t>(k);
  return palette;
}

void checkShape(const image::SourceImage& image) {
  require(image.width >= 1 && image.height >= 1 && image.width <= kLimits.maxSide &&
          image.height <= kLimits.maxSide);
  const auto pixels =
      static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
  require(static_cast<std::int64_t>(pixels) <= kLimits.maxPixels);
  if (image.indexed)
    require(image.indices.size() == pixels && !image.palette.empty() &&
            image.palette.size() <= 256);
  else if (image.depth == 16)
    require(image.rgba16.size() == 4 * pixels && image.rgba.empty());
  else
    require(image.depth == 8 && image.rgba.size() == 4 * pixels);
}

// What MapToPalette must give for pixel i.
int expectedIndex(const image::SourceImage& image, std::size_t i, bool ownPalette,
                  bool transparent) {
  if (image.indexed) {
    const image::PaletteEntry& e = image.palette[image.indices[i]];
    if (transparent && e.alpha == 0) return 0;
    return ownPalette ? image.indices[i] : e.red;
  }
  const unsigned scale = image.depth == 16 ? 257 : 1;
  auto at = [&](int c) {
    return image.depth == 16 ? image.rgba16[4 * i + c] : unsigned{image.rgba[4 * i + c]};
  };
  if (transparent && at(3) == 0) return 0;
  require(at(0) == at(1) && at(1) == at(2) && at(0) % scale == 0);
  return static_cast<int>(at(0) / scale);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool transparent = (data[0] & 1) != 0;
  const std::span<const std::uint8_t> file(data + 1, size - 1);
  // Palette files of every kind: what is read gives 1 to 256 entries, each in its place, the
  // others kept, and what the writers make of it reads back the same.
  try {
    const image::PaletteFile palette = image::LoadPaletteFile(file, kLimits);
    require(palette.entries >= 1 && palette.entries <= spr::Palette::kEntries);
    spr::Palette own{};
    own.fill(0xA5);
    const spr::Palette over = palette.over(own);
    for (std::size_t k = 0; k < spr::Palette::kEntries; ++k)
      require(over.colour(k) == (k < palette.entries ? palette.palette.colour(k) : own.colour(k)));
    const std::string gimp = image::GimpPaletteText(over, "fuzz"),
                      jasc = image::JascPaletteText(over);
    for (const std::string& text : {gimp, jasc}) {
      const auto again = image::LoadPaletteFile(
          std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
      require(again.entries == spr::Palette::kEntries && again.over(over) == over);
    }
  } catch (const image::Unreadable&) {
  } catch (const spr::Fault&) {
  } catch (const image::ImageTooLarge&) {
  }

  // As the gallery reads a thumbnail cache entry.
  if (const auto entry = image::ReadRgbaPngWithText(file, 256)) {
    const image::RgbaImage& rgba = entry->image;
    require(rgba.width >= 1 && rgba.height >= 1 && rgba.width <= 256 && rgba.height <= 256 &&
            rgba.pixels.size() == std::size_t{4} * rgba.width * rgba.height);
  }

  image::SourceImage image;
  try {
    image = image::ReadImage(file, kLimits);
  } catch (const image::Unreadable&) {
    return 0;
  } catch (const image::ImageTooLarge& e) {
    require(e.width > kLimits.maxSide || e.height > kLimits.maxSide ||
            e.width * e.height > kLimits.maxPixels);
    return 0;
  }
  checkShape(image);

  const bool ownPalette = image.indexed && (data[0] & 2) == 0;
  const spr::Palette palette = ownPalette ? image::SpritePaletteOf(image) : greyRamp();
  spr::IndexedImage mapped;
  try {
    mapped = image::MapToPalette(image, palette, transparent);
  } catch (const image::UnmappedPixel& e) {
    require(e.x() >= 0 && e.x() < image.width && e.y() >= 0 && e.y() < image.height);
    return 0;
  }
  require(mapped.width == image.width && mapped.height == image.height);
  for (std::size_t i = 0; i < mapped.pixels.size(); ++i)
    require(mapped.pixels[i] == expectedIndex(image, i, ownPalette, transparent));

  try {
    spr::FrameRecord record;
    record.width = static_cast<std::int16_t>(mapped.width);
    record.height = static_cast<std::int16_t>(mapped.height);
    record.stored = spr::EncodeFrameData(mapped);
    record.storedLength = static_cast<std::uint16_t>(record.stored.size());
    const auto decoded = spr::DecodeFrameData(record);
    require(decoded && decoded->pixels == mapped.pixels);
  } catch (const spr::Refusal& r) {
    require(r.kind() == spr::Refusal::Kind::kStoredTooLong);
  }
  return 0;
}

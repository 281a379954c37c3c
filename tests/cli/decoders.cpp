#include "decoders.h"

#include <gif_lib.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace glint::testing {

DecodedPng ReadPng(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw std::runtime_error("cannot open " + path);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  DecodedPng result;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    throw std::runtime_error("libpng rejected " + path);
  }
  png_init_io(png, file);
  png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  result.width = static_cast<int>(png_get_image_width(png, info));
  result.height = static_cast<int>(png_get_image_height(png, info));
  result.colourType = png_get_color_type(png, info);
  result.bitDepth = png_get_bit_depth(png, info);
  png_colorp colours = nullptr;
  int count = 0;
  if (png_get_PLTE(png, info, &colours, &count) != 0)
    for (int k = 0; k < count; ++k)
      result.palette.push_back({colours[k].red, colours[k].green, colours[k].blue});
  png_bytep alpha = nullptr;
  int alphaCount = 0;
  if (png_get_tRNS(png, info, &alpha, &alphaCount, nullptr) != 0)
    result.alpha.assign(alpha, alpha + alphaCount);
  png_bytepp rows = png_get_rows(png, info);
  for (int y = 0; y < result.height; ++y)
    result.pixels.insert(result.pixels.end(), rows[y], rows[y] + result.width);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  return result;
}

DecodedGif ReadGif(const std::string& path) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (gif == nullptr) throw std::runtime_error("giflib cannot open " + path);
  if (DGifSlurp(gif) == GIF_ERROR) {
    DGifCloseFile(gif, &error);
    throw std::runtime_error("giflib rejected " + path);
  }
  DecodedGif result;
  std::FILE* raw = std::fopen(path.c_str(), "rb");
  char header[7] = {};
  if (raw != nullptr && std::fread(header, 1, 6, raw) == 6) result.version = header + 3;
  if (raw != nullptr) std::fclose(raw);
  result.width = gif->SWidth;
  result.height = gif->SHeight;
  result.background = gif->SBackGroundColor;
  if (gif->SColorMap != nullptr)
    for (int k = 0; k < gif->SColorMap->ColorCount; ++k) {
      const GifColorType& c = gif->SColorMap->Colors[k];
      result.colours.push_back({c.Red, c.Green, c.Blue});
    }
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    for (int b = 0; b + 1 < image.ExtensionBlockCount; ++b) {
      const ExtensionBlock& block = image.ExtensionBlocks[b];
      const ExtensionBlock& next = image.ExtensionBlocks[b + 1];
      if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
          std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0 && next.ByteCount == 3 &&
          next.Bytes[0] == 1 && next.Bytes[1] == 0 && next.Bytes[2] == 0)
        result.loopsForever = true;
    }
    DecodedGifFrame frame;
    frame.left = image.ImageDesc.Left;
    frame.top = image.ImageDesc.Top;
    frame.width = image.ImageDesc.Width;
    frame.height = image.ImageDesc.Height;
    GraphicsControlBlock control;
    if (DGifSavedExtensionToGCB(gif, i, &control) == GIF_OK) {
      frame.delay = control.DelayTime;
      frame.disposal = control.DisposalMode;
      frame.transparent = control.TransparentColor;
    }
    frame.pixels.assign(image.RasterBits, image.RasterBits + frame.width * frame.height);
    result.frames.push_back(std::move(frame));
  }
  DGifCloseFile(gif, &error);
  return result;
}

}  // namespace glint::testing

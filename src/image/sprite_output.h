#pragma once

// What the converter and the window's exports write for one sprite, so that both write the same
// bytes: frame files, the sheet and the animated GIF.

#include <cstdint>
#include <functional>
#include <span>

#include "image/png_writer.h"
#include "image/sprite_frames.h"
#include "spr/sprite.h"

namespace glint::image {

enum class FrameFormat { kBmp, kPng };

// Frames first..last of the sprite open on `reader`, read in order from where it stands (the
// frames before `first` are read past); each frame with pixels becomes one file, handed to
// `file` with its frame number.
void EncodeFrameFiles(spr::SprReader& reader, const spr::Palette& palette, int first, int last,
                      FrameFormat format, bool transparent,
                      const std::function<void(int, std::span<const std::uint8_t>)>& file);

// The frames on one sheet (`columns` as for LayoutSheet) as a palette PNG. SheetTooLarge before
// anything is decoded; `frameDone` after each frame placed.
void WriteSheetPng(const ByteSink& sink, const spr::Palette& palette, const SpriteFrames& frames,
                   int columns, bool transparent, const std::function<void()>& frameDone = {});

}  // namespace glint::image

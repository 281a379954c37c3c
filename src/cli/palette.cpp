#include "cli/palette.h"

#include <cstdio>

#include "cli/commands.h"
#include "cli/failure.h"
#include "cli/pack.h"
#include "cli/sprite_input.h"
#include "path/path.h"
#include "platform/file_status.h"
#include "platform/output_file.h"

namespace glint::cli {
namespace {

// Palette files are small; a sprite's palette is read from its end alone.
const image::ImageLimits kPaletteLimits{spr::kMaxSide, spr::kMaxEncodablePixels,
                                        std::int64_t{256} << 20};

std::string hex(spr::Colour c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", unsigned{c.red}, unsigned{c.green},
                unsigned{c.blue});
  return text;
}

std::string lowerExtension(const std::string& path) {
  const std::string_view name = path::FileName(path);
  const std::size_t dot = name.rfind('.');
  std::string extension(dot == std::string_view::npos ? "" : name.substr(dot));
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return extension;
}

// The sprite's name without its extension, for a GIMP palette's Name line: one line, printable.

void writePalette(const PaletteOptions& options, Console& console) {
  SpriteFile sprite(options.sprite);
  const spr::Palette& palette = sprite.palette();
  if (options.output.empty()) {
    console.out(options.json ? PaletteJson(palette) : PaletteText(palette));
    return;
  }
  const std::string extension = lowerExtension(options.output);
  std::vector<std::uint8_t> bytes;
  if (extension == ".png") {
    bytes = image::PaletteSwatchPng(palette);
  } else {
    const std::string text =
        extension == ".gpl" ? image::GimpPaletteText(palette, image::PaletteName(options.sprite))
                            : image::JascPaletteText(palette);
    bytes.assign(text.begin(), text.end());
  }
  OutputFile file(options.output, {sprite.id()});
  file.write(bytes);
  file.commit();
}

// Streams the bytes before the palette, then the new palette.
void setPalette(const PaletteOptions& options, Console& console) {
  const std::string& sprite = options.sprite;
  const std::string& output = options.output.empty() ? sprite : options.output;
  CheckOutput(output, {options.set});
  OutputFile out(output, {}, AtomicFile::Kind::kSprite);
  FileSource source = OpenInput(sprite);
  spr::SprReader reader(source);
  spr::Palette own{};
  const std::int64_t paletteAt = source.length() - static_cast<std::int64_t>(spr::kPaletteSize);
  try {
    const int count = reader.open(own);
    if (paletteAt < spr::kFirstRecordOffset)
      throw Failure(sprite,
                    "its header reaches into the palette at the end of the file, so the palette "
                    "cannot be replaced without changing the header");
    for (int k = 1; k <= count; ++k) {
      const spr::FrameRecord record = reader.readFrameHeader();
      if (record.offset + spr::kRecordHeaderSize + record.storedLength > paletteAt)
        throw Failure(sprite, "frame " + std::to_string(k) +
                                  ": its record reaches into the palette at the end of the file, "
                                  "so the palette cannot be replaced without changing the frame");
    }
  } catch (const spr::Fault& fault) {
    throw Failure(sprite, FaultReason(fault));
  }
  const image::PaletteFile given = ReadPaletteInput(options.set);
  if (!out.copy(source, 0, paletteAt)) throw Failure(sprite, "the file changed while it was read");
  out.write(given.over(own));
  out.commit();
  console.err(PartialPaletteNote(options.set, given, "the others kept"));
}

}  // namespace

FileIds WithPaletteInput(FileIds inputs, const std::string& path) {
  if (path.empty()) return inputs;
  if (const FileStatus status = StatusOf(path); status.error == 0) inputs.insert(status.id);
  return inputs;
}

image::PaletteFile ReadPaletteInput(const std::string& path) {
  FileSource source = OpenInput(path);
  try {
    return image::LoadPaletteFile(source, kPaletteLimits);
  } catch (const image::Unreadable& e) {
    throw Failure(path, std::string("no palette to take: ") + e.what());
  } catch (const spr::Fault& fault) {
    throw Failure(path, "no palette to take: a broken sprite file (" + FaultDetail(fault) + ")");
  } catch (const image::ImageTooLarge& e) {
    throw Failure(path, "no palette to take: the image is " + std::to_string(e.width) + " x " +
                            std::to_string(e.height) + " pixels");
  }
}

std::string PartialPaletteNote(const std::string& path, const image::PaletteFile& file,
                               const std::string& others) {
  if (file.entries >= spr::Palette::kEntries) return "";
  const std::string n = std::to_string(file.entries);
  return ErrorLine(path, n + " of 256 entries given: the first " + n + " replaced, " + others);
}

spr::Palette PaletteShown(const std::string& path, const spr::Palette& own,
                          const std::function<void(const std::string&)>& tell) {
  if (path.empty()) return own;
  const image::PaletteFile file = ReadPaletteInput(path);
  if (const std::string note = PartialPaletteNote(path, file, "the sprite's own kept");
      !note.empty())
    tell(note);
  return file.over(own);
}

std::string PaletteText(const spr::Palette& palette) {
  std::string text;
  for (std::size_t k = 0; k < spr::Palette::kEntries; ++k) {
    const spr::Colour c = palette.colour(k);
    text += std::to_string(k) + " " + std::to_string(c.red) + " " + std::to_string(c.green) + " " +
            std::to_string(c.blue) + " " + hex(c) + "\n";
  }
  return text;
}

std::string PaletteJson(const spr::Palette& palette) {
  std::string json = "[";
  for (std::size_t k = 0; k < spr::Palette::kEntries; ++k) {
    const spr::Colour c = palette.colour(k);
    json += (k == 0 ? "" : ", ") + std::string("{\"index\": ") + std::to_string(k) +
            ", \"red\": " + std::to_string(c.red) + ", \"green\": " + std::to_string(c.green) +
            ", \"blue\": " + std::to_string(c.blue) + ", \"hex\": \"" + hex(c) + "\"}";
  }
  return json + "]\n";
}

ExitStatus RunCommand(const PaletteOptions& options, Console& console) {
  if (options.set.empty())
    return Run([&] { writePalette(options, console); }, options.sprite,
               options.output.empty() ? options.sprite : options.output,
               [&](const std::string& lines) { console.err(lines); });
  const std::string& named = options.output.empty() ? options.sprite : options.output;
  return Run([&] { setPalette(options, console); }, named, named,
             [&](const std::string& lines) { console.err(lines); });
}

}  // namespace glint::cli

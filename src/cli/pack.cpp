#include "cli/pack.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>

#include "cli/commands.h"
#include "cli/failure.h"
#include "cli/palette.h"
#include "cli/sprite_input.h"
#include "image/image_reader.h"
#include "image/palette_map.h"
#include "path/path.h"
#include "platform/byte_source.h"
#include "platform/errors.h"
#include "platform/file_status.h"
#include "platform/output_file.h"
#include "spr/sprite.h"

namespace glint::cli {
namespace fs = std::filesystem;
using spr::Bytes;
namespace {

// Far more than any frame's image: a 32,767 x 127 BMP is 4 MiB.
constexpr std::int64_t kMaxImageFile = std::int64_t{256} << 20;
const image::ImageLimits kFrameLimits{spr::kMaxSide, spr::kMaxEncodablePixels, kMaxImageFile};

std::string frameText(int frame) { return "frame " + std::to_string(frame) + ": "; }

// NAME and k of NAME_k.png or NAME_k.bmp.
std::optional<std::pair<std::string, std::string>> frameFileName(const std::string& file) {
  const std::size_t dot = file.rfind('.');
  if (dot == std::string::npos) return std::nullopt;
  std::string extension = file.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (extension != "png" && extension != "bmp") return std::nullopt;
  const std::size_t underscore = file.rfind('_', dot);
  if (underscore == std::string::npos || underscore == 0 || underscore + 1 == dot)
    return std::nullopt;
  std::string digits = file.substr(underscore + 1, dot - underscore - 1);
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  return std::pair(file.substr(0, underscore), digits);
}

// Numbers written without leading zeros, of any length.
bool numberLess(const std::string& a, const std::string& b) {
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// n + 1 and n - 1 of a number written without leading zeros, of any length (n - 1 for n > 0).
std::string nextNumber(std::string n) {
  std::size_t k = n.size();
  while (k > 0 && n[k - 1] == '9') n[--k] = '0';
  if (k == 0) return "1" + n;
  ++n[k - 1];
  return n;
}

std::string previousNumber(std::string n) {
  std::size_t k = n.size();
  while (n[k - 1] == '0') n[--k] = '9';
  --n[k - 1];
  if (n.size() > 1 && n[0] == '0') n.erase(0, 1);
  return n;
}

// The numbers from 1 (or the first, when lower) to the last that have no image, as "2, 5-7";
// the first ten gaps, then how many more.
std::string missingNumbers(const std::vector<std::string>& numbers) {
  constexpr int kShown = 10;
  std::string text;
  int gaps = 0;
  std::string expected = numbers.front() == "0" ? "0" : "1";
  for (const std::string& number : numbers) {
    if (number != expected) {
      if (++gaps <= kShown) {
        const std::string last = previousNumber(number);
        text += (text.empty() ? "" : ", ") + expected + (last == expected ? "" : "-" + last);
      }
    }
    expected = nextNumber(number);
  }
  if (gaps > kShown) text += " and " + std::to_string(gaps - kShown) + " more gaps";
  return text;
}

// An empty word names no file, not the working folder.
FileStatus statusOf(const std::string& path) {
  if (!path.empty()) return StatusOf(path);
  FileStatus missing;
  missing.error = ENOENT;
  return missing;
}

// Why a frame file cannot be read (a folder, a FIFO, a link to nothing or in a loop), or "".
std::string unreadableReason(const std::string& path) {
  const FileStatus status = statusOf(path);
  if (status.error != 0) return SystemErrorReason(status.error);
  if (status.kind == FileKind::kFolder) return "a folder, not a file";
  if (status.kind != FileKind::kFile) return "not an ordinary file";
  return "";
}

std::vector<std::string> folderImages(const std::string& folder, Console& console) {
  struct Frame {
    std::string name, number, path;
  };
  std::vector<Frame> frames;
  std::vector<Failure> unreadable;
  std::error_code ec;
  for (fs::directory_iterator it(path::FsPath(folder), ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    const std::string file = path::Utf8(it->path().filename());
    if (file.empty() || file[0] == '.') continue;
    const auto parts = frameFileName(file);
    if (!parts) continue;
    std::string image = path::Utf8(it->path());
    // A frame that cannot be read would leave a sprite a frame short: nothing is written.
    if (std::string reason = unreadableReason(image); !reason.empty())
      unreadable.emplace_back(image, reason);
    else
      frames.push_back({parts->first, parts->second, std::move(image)});
  }
  if (ec) throw Failure(folder, "cannot read the folder: " + SystemErrorReason(ec.value()));
  if (!unreadable.empty()) {
    std::sort(unreadable.begin(), unreadable.end(),
              [](const Failure& a, const Failure& b) { return a.path() < b.path(); });
    throw Failures(std::move(unreadable));
  }
  if (frames.empty())
    throw Failure(folder,
                  "no frame images here (NAME_k.png or NAME_k.bmp, as the export names "
                  "them)");
  std::sort(frames.begin(), frames.end(), [](const Frame& a, const Frame& b) {
    if (a.name != b.name) return a.name < b.name;
    if (a.number != b.number) return numberLess(a.number, b.number);
    return a.path < b.path;
  });
  if (frames.front().name != frames.back().name)
    throw Failure(folder, "frames of more than one sprite here (" +
                              QuotedName(frames.front().name) + " and " +
                              QuotedName(frames.back().name) + "): name the images instead");
  std::vector<std::string> paths, numbers;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    if (i > 0 && frames[i].number == frames[i - 1].number)
      throw Failure(folder, "two images for frame " + frames[i].number + ": " +
                                QuotedName(frames[i - 1].path) + " and " +
                                QuotedName(frames[i].path));
    paths.push_back(frames[i].path);
    numbers.push_back(frames[i].number);
  }
  if (const std::string missing = missingNumbers(numbers); !missing.empty())
    console.err(
        ErrorLine(folder, "no image numbered " + missing + "; the others are packed in order"));
  return paths;
}

std::string tooLargeReason(const image::ImageTooLarge& e) {
  const std::string size = std::to_string(e.width) + " x " + std::to_string(e.height);
  if (e.width > spr::kMaxSide || e.height > spr::kMaxSide)
    return "the image is " + size + " pixels; a frame is at most 32,767 x 32,767";
  return "the image is " + size + " pixels, more than a frame holds (4,177,666 at most)";
}

std::string unmappedReason(const image::UnmappedPixel& e) {
  using Kind = image::UnmappedPixel::Kind;
  const std::string pixel = "pixel (" + std::to_string(e.x()) + ", " + std::to_string(e.y()) + ") ";
  switch (e.kind()) {
    case Kind::kNoSuchColour:
      return pixel + "is " + e.colour() + ", a colour the palette does not hold";
    case Kind::kPartlyTransparent:
      return pixel + "is partly transparent (alpha " + std::to_string(e.alpha()) + ")";
    case Kind::kIndexOutsidePalette:
      return pixel + "has index " + std::to_string(e.index()) + ", beyond the image's " +
             std::to_string(e.paletteSize()) + "-colour palette";
    case Kind::kNotEightBit:
      return pixel + "is " + e.colour() + ", a 16-bit colour that no 8-bit colour equals";
    case Kind::kOnlyTransparent:
      return pixel + "is " + e.colour() +
             ", opaque, but only index 0, the transparent one, has that colour";
  }
  return pixel + "has no palette index";
}

std::string refusalReason(const spr::Refusal& r) {
  switch (r.kind()) {
    case spr::Refusal::Kind::kStoredTooLong:
      return "its stored bytes would take " + std::to_string(r.storedLength()) +
             " bytes; a frame holds 32,767 at most (long runs of index 0 take less)";
    case spr::Refusal::Kind::kRecordInPalette:
      return "its record reaches into the palette at the end of the file, so it cannot be "
             "replaced without changing the palette";
    default:
      return r.what();
  }
}

image::SourceImage readImage(const std::string& path) {
  FileSource source = OpenInput(path);
  try {
    return image::ReadImage(image::ReadImageFile(source, kFrameLimits), kFrameLimits);
  } catch (const image::Unreadable& e) {
    throw Failure(path, e.what());
  } catch (const image::ImageTooLarge& e) {
    throw Failure(path, tooLargeReason(e));
  }
}

// The image as frame `frame`'s record.
Bytes frameRecord(const std::string& path, int frame, const image::SourceImage& source,
                  const spr::Palette& palette, bool transparent) {
  try {
    return spr::EncodeRecord(image::MapToPalette(source, palette, transparent), frame);
  } catch (const image::UnmappedPixel& e) {
    throw Failure(path, frameText(frame) + unmappedReason(e));
  } catch (const spr::Refusal& r) {
    throw Failure(path, frameText(frame) + refusalReason(r));
  }
}

void pack(const PackOptions& options, Console& console) {
  const std::vector<std::string> images = PackImages(options.inputs, console);
  std::vector<std::string> inputs = images;
  if (!options.palette.empty()) inputs.push_back(options.palette);
  CheckOutput(options.output, inputs);
  // A sprite that may not be written over is refused before any read.
  OutputFile out(options.output, {}, AtomicFile::Kind::kSprite);
  if (images.size() > static_cast<std::size_t>(spr::kMaxFrames))
    throw Failure(options.output, std::to_string(images.size()) +
                                      " images, but a sprite holds 32,767 frames at most");

  spr::Palette palette{};
  std::optional<image::SourceImage> first;  // the palette image, read once
  std::size_t firstAt = 0;
  if (!options.palette.empty()) {
    const image::PaletteFile file = ReadPaletteInput(options.palette);
    palette = file.over(spr::Palette{});
    console.err(PartialPaletteNote(options.palette, file, "the others black"));
  } else {
    for (; firstAt < images.size() && !first; ++firstAt) {
      image::SourceImage source = readImage(images[firstAt]);
      if (source.indexed) first = std::move(source);
    }
    if (!first)
      throw Failure(options.output,
                    "no palette: none of the images has one; give one with --palette FILE");
    palette = image::SpritePaletteOf(*first);
    --firstAt;
  }

  out.write(spr::EncodeHeader(static_cast<int>(images.size())));
  for (std::size_t i = 0; i < images.size(); ++i) {
    const image::SourceImage source =
        first && i == firstAt ? std::move(*first) : readImage(images[i]);
    out.write(
        frameRecord(images[i], static_cast<int>(i + 1), source, palette, options.transparent));
  }
  out.write(spr::EncodePalette(palette));
  out.commit();
}

// Streams: the bytes before the record, the new record, the bytes after it.
void replace(const ReplaceOptions& options) {
  const std::string& sprite = options.sprite;
  const std::string& output = options.output.empty() ? sprite : options.output;
  CheckOutput(output, {options.image});
  OutputFile out(output, {}, AtomicFile::Kind::kSprite);
  FileSource source = OpenInput(sprite);
  spr::SprReader reader(source);
  spr::Palette palette{};
  int count = 0;
  try {
    count = reader.open(palette);
  } catch (const spr::Fault& fault) {
    throw Failure(sprite, FaultReason(fault));
  }
  const int frame = options.frame;
  if (frame < 1 || frame > count)
    throw Failure(sprite, NotInSprite("frame " + std::to_string(frame), count));
  const image::SourceImage picture = readImage(options.image);
  spr::IndexedImage pixels;
  try {
    pixels = image::MapToPalette(picture, palette, options.transparent);
  } catch (const image::UnmappedPixel& e) {
    throw Failure(options.image, frameText(frame) + unmappedReason(e));
  }
  spr::RecordSpan span;
  Bytes record;
  try {
    span = spr::FindRecord(source, frame);
    record = spr::EncodeRecord(pixels, frame);
  } catch (const spr::Fault& fault) {
    throw Failure(sprite, FaultReason(fault));
  } catch (const spr::Refusal& r) {
    const bool image = r.kind() != spr::Refusal::Kind::kRecordInPalette;
    throw Failure(image ? options.image : sprite, frameText(frame) + refusalReason(r));
  }
  const auto copy = [&](std::int64_t from, std::int64_t to) {
    if (!out.copy(source, from, to)) throw Failure(sprite, "the file changed while it was read");
  };
  copy(0, span.start);
  out.write(record);
  copy(span.end, source.length());
  out.commit();
}

}  // namespace

FileSource OpenInput(const std::string& path) {
  if (std::string reason = unreadableReason(path); !reason.empty()) throw Failure(path, reason);
  try {
    return FileSource(path);
  } catch (const Error& e) {
    throw Failure(path, "cannot read the file: " + e.description());
  }
}

void CheckOutput(const std::string& output, const std::vector<std::string>& inputs) {
  const FileStatus out = statusOf(output);
  if (out.error != 0) return;
  if (out.kind == FileKind::kFolder) throw Failure(output, "a folder: give the sprite file's name");
  if (out.kind != FileKind::kFile)
    throw Failure(output, "not an ordinary file: it is not replaced");
  for (const std::string& input : inputs) {
    const FileStatus in = statusOf(input);
    if (in.error == 0 && in.id == out.id)
      throw Failure(output, "the output is also an input (" + QuotedName(input) + ")");
  }
}

std::vector<std::string> PackImages(const std::vector<std::string>& inputs, Console& console) {
  std::vector<std::string> images;
  for (const std::string& input : inputs) {
    if (statusOf(input).kind == FileKind::kFolder) {
      const std::vector<std::string> frames = folderImages(input, console);
      images.insert(images.end(), frames.begin(), frames.end());
    } else {
      images.push_back(input);  // what is wrong with it is told when it is read
    }
  }
  return images;
}

ExitStatus RunCommand(const PackOptions& options, Console& console) {
  return Run([&] { pack(options, console); }, options.output, options.output,
             [&](const std::string& lines) { console.err(lines); });
}

ExitStatus RunCommand(const ReplaceOptions& options, Console& console) {
  const std::string& named = options.output.empty() ? options.sprite : options.output;
  return Run([&] { replace(options); }, named, named,
             [&](const std::string& lines) { console.err(lines); });
}

}  // namespace glint::cli

#include "cli/pack.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <limits>
#include <optional>

#include "cli/failure.h"
#include "cli/sprite_input.h"
#include "image/image_reader.h"
#include "image/palette_map.h"
#include "platform/atomic_file.h"
#include "platform/byte_source.h"
#include "platform/errors.h"
#include "spr/sprite.h"

namespace glint::cli {
namespace fs = std::filesystem;
using spr::Bytes;
namespace {

constexpr int kAllConverted = 0;
constexpr int kSomeFailed = 1;
// Far more than any frame's image: a 32,767 x 127 BMP is 4 MiB.
constexpr std::int64_t kMaxImageFile = std::int64_t{256} << 20;
const image::ImageLimits kFrameLimits{spr::kMaxSide, spr::kMaxEncodablePixels};

std::string framesText(int count) {
  if (count == 0) return "no frames";
  return std::to_string(count) + (count == 1 ? " frame" : " frames");
}

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

std::vector<std::string> folderImages(const std::string& folder) {
  struct Frame {
    std::string name, number, path;
  };
  std::vector<Frame> frames;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    const std::string file = it->path().filename().string();
    if (file.empty() || file[0] == '.') continue;
    const auto parts = frameFileName(file);
    std::error_code statError;
    if (!parts || !fs::is_regular_file(it->status(statError))) continue;
    frames.push_back({parts->first, parts->second, it->path().string()});
  }
  if (ec) throw Failure(folder, "cannot read the folder: " + SystemErrorReason(ec.value()));
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
    throw Failure(folder, "frames of more than one sprite here (" + frames.front().name + " and " +
                              frames.back().name + "): name the images instead");
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    if (i > 0 && frames[i].number == frames[i - 1].number)
      throw Failure(folder, "two images for frame " + frames[i].number + ": " + frames[i - 1].path +
                                " and " + frames[i].path);
    paths.push_back(frames[i].path);
  }
  return paths;
}

// A whole input file, at most `limit` bytes.
Bytes readWhole(const std::string& path, std::int64_t limit) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw Failure(path, SystemErrorReason(errno));
  if (S_ISDIR(st.st_mode)) throw Failure(path, "a folder, not a file");
  if (!S_ISREG(st.st_mode)) throw Failure(path, "not an ordinary file");
  if (st.st_size > limit)
    throw Failure(path, "too large (" + std::to_string(st.st_size) + " bytes) for what it is");
  try {
    FileSource source(path);
    Bytes bytes(static_cast<std::size_t>(source.length()));
    if (!source.readAt(0, bytes)) throw Failure(path, "the file changed while it was read");
    return bytes;
  } catch (const Error& e) {
    throw Failure(path, "cannot read the file: " + e.description());
  }
}

// The output is an ordinary file or none yet, and none of the inputs.
void checkOutput(const std::string& output, const std::vector<std::string>& inputs) {
  struct stat out {};
  if (::stat(output.c_str(), &out) != 0) return;
  if (S_ISDIR(out.st_mode)) throw Failure(output, "a folder: give the sprite file's name");
  if (!S_ISREG(out.st_mode)) throw Failure(output, "not an ordinary file: it is not replaced");
  for (const std::string& input : inputs) {
    struct stat in {};
    if (::stat(input.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
      throw Failure(output, "the output is also an input (" + input + ")");
  }
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
  const Bytes bytes = readWhole(path, kMaxImageFile);
  try {
    return image::ReadImage(bytes, kFrameLimits);
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

spr::Palette readPalette(const std::string& path) {
  const Bytes bytes = readWhole(path, std::numeric_limits<std::int64_t>::max());
  try {
    return image::ReadPaletteFile(bytes, kFrameLimits);
  } catch (const image::Unreadable& e) {
    throw Failure(path, std::string("no palette to take: ") + e.what());
  } catch (const image::ImageTooLarge& e) {
    throw Failure(path, tooLargeReason(e));
  }
}

// Writes through an AtomicFile in pieces of a megabyte or so, a failure told as the output's.
class Output {
 public:
  explicit Output(const std::string& path) : path_(path) {
    try {
      file_.emplace(path);
    } catch (const Error& e) {
      fail(e);
    }
  }
  void write(std::span<const std::uint8_t> bytes) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    if (pending_.size() >= kPiece) flush();
  }
  void commit() {
    flush();
    try {
      file_->commit();
    } catch (const Error& e) {
      fail(e);
    }
  }

 private:
  static constexpr std::size_t kPiece = std::size_t{1} << 20;

  void flush() {
    try {
      file_->write(pending_);
    } catch (const Error& e) {
      fail(e);
    }
    pending_.clear();
  }
  [[noreturn]] void fail(const Error& e) {
    throw Failure(path_, "cannot write the file: " + e.description());
  }

  std::string path_;
  std::optional<AtomicFile> file_;
  Bytes pending_;
};

void pack(const Options& options) {
  const std::vector<std::string> images = PackImages(options.inputs);
  std::vector<std::string> inputs = images;
  if (!options.palette.empty()) inputs.push_back(options.palette);
  checkOutput(options.output, inputs);
  if (images.size() > static_cast<std::size_t>(spr::kMaxFrames))
    throw Failure(options.output, std::to_string(images.size()) +
                                      " images, but a sprite holds 32,767 frames at most");

  spr::Palette palette{};
  std::optional<image::SourceImage> first;  // the palette image, read once
  std::size_t firstAt = 0;
  if (!options.palette.empty()) {
    palette = readPalette(options.palette);
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

  Output out(options.output);
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

void replace(const Options& options) {
  const std::string& sprite = options.inputs.front();
  const std::string& output = options.output.empty() ? sprite : options.output;
  checkOutput(output, {options.image});
  const Bytes file = readWhole(sprite, std::numeric_limits<std::int64_t>::max());
  spr::MemoryBytes source(file);
  spr::SprReader reader(source);
  spr::Palette palette{};
  int count = 0;
  try {
    count = reader.open(palette);
  } catch (const spr::Fault& fault) {
    throw Failure(sprite, FaultReason(fault));
  }
  if (options.frame < 1 || options.frame > count)
    throw Failure(sprite, "frame " + std::to_string(options.frame) +
                              " asked for, but the file has " + framesText(count));
  const image::SourceImage picture = readImage(options.image);
  const int frame = options.frame;
  Bytes replaced;
  try {
    replaced =
        spr::ReplaceFrame(file, frame, image::MapToPalette(picture, palette, options.transparent));
  } catch (const image::UnmappedPixel& e) {
    throw Failure(options.image, frameText(frame) + unmappedReason(e));
  } catch (const spr::Fault& fault) {
    throw Failure(sprite, FaultReason(fault));
  } catch (const spr::Refusal& r) {
    const bool image = r.kind() != spr::Refusal::Kind::kRecordInPalette;
    throw Failure(image ? options.image : sprite, frameText(frame) + refusalReason(r));
  }
  Output out(output);
  out.write(replaced);
  out.commit();
}

int run(void (*command)(const Options&), const Options& options, Console& console) {
  try {
    command(options);
  } catch (const Failure& failure) {
    console.err(ErrorLine(failure.path(), failure.reason()));
    return kSomeFailed;
  } catch (const std::bad_alloc&) {
    console.err(ErrorLine(options.output.empty() ? options.inputs.front() : options.output,
                          "out of memory"));
    return kSomeFailed;
  }
  return kAllConverted;
}

}  // namespace

std::vector<std::string> PackImages(const std::vector<std::string>& inputs) {
  std::vector<std::string> images;
  for (const std::string& input : inputs) {
    struct stat st {};
    if (::stat(input.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      const std::vector<std::string> frames = folderImages(input);
      images.insert(images.end(), frames.begin(), frames.end());
    } else {
      images.push_back(input);  // what is wrong with it is told when it is read
    }
  }
  return images;
}

int RunPack(const Options& options, Console& console) { return run(pack, options, console); }

int RunReplace(const Options& options, Console& console) { return run(replace, options, console); }

}  // namespace glint::cli

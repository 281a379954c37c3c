#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace glint::cli {

enum class Format { Bmp, Png };

// What sprconv ends with, named once: the help text says the same.
enum class ExitStatus { kAllConverted = 0, kSomeFailed = 1, kUsageError = 2 };

// Frames first..last, 1-based and inclusive.
struct FrameRange {
  int first = 1;
  int last = 1;
  bool operator==(const FrameRange&) const = default;
};

struct ExportOptions {
  std::vector<std::string> inputs;
  std::string output;  // -o; empty when not given
  Format format = Format::Bmp;
  std::optional<FrameRange> frames;
  bool transparent = false;
  int jobs = 1;
  bool quiet = false;
  std::string palette;  // --palette: drawn with it; empty when not given
};

struct SheetOptions {
  std::string sprite;
  std::string output;
  int columns = 0;  // 0: the smallest n with n x n >= the frames shown
  bool transparent = false;
  std::string palette;  // --palette: drawn with it; empty when not given
};

struct GifOptions {
  std::string sprite;
  std::string output;
  int delayMs = 100;
  bool transparent = false;
  std::string palette;  // --palette: drawn with it; empty when not given
};

struct InfoOptions {
  std::vector<std::string> sprites;
  bool json = false;
};

struct ThumbnailOptions {
  std::string sprite;
  std::string output;
  int size = 128;       // the box a thumbnail fits in
  std::string palette;  // --palette: drawn with it; empty when not given
};

struct PackOptions {
  std::vector<std::string> inputs;
  std::string output;
  std::string palette;  // empty when not given
  bool transparent = false;
};

struct ReplaceOptions {
  std::string sprite;
  std::string image;  // the new frame
  int frame = 0;
  std::string output;  // empty: the sprite itself
  bool transparent = false;
};

struct PaletteOptions {
  std::string sprite;
  std::string output;  // the palette file; with `set`, the sprite to write (empty: in place)
  std::string set;     // --set: the palette to put in; empty when not given
  bool json = false;
};

using CommandOptions = std::variant<ExportOptions, SheetOptions, GifOptions, InfoOptions,
                                    ThumbnailOptions, PackOptions, ReplaceOptions, PaletteOptions>;

// What the command line asks for: a command to run, or an exit status with the text to show
// (help and version on stdout with 0, usage errors on stderr with 2).
struct ParsedCommandLine {
  std::optional<CommandOptions> options;
  ExitStatus exitStatus = ExitStatus::kAllConverted;
  std::string out;
  std::string err;
};

// args[0] is the program name.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// "N" or "A-B" with 1 <= A <= B; nothing for anything else.
std::optional<FrameRange> ParseFrames(std::string_view text);

std::string VersionText();

}  // namespace glint::cli

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace glint::cli {

enum class Command { Export, Sheet, Gif, Info, Thumbnail, Pack, Replace };
enum class Format { Bmp, Png };

// Frames first..last, 1-based and inclusive.
struct FrameRange {
  int first = 1;
  int last = 1;
  bool operator==(const FrameRange&) const = default;
};

struct Options {
  Command command = Command::Export;
  std::vector<std::string> inputs;
  std::string output;  // -o; empty when not given
  Format format = Format::Bmp;
  std::optional<FrameRange> frames;
  bool transparent = false;
  int jobs = 1;
  bool quiet = false;
  int columns = 0;  // 0: the smallest n with n x n >= the frames shown
  int delayMs = 100;
  bool json = false;
  int thumbnailSize = 128;  // the box a thumbnail fits in
  std::string palette;      // pack --palette; empty when not given
  std::string image;        // replace: the new frame
  int frame = 0;            // replace --frame
};

// What the command line asks for: options to run, or an exit status with the text to show
// (help and version on stdout with 0, usage errors on stderr with 2).
struct ParsedCommandLine {
  std::optional<Options> options;
  int exitCode = 0;
  std::string out;
  std::string err;
};

// args[0] is the program name.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// "N" or "A-B" with 1 <= A <= B; nothing for anything else.
std::optional<FrameRange> ParseFrames(std::string_view text);

std::string VersionText();

}  // namespace glint::cli

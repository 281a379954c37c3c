#include "image/palette_file.h"

#include "path/path.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>

#include "image/png_writer.h"

namespace glint::image {
namespace {

constexpr std::size_t kEntries = spr::Palette::kEntries;

[[noreturn]] void fault(std::size_t line, const std::string& reason) {
  throw Unreadable("line " + std::to_string(line) + ": " + reason);
}

// The lines of a text file, LF or CRLF ended; a last line without its end counts too.
std::vector<std::string_view> splitLines(std::span<const std::uint8_t> bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::vector<std::string_view> lines;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

bool isSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

// The next word of `s`, taken off it.
std::string_view word(std::string_view& s) {
  s = trimmed(s);
  std::size_t end = 0;
  while (end < s.size() && !isSpace(s[end])) ++end;
  const std::string_view w = s.substr(0, end);
  s.remove_prefix(end);
  return w;
}

// A decimal number with an optional sign; nothing for anything else. Beyond int, the sign's limit.
std::optional<long long> number(std::string_view w) {
  if (w.empty()) return std::nullopt;
  std::size_t digits = w.front() == '-' || w.front() == '+' ? 1 : 0;
  if (digits == w.size() || !std::all_of(w.begin() + static_cast<std::ptrdiff_t>(digits), w.end(),
                                         [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  long long value = 0;
  const auto [end, ec] = std::from_chars(w.data() + (w.front() == '+'), w.data() + w.size(), value);
  if (ec == std::errc::result_out_of_range) return w.front() == '-' ? -1 : 256;
  return value;
}

std::string shown(std::string_view w) {
  constexpr std::size_t kLongest = 20;
  return "\"" + std::string(w.substr(0, kLongest)) + (w.size() > kLongest ? "...\"" : "\"");
}

// "R G B" then, where `rest` allows, anything after white space (a GIMP entry's name).
spr::Colour colourLine(std::string_view line, std::size_t at, bool rest) {
  std::string_view left = line;
  std::uint8_t values[3];
  for (std::uint8_t& v : values) {
    const std::string_view w = word(left);
    const auto n = number(w);
    if (!n) fault(at, "not a colour: three numbers 0-255 (red, green, blue) were expected");
    if (*n < 0 || *n > 255) fault(at, shown(w) + " is outside 0-255");
    v = static_cast<std::uint8_t>(*n);
  }
  if (!rest && !trimmed(left).empty())
    fault(at, "more than three numbers: " + shown(trimmed(left)));
  return {values[0], values[1], values[2]};
}

void put(PaletteFile& file, std::size_t at, spr::Colour colour) {
  if (file.entries == kEntries) fault(at, "more than 256 entries");
  file.palette.setColour(file.entries++, colour);
}

// "GIMP Palette", then keyword lines (Name:, Columns:) before the entries, comments (#) and
// blank lines anywhere.
PaletteFile readGimp(const std::vector<std::string_view>& lines) {
  PaletteFile file{PaletteFile::Kind::kGimp};
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = trimmed(lines[i]);
    const std::size_t at = i + 1;
    if (line.empty() || line.front() == '#') continue;
    if (file.entries == 0 && line.starts_with("Name:")) continue;
    if (file.entries == 0 && line.starts_with("Columns:")) {
      std::string_view left = line.substr(8);
      const auto n = number(word(left));
      if (!n || *n < 0 || *n > 256 || !trimmed(left).empty())
        fault(at, "Columns: takes a number 0-256");
      continue;
    }
    put(file, at, colourLine(line, at, true));
  }
  if (file.entries == 0) throw Unreadable("a GIMP palette without entries");
  return file;
}

// "JASC-PAL", "0100", the count, then that many "R G B" lines; blank lines only at the end.
PaletteFile readJasc(const std::vector<std::string_view>& lines) {
  PaletteFile file{PaletteFile::Kind::kJasc};
  if (lines.size() < 2 || lines[1] != "0100") fault(2, "not 0100, the version of the format");
  if (lines.size() < 3) fault(3, "no count of entries");
  const auto count = number(trimmed(lines[2]));
  if (!count || *count < 1) fault(3, "not a count of entries from 1 to 256");
  if (*count > 256) fault(3, std::to_string(*count) + " entries, more than 256");
  const auto wanted = static_cast<std::size_t>(*count);
  for (std::size_t i = 3; i < lines.size(); ++i) {
    const std::size_t at = i + 1;
    if (file.entries == wanted) {
      if (!trimmed(lines[i]).empty())
        fault(at, "more entries than the count on line 3 (" + std::to_string(wanted) + ")");
      continue;
    }
    put(file, at, colourLine(lines[i], at, false));
  }
  if (file.entries < wanted)
    fault(lines.size() + 1, "the file ends after " + std::to_string(file.entries) + " of " +
                                std::to_string(wanted) + " entries");
  return file;
}

PaletteFile fromImage(const SourceImage& image, PaletteFile::Kind kind) {
  PaletteFile file{kind};
  for (const PaletteEntry& e : image.palette)
    file.palette.setColour(file.entries++, {e.red, e.green, e.blue});
  return file;
}

}  // namespace

spr::Palette PaletteFile::over(const spr::Palette& own) const {
  if (kind == Kind::kSprite) return palette;
  spr::Palette out = own;
  for (std::size_t k = 0; k < entries; ++k) out.setColour(k, palette.colour(k));
  return out;
}

PaletteFile LoadPaletteFile(spr::ByteSource& source, const ImageLimits& limits) {
  spr::SprReader reader(source);
  if (source.length() >= std::ssize(spr::kSignature) && reader.readSignature()) {
    PaletteFile file{PaletteFile::Kind::kSprite, {}, kEntries};
    reader.open(file.palette);
    return file;
  }
  const spr::Bytes bytes = ReadImageFile(source, limits);
  if (IsPng(bytes) || IsBmp(bytes)) {
    const SourceImage image = ReadImage(bytes, limits);
    if (!image.indexed) throw Unreadable("a PNG file without a palette: its colours are its own");
    return fromImage(image, IsPng(bytes) ? PaletteFile::Kind::kPng : PaletteFile::Kind::kBmp);
  }
  const std::vector<std::string_view> lines = splitLines(bytes);
  const std::string_view first = lines.empty() ? "" : trimmed(lines[0]);
  if (first == "GIMP Palette") return readGimp(lines);
  if (first == "JASC-PAL") return readJasc(lines);
  throw Unreadable("neither a sprite file, a GIMP or JASC palette, a PNG nor a BMP file");
}

PaletteFile LoadPaletteFile(std::span<const std::uint8_t> bytes, const ImageLimits& limits) {
  spr::MemoryBytes source(bytes);
  return LoadPaletteFile(source, limits);
}

std::string GimpPaletteText(const spr::Palette& palette, const std::string& name) {
  std::string text = "GIMP Palette\nName: " + name + "\nColumns: 16\n#\n";
  for (std::size_t k = 0; k < kEntries; ++k) {
    const spr::Colour c = palette.colour(k);
    char line[48];
    std::snprintf(line, sizeof line, "%3u %3u %3u\tIndex %zu\n", unsigned{c.red}, unsigned{c.green},
                  unsigned{c.blue}, k);
    text += line;
  }
  return text;
}

std::string PaletteName(const std::string& spritePath) {
  std::string name(path::FileName(spritePath));
  if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.erase(dot);
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return name;
}

std::string JascPaletteText(const spr::Palette& palette) {
  std::string text = "JASC-PAL\r\n0100\r\n256\r\n";
  for (std::size_t k = 0; k < kEntries; ++k) {
    const spr::Colour c = palette.colour(k);
    text += std::to_string(c.red) + " " + std::to_string(c.green) + " " + std::to_string(c.blue) +
            "\r\n";
  }
  return text;
}

std::vector<std::uint8_t> PaletteSwatchPng(const spr::Palette& palette) {
  spr::IndexedImage swatches(16, 16);
  for (std::size_t k = 0; k < kEntries; ++k) swatches.pixels[k] = static_cast<std::uint8_t>(k);
  return PalettePng(swatches, palette, false);
}

}  // namespace glint::image

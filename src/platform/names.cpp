#include "platform/names.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

namespace glint {

std::size_t Utf8Length(std::string_view s) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char lead = byte(0);
  std::size_t length;
  std::uint32_t min;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2, min = 0x80;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3, min = 0x800;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4, min = 0x10000;
  else
    return 0;
  if (s.size() < length) return 0;
  std::uint32_t code = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

std::string QuotedOr(std::string_view name, char mark) {
  std::string quoted = QuotedName(name);
  return quoted == name ? mark + quoted + mark : quoted;
}

std::string QuotedName(std::string_view name) {
  // Each byte as it stands in the quoted form, or nothing where it may stand as it is.
  auto escape = [](unsigned char c) -> std::string {
    static constexpr char kHex[] = "0123456789abcdef";
    switch (c) {
      case '\n':
        return "\\n";
      case '\t':
        return "\\t";
      case '\r':
        return "\\r";
      case '\\':
        return "\\\\";
      case '\'':
        return "\\'";
      default:
        return std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
    }
  };
  bool plain = true;
  for (std::size_t i = 0; i < name.size() && plain; ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    const std::size_t length = c < 0x80 ? 1 : Utf8Length(name.substr(i));
    plain = c >= 0x20 && c != 0x7F && length != 0;
    if (length > 1) i += length - 1;
  }
  if (plain) return std::string(name);
  std::string quoted = "$'";
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    const std::size_t length = c < 0x80 ? 1 : Utf8Length(name.substr(i));
    if (length > 1) {
      quoted.append(name.substr(i, length));
      i += length - 1;
    } else if (length == 0 || c < 0x20 || c == 0x7F || c == '\\' || c == '\'') {
      quoted += escape(c);
    } else {
      quoted += static_cast<char>(c);
    }
  }
  return quoted + "'";
}

std::string WindowsNameProblem(std::string_view name) {
  if (name == "." || name == "..") return "";
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20) {
      char code[8];
      std::snprintf(code, sizeof code, "U+%04X", byte);
      return std::string("a character Windows does not allow in names (") + code + ")";
    }
    if (std::string_view("<>:\"|?*").find(c) != std::string_view::npos)
      return std::string("a character Windows does not allow in names (") + c + ")";
  }
  if (!name.empty() && (name.back() == '.' || name.back() == ' '))
    return "a name ending in a dot or a space, which Windows drops";
  // The device is the name before its first dot, spaces before the dot not counting.
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  std::string upper(stem);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  static constexpr std::array<std::string_view, 4> kDevices = {"CON", "PRN", "AUX", "NUL"};
  bool device = std::find(kDevices.begin(), kDevices.end(), upper) != kDevices.end();
  device = device || (upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
                      upper[3] >= '1' && upper[3] <= '9');
  return device ? "a name Windows reserves for a device (" + upper + ")" : "";
}

}  // namespace glint

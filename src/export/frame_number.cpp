#include "export/frame_number.h"

#include <algorithm>
#include <cstdint>

namespace glint {
namespace {

bool isBlankChar(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlankChar(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlankChar(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

bool IsBlank(std::string_view answer) { return trim(answer).empty(); }

std::optional<std::int16_t> ParseFrameNumber(std::string_view answer) {
  std::string_view s = trim(answer);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  std::size_t point = s.find('.');
  std::string_view whole = s.substr(0, point);
  std::string_view fraction =
      point == std::string_view::npos ? std::string_view{} : s.substr(point + 1);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  for (char c : whole)
    if (!isDigit(c)) return std::nullopt;
  for (char c : fraction)
    if (!isDigit(c)) return std::nullopt;

  // Anything past 100,000 is out of range anyway; stop counting there so it cannot overflow.
  constexpr std::int64_t kCap = 100000;
  std::int64_t magnitude = 0;
  for (char c : whole) magnitude = std::min(kCap, magnitude * 10 + (c - '0'));

  if (!fraction.empty()) {
    char first = fraction.front();
    bool restNonZero = fraction.substr(1).find_first_not_of('0') != std::string_view::npos;
    bool up = first > '5' || (first == '5' && (restNonZero || magnitude % 2 == 1));
    if (up) ++magnitude;
  }
  std::int64_t value = negative ? -magnitude : magnitude;
  if (value < INT16_MIN || value > INT16_MAX) return std::nullopt;
  return static_cast<std::int16_t>(value);
}

}  // namespace glint

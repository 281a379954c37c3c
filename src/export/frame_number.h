#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace glint {

// Reads the answer to "Enter the frame number to extract": a decimal number, optionally signed
// and fractional, with blanks around it. A fraction is rounded to the nearest whole number, a
// half to the even neighbour (2.5 gives 2, 3.5 gives 4), exactly as written, not through binary
// floating point. nullopt when the answer is not a number or the result lies outside int16.
std::optional<std::int16_t> ParseFrameNumber(std::string_view answer);

// Blanks only: the user gave no answer.
bool IsBlank(std::string_view answer);

}  // namespace glint

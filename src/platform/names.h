#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace glint {

// A name as messages show it: as it is, or in the shell's $'...' quoting when it holds control
// characters, DEL or bytes that are not UTF-8, so that no name can forge a line.
std::string QuotedName(std::string_view name);

// The name between two `mark`s, or in the shell's quoting where it needs that instead.
std::string QuotedOr(std::string_view name, char mark);

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0.
std::size_t Utf8Length(std::string_view text);

}  // namespace glint

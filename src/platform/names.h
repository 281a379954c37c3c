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

// Why Windows cannot hold a file or folder of this name, or "": a reserved device name (CON, NUL,
// COM1, LPT1, ... with or without an extension), one of < > : " | ? * or a control character, or
// a trailing dot or space. Pure, so both builds test it.
std::string WindowsNameProblem(std::string_view name);

}  // namespace glint

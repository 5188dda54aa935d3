// Manifest lines: tokens, directives and their arguments.
//
// A token is a run of characters none of which is white space (blank, tab,
// LF, VT, FF, CR). A line is a directive when its first token equals a tag
// exactly ("#Format:", "#Source:", "#Target"), case-sensitive, the whole
// token. The argument is the line less its first n + 1 characters, n being
// the tag's length, counted from the line's first character whether or not
// the tag stands there: so "#Source:  x" names " x", and a directive with
// leading blanks loses part of its tag instead.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "manifest/format_table.h"

namespace omf::manifest {

enum class Directive { kNone, kFormat, kSource, kTarget };

bool IsTokenSpace(char c);
// The first token of `line` (empty when the line has none).
std::string_view FirstToken(std::string_view line);
Directive DirectiveOf(std::string_view line);
std::string_view TagOf(Directive directive);
// The line less its first tag-length + 1 characters.
std::string_view ArgumentOf(std::string_view line, Directive directive);
// FormatTable lookup of a "#Format:" argument's first token; kFormatUnknown
// when no row's name equals it (an empty name never matches).
FormatCode LookupFormat(std::string_view argument);

}  // namespace omf::manifest

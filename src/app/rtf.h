// Plain text as a rich-text (RTF) document, one paragraph per line.
#pragma once

#include <string>

namespace omf::app {

// `text` is UTF-8 with LF (or CR LF) line ends. Backslashes and braces are
// escaped, tabs become \tab, characters beyond ASCII \uN? escapes.
std::string PlainTextToRtf(const std::string& text);

}  // namespace omf::app

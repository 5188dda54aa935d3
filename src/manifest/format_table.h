// Manifest vocabulary: the directive tags and the table of format names.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace omf::manifest {

// What a "#Format:" line selects, and the kinds of input the run takes.
enum FormatCode : std::uint8_t {
  kNoInput = 0,
  kFormatInPlace = 1,    // "OMF": containers; a manifest replayed in place
  kFormatRebuild = 2,    // "EOMF": a manifest replayed by rebuilding
  kFormatLogFile = 3,    // log files
  kFormatProjectList = 4,
  kFormatUnknown = 5,
};

struct FormatRow {
  std::string_view name;
  FormatCode code;
};

// Row p - 1 belongs to filter position p of the Add dialog.
inline constexpr std::array<FormatRow, 4> kFormatTable{{
    {"OMF", kFormatInPlace},
    {"", kFormatProjectList},
    {"", kFormatLogFile},
    {"EOMF", kFormatRebuild},
}};

inline constexpr std::string_view kTagFormat = "#Format:";
inline constexpr std::string_view kTagSource = "#Source:";
inline constexpr std::string_view kTagTarget = "#Target";

// The line a writer emits for a directive: the tag, one blank, the argument.
inline std::string DirectiveLine(std::string_view tag, std::string_view argument) {
  std::string line(tag);
  line += ' ';
  line += argument;
  return line;
}

}  // namespace omf::manifest

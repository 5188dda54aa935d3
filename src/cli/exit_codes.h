#pragma once

namespace omf::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitError = 1;        // an error ended the run
inline constexpr int kExitUsage = 2;
inline constexpr int kExitPartial = 3;      // completed, with failures left out
// 130: interrupted by a signal (cli/signal_watch.h)

}  // namespace omf::cli

// Ctrl-C and termination for `omf`: the first SIGINT, SIGTERM or SIGHUP
// raises the interrupt flag, so the run stops before its next item and
// removes what it was writing; a second one ends the process at once.
#pragma once

#include "platform/interrupt.h"

namespace omf::cli {

// Call before any other thread starts. The watcher lives until the
// process ends.
void WatchSignals(InterruptFlag& flag);

inline constexpr int kExitInterrupted = 130;

}  // namespace omf::cli

#include "cli/signal_watch.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

namespace omf::cli {

void WatchSignals(InterruptFlag& flag) {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  // Blocked here, so in every thread started later: only the watcher takes them.
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread([set, &flag] {
    for (;;) {
      int signal = 0;
      if (sigwait(&set, &signal) != 0) continue;
      if (flag.Raised()) ::_exit(kExitInterrupted);
      flag.Raise();
    }
  }).detach();
}

}  // namespace omf::cli

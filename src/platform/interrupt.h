// A request to abandon work, raised from another thread (the command
// line's signal watcher). Long operations check it between items, where
// stopping leaves nothing half done, and raise Interrupted; what they were
// writing is then removed as on any other error.
#pragma once

#include <atomic>

#include "platform/error.h"

namespace omf {

class Interrupted : public Error {
 public:
  Interrupted() : Error("Interrupted") {}
};

class InterruptFlag {
 public:
  void Raise() { raised_.store(true, std::memory_order_relaxed); }
  bool Raised() const { return raised_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> raised_{false};
};

// Raises Interrupted when `flag` is set; a null flag never is.
inline void CheckInterrupt(const InterruptFlag* flag) {
  if (flag != nullptr && flag->Raised()) throw Interrupted();
}

}  // namespace omf

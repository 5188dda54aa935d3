#include "container/corrupt.h"

namespace omf::container {

CorruptContainer::CorruptContainer(const std::string& path, const std::string& what,
                                   std::uint64_t offset)
    : Error("Corrupt container " + path + ": " + what + " (file offset " + std::to_string(offset) +
            ")"),
      what_(what),
      offset_(offset) {}

}  // namespace omf::container

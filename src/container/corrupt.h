// The error raised for a container that breaks the format.
#pragma once

#include <cstdint>
#include <string>

#include "platform/error.h"

namespace omf::container {

// Message: "Corrupt container <path>: <what> (file offset <offset>)".
class CorruptContainer : public Error {
 public:
  CorruptContainer(const std::string& path, const std::string& what, std::uint64_t offset);

  const std::string& What() const { return what_; }
  std::uint64_t Offset() const { return offset_; }

 private:
  std::string what_;
  std::uint64_t offset_;
};

}  // namespace omf::container

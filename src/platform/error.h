// Errors raised by the stream, file and line-list layer.
//
// Every failure the engine reports is an omf::Error. The platform layer
// raises exactly five messages; everything above it (container format
// faults, refused items) derives its own messages from the same type so that
// callers need a single catch.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace omf {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// "Cannot open file %s"
[[nodiscard]] Error CannotOpenFile(const std::string& path);
// "Cannot create file %s"
[[nodiscard]] Error CannotCreateFile(const std::string& path);
// "Stream read error"
[[nodiscard]] Error StreamReadError();
// "Stream write error"
[[nodiscard]] Error StreamWriteError();
// "List index out of bounds (%d)"
[[nodiscard]] Error ListIndexOutOfBounds(std::int64_t index);

}  // namespace omf

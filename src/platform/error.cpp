#include "platform/error.h"

namespace omf {

Error CannotOpenFile(const std::string& path) { return Error("Cannot open file " + path); }

Error CannotCreateFile(const std::string& path) { return Error("Cannot create file " + path); }

Error StreamReadError() { return Error("Stream read error"); }

Error StreamWriteError() { return Error("Stream write error"); }

Error ListIndexOutOfBounds(std::int64_t index) {
  return Error("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace omf

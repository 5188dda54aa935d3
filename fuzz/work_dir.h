// A private temporary folder for one fuzzing process, removed at exit.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace omf::fuzz {

// $OMF_FUZZ_TMP (default /tmp)/omf-fuzz-XXXXXX, created on first use.
inline const std::string& WorkDir() {
  // Never destroyed: the exit handler below still needs it.
  static const std::string* dir = [] {
    const char* base = std::getenv("OMF_FUZZ_TMP");
    auto* path = new std::string(std::string(base ? base : "/tmp") + "/omf-fuzz-XXXXXX");
    if (::mkdtemp(path->data()) == nullptr) std::abort();
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(*dir, ec);
    });
    return path;
  }();
  return *dir;
}

}  // namespace omf::fuzz

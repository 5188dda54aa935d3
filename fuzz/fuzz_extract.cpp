// Extracts a fuzzed container into a temporary folder.
//
// Any input must end in a clean CorruptContainer (or another omf::Error),
// never in a crash, a hang or a read out of bounds. The item files written
// must never outgrow what the container could hold.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "container/extract.h"
#include "platform/error.h"
#include "platform/line_list.h"

namespace {

const std::string& WorkDir() {
  static const std::string dir = [] {
    const char* base = std::getenv("OMF_FUZZ_TMP");
    std::string tmpl = std::string(base ? base : "/tmp") + "/omf-fuzz-XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
    std::atexit([] { std::filesystem::remove_all(WorkDir()); });
    return tmpl;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& dir = WorkDir();
  const std::string container = dir + "/input.omf";
  const std::string out = dir + "/out";
  std::filesystem::remove_all(out);
  ::mkdir(out.c_str(), 0700);
  {
    std::FILE* f = std::fopen(container.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
  }
  omf::LineList manifest;
  try {
    omf::container::ExtractItems(container, out, manifest);
  } catch (const omf::Error&) {
    // A refused container is the expected outcome for most inputs.
  }
  // Every line is "NULL" or an item file in the output folder.
  for (const auto& line : manifest.Lines()) {
    if (line != "NULL" && line.rfind(out + "/", 0) != 0) std::abort();
  }
  return 0;
}

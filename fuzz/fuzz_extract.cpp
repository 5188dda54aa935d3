// Extracts a fuzzed container into a temporary folder.
//
// Any input must end in a clean CorruptContainer (or another omf::Error),
// never in a crash, a hang or a read out of bounds. Beyond the sanitizers,
// the target aborts when
//   - a manifest line is neither "NULL" nor an item file in the output folder;
//   - anything appears in the work folder besides the input and the output
//     folder, or in the output folder besides regular item files;
//   - a CorruptContainer comes after a line or an item file was produced
//     (a broken container is refused before anything is written);
//   - a completed extraction leaves a file the manifest does not name, or
//     names a file that is not there;
//   - an item file outgrows what one chained run of the container can hold
//     (its first payload piece plus one payload per block of the file).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "container/corrupt.h"
#include "container/extract.h"
#include "container/format.h"
#include "platform/error.h"
#include "platform/line_list.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;

void Require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fuzz_extract: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& dir = omf::fuzz::WorkDir();
  const std::string container = dir + "/input.omf";
  const std::string out = dir + "/out";
  fs::remove_all(out);
  ::mkdir(out.c_str(), 0700);
  {
    std::FILE* f = std::fopen(container.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
  }

  omf::LineList manifest;
  bool completed = false;
  bool corrupt = false;
  try {
    omf::container::ExtractItems(container, out, manifest);
    completed = true;
  } catch (const omf::container::CorruptContainer&) {
    corrupt = true;  // the expected outcome for most inputs
  } catch (const omf::Error&) {
  }

  std::set<std::string> named;
  for (const auto& line : manifest.Lines()) {
    if (line == "NULL") continue;
    Require(line.rfind(out + "/", 0) == 0, "manifest line outside the output folder");
    named.insert(line);
  }

  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string p = e.path().string();
    Require(p == container || p == out, "file written outside the output folder");
  }
  std::uint64_t max_item_bytes = 0;
  if (size >= 8) {
    const std::uint64_t b = omf::container::DecodeWord(data + omf::container::ContainerHeader::kBlockSizePos);
    if (b > omf::container::BlockLink::kEncodedSize) {
      max_item_bytes = ((size + b - 1) / b + 1) * (b - omf::container::BlockLink::kEncodedSize);
    }
  }
  std::set<std::string> present;
  for (const auto& e : fs::directory_iterator(out)) {
    Require(e.is_regular_file(), "output folder holds something other than a file");
    Require(e.file_size() <= max_item_bytes, "item file larger than any run of the container");
    present.insert(e.path().string());
  }

  if (corrupt) {
    Require(manifest.Lines().empty(), "manifest line written for a refused container");
    Require(present.empty(), "item file written for a refused container");
  }
  if (completed) Require(present == named, "item files and manifest lines disagree");
  return 0;
}

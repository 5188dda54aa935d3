#include "support/extract_all.h"

#include <filesystem>

#include "container/extract.h"
#include "support/temp_dir.h"

namespace omf::testing {

std::vector<Bytes> ExtractAll(const std::string& container, const std::string& folder) {
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  LineList manifest;
  container::ExtractItems(container, folder, manifest);
  std::vector<Bytes> items;
  for (const auto& line : manifest.Lines()) items.push_back(line == "NULL" ? Bytes{} : ReadFileBytes(line));
  return items;
}

}  // namespace omf::testing

#include "container/item_file_name.h"

#include <cstdio>
#include "platform/paths.h"

namespace omf::container {

std::string ItemIdHex(std::uint32_t item_id) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(item_id));
  return buf;
}

std::string ItemFileName(std::uint32_t item_id) { return ItemIdHex(item_id) + ".dat"; }

std::string ItemFilePath(const std::string& folder, std::uint32_t item_id) {
  return JoinPath(folder, ItemFileName(item_id));
}

}  // namespace omf::container

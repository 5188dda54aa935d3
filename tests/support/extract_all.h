// Test-only: every entry's data as extraction writes it.
#pragma once

#include <string>
#include <vector>

#include "support/container_builder.h"

namespace omf::testing {

// Extracts `container` into a fresh `folder` and returns one byte string per
// directory entry (empty for "NULL" entries).
std::vector<Bytes> ExtractAll(const std::string& container, const std::string& folder);

}  // namespace omf::testing

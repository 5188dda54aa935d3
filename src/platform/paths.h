// Path text helpers. Paths are joined and split at the native separator.
#pragma once

#include <string>

namespace omf {

// folder + separator + name, as they stand (a folder ending in a separator
// gives two in a row).
std::string JoinPath(const std::string& folder, const std::string& name);
// The text after the last separator (the whole path when it has none).
std::string FileNamePart(const std::string& path);
// Whether the file system has any entry (file, folder, any kind) at `path`.
bool PathExists(const std::string& path);

}  // namespace omf

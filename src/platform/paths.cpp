#include "platform/paths.h"

#include <filesystem>
#include <system_error>

namespace omf {

namespace {
constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);
}

std::string JoinPath(const std::string& folder, const std::string& name) { return folder + kSeparator + name; }

std::string FileNamePart(const std::string& path) {
  const auto cut = path.find_last_of(kSeparator);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool PathExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found &&
         !ec;
}

}  // namespace omf

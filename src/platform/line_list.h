// Lists of text lines as the manifest, log and project-list files hold them.
//
// Files are 8-bit text, not converted. Saving writes every line followed by
// CR LF. Loading splits at CR LF, a lone CR or a lone LF (LF CR is two line
// ends); the text ends at the end of the file or its first NUL byte; a last
// line without a line end is still a line, a line end at the very end adds
// no empty line, and an empty file has no lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace omf {

class LineList {
 public:
  // Index-checked access; raises "List index out of bounds (%d)".
  const std::string& Get(std::int32_t index) const;
  void Set(std::int32_t index, std::string line);
  void Delete(std::int32_t index);

  void Add(std::string line) { lines_.push_back(std::move(line)); }
  void Clear() { lines_.clear(); }
  std::int32_t Count() const { return static_cast<std::int32_t>(lines_.size()); }
  // Drops every line from `count` on (no-op when the list is shorter).
  void Truncate(std::int32_t count);
  const std::vector<std::string>& Lines() const { return lines_; }

  // Replaces the lines with the file's; raises "Cannot open file %s" (the
  // list is then empty) or "Stream read error".
  void LoadFromFile(const std::string& path);
  // Creates or replaces the file; raises "Cannot create file %s" or
  // "Stream write error".
  void SaveToFile(const std::string& path) const;

  static std::vector<std::string> SplitText(std::string_view text);
  std::string JoinText() const;

 private:
  std::vector<std::string> lines_;
};

}  // namespace omf

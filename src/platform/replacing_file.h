// A file that replaces its target only when it is complete.
//
// The content goes to a temporary file beside the target; Commit flushes it
// to the disk and renames it over the target. Without Commit (an error, an
// early return) the temporary file is removed, so a half-written file is
// never left behind and the old target stays as it was. While the
// replacement is being written the target is locked like any opening
// without sharing: a target that another opener holds (this process
// included) is refused with "Cannot create file %s".
#pragma once

#include <string>

#include "platform/file_stream.h"

namespace omf {

class ReplacingFile {
 public:
  explicit ReplacingFile(const std::string& target);
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  ~ReplacingFile();

  FileStream& Stream() { return temp_; }

  // Flushes to the disk and renames over the target.
  void Commit();

 private:
  std::string target_;
  std::string temp_path_;
  FileStream temp_;
  int target_lock_ = -1;
  bool committed_ = false;
};

}  // namespace omf

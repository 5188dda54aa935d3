#include "platform/replacing_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/error.h"

namespace omf {
namespace {

// Commit syncs the whole file: have the disk take it in steps of this
// size while it is being written.
constexpr std::uint64_t kWriteBehindStep = 8 << 20;

std::string FolderOf(const std::string& path) {
  auto parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

}  // namespace

ReplacingFile::ReplacingFile(const std::string& target) : target_(target) {
  if (target.empty()) throw CannotCreateFile(target);
  // A new file gets the usual permissions; a replaced one keeps its own.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  mode_t mode = 0666 & ~mask;
  // Hold the target's lock while its replacement is written.
  int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      throw CannotCreateFile(target);
    }
    mode = st.st_mode & 07777;
    target_lock_ = fd;
  } else if (errno != ENOENT) {
    throw CannotCreateFile(target);
  }
  const std::string name = std::filesystem::path(target).filename().string();
  std::string tmpl = FolderOf(target) + "/." + name + ".partial-XXXXXX";
  int tfd = ::mkstemp(tmpl.data());
  if (tfd < 0) {
    if (target_lock_ >= 0) ::close(target_lock_);
    throw CannotCreateFile(target);
  }
  ::fchmod(tfd, mode);
  ::close(tfd);
  temp_path_ = tmpl;
  try {
    temp_ = FileStream::Create(temp_path_);
    temp_.SetWriteBehind(kWriteBehindStep);
  } catch (...) {
    ::unlink(temp_path_.c_str());
    if (target_lock_ >= 0) ::close(target_lock_);
    throw CannotCreateFile(target);
  }
}

ReplacingFile::~ReplacingFile() {
  temp_.Close();
  if (!committed_) ::unlink(temp_path_.c_str());
  if (target_lock_ >= 0) ::close(target_lock_);
}

void ReplacingFile::Commit() {
  temp_.Sync();
  temp_.Close();
  if (::rename(temp_path_.c_str(), target_.c_str()) != 0) throw CannotCreateFile(target_);
  committed_ = true;
  int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);  // make the rename itself durable
    ::close(dir);
  }
}

}  // namespace omf

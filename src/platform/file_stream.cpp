#include "platform/file_stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "platform/error.h"

namespace omf {
namespace {

// Opens `path` with `flags`, refuses anything but a regular file and takes
// the lock. Returns -1 on any failure, with nothing left open.
int OpenLocked(const std::string& path, int flags, int lock) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, lock | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

FileStream::FileStream(FileStream&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      pos_(other.pos_),
      write_behind_(other.write_behind_),
      behind_from_(other.behind_from_) {}

FileStream& FileStream::operator=(FileStream&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    pos_ = other.pos_;
    write_behind_ = other.write_behind_;
    behind_from_ = other.behind_from_;
  }
  return *this;
}

FileStream::~FileStream() { Close(); }

FileStream FileStream::Open(const std::string& path, OpenMode mode) {
  int flags = mode == OpenMode::kReadWrite ? O_RDWR : O_RDONLY;
  int lock = mode == OpenMode::kReadShared ? LOCK_SH : LOCK_EX;
  int fd = path.empty() ? -1 : OpenLocked(path, flags, lock);
  if (fd < 0) throw CannotOpenFile(path);
  return FileStream(fd, path);
}

FileStream FileStream::Create(const std::string& path) {
  // No O_TRUNC: the file is emptied only once the lock is ours. A file that
  // is empty already (a new one) is not truncated at all: some file systems
  // (ext4's auto_da_alloc) take a truncation to 0 as "replacing a file" and
  // start writing it back when it is closed, which costs every new item
  // file a flush.
  int fd = path.empty() ? -1 : OpenLocked(path, O_WRONLY | O_CREAT, LOCK_EX);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || (st.st_size != 0 && ::ftruncate(fd, 0) != 0)) {
    if (fd >= 0) ::close(fd);
    throw CannotCreateFile(path);
  }
  return FileStream(fd, path);
}

std::uint64_t FileStream::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) throw StreamReadError();
  return static_cast<std::uint64_t>(st.st_size);
}

std::size_t FileStream::ReadAt(std::uint64_t pos, void* buf, std::size_t n) const {
  auto* out = static_cast<char*>(buf);
  std::size_t done = 0;
  while (done < n) {
    ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(pos + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      throw StreamReadError();
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

void FileStream::WriteAt(std::uint64_t pos, const void* buf, std::size_t n) {
  const auto* in = static_cast<const char*>(buf);
  std::size_t done = 0;
  while (done < n) {
    ssize_t put = ::pwrite(fd_, in + done, n - done, static_cast<off_t>(pos + done));
    if (put < 0) {
      if (errno == EINTR) continue;
      throw StreamWriteError();
    }
    if (put == 0) throw StreamWriteError();
    done += static_cast<std::size_t>(put);
  }
  if (write_behind_ != 0) WriteBehind(pos + n);
}

void FileStream::WriteBehind(std::uint64_t end) {
  if (end < behind_from_ + write_behind_) return;
  // No error check: this only starts early what Sync() does anyway, and
  // Sync() reports what fails.
  ::sync_file_range(fd_, static_cast<off_t>(behind_from_), static_cast<off_t>(end - behind_from_),
                    SYNC_FILE_RANGE_WRITE);
  behind_from_ = end;
}

std::size_t FileStream::Read(void* buf, std::size_t n) {
  std::size_t got = ReadAt(pos_, buf, n);
  pos_ += got;
  return got;
}

void FileStream::ReadExact(void* buf, std::size_t n) {
  if (Read(buf, n) != n) throw StreamReadError();
}

void FileStream::Write(const void* buf, std::size_t n) {
  WriteAt(pos_, buf, n);
  pos_ += n;
}

void FileStream::Truncate(std::uint64_t size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) throw StreamWriteError();
}

void FileStream::Sync() {
  if (::fsync(fd_) != 0) throw StreamWriteError();
}

void FileStream::Close() noexcept {
  if (fd_ >= 0) {
    ::close(fd_);  // also releases the lock
    fd_ = -1;
  }
}

void CopyBytes(FileStream& from, FileStream& to, std::uint64_t n) {
  constexpr std::size_t kChunk = 1 << 20;
  std::vector<char> buf(static_cast<std::size_t>(std::min<std::uint64_t>(n, kChunk)));
  while (n > 0) {
    auto want = static_cast<std::size_t>(std::min<std::uint64_t>(n, kChunk));
    from.ReadExact(buf.data(), want);
    to.Write(buf.data(), want);
    n -= want;
  }
}

}  // namespace omf

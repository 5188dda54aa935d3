// File streams over POSIX descriptors.
//
// Opens "without sharing" take an exclusive advisory lock (flock) that
// conflicts with every other opener that also locks: other streams of this
// process as well as other instances of the program. A file that is created
// or replaced is truncated only after its lock is held, so a file another
// opener holds is never clobbered.
//
// Errors are raised with the platform texts of platform/error.h. The stream
// closes its descriptor on every path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace omf {

enum class OpenMode {
  kReadOnly,     // existing file, read only, without sharing
  kReadWrite,    // existing file, read and write, without sharing
  kReadShared,   // existing file, read only, other readers allowed, writers denied
};

class FileStream {
 public:
  FileStream() = default;
  FileStream(FileStream&& other) noexcept;
  FileStream& operator=(FileStream&& other) noexcept;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;
  ~FileStream();

  // Opens an existing regular file; raises "Cannot open file %s".
  static FileStream Open(const std::string& path, OpenMode mode);
  // Creates a file or replaces an existing one, without sharing; raises
  // "Cannot create file %s".
  static FileStream Create(const std::string& path);

  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }

  std::uint64_t Size() const;
  std::uint64_t Position() const { return pos_; }
  void Seek(std::uint64_t pos) { pos_ = pos; }

  // Plain read at the current position: returns fewer bytes than asked for
  // at the end of the file. Raises "Stream read error" on an I/O failure.
  std::size_t Read(void* buf, std::size_t n);
  // Reads exactly n bytes or raises "Stream read error".
  void ReadExact(void* buf, std::size_t n);
  // Writes exactly n bytes or raises "Stream write error".
  void Write(const void* buf, std::size_t n);

  // Positioned forms; they leave Position() alone.
  std::size_t ReadAt(std::uint64_t pos, void* buf, std::size_t n) const;
  void WriteAt(std::uint64_t pos, const void* buf, std::size_t n);

  void Truncate(std::uint64_t size);
  // Flushes the file's data to the disk; raises "Stream write error".
  void Sync();
  // Write-behind, for a file that will be synced: each time the writes
  // have reached `step` bytes past the last start, the disk starts taking
  // the bytes written since (sync_file_range, without waiting), so the
  // disk works while the program does and Sync() finds little left to do.
  // Best effort: a failure shows in Sync(). 0, the default, turns it off.
  void SetWriteBehind(std::uint64_t step) { write_behind_ = step; }
  // Closes now; further use is an error. Safe to call twice.
  void Close() noexcept;

 private:
  FileStream(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  void WriteBehind(std::uint64_t end);

  int fd_ = -1;
  std::string path_;
  std::uint64_t pos_ = 0;
  std::uint64_t write_behind_ = 0;
  std::uint64_t behind_from_ = 0;  // writes before this have been started
};

// Copies exactly n bytes from the current position of `from` to the current
// position of `to`; none when n is 0. Raises "Stream read error" when `from`
// ends first and "Stream write error" when `to` cannot take the bytes.
void CopyBytes(FileStream& from, FileStream& to, std::uint64_t n);

}  // namespace omf

#include "container/chain.h"

#include <algorithm>
#include <vector>

namespace omf::container {

void WalkChain(ContainerFile& file, ChainCursor& cursor, std::uint64_t count,
               const std::string& what,
               const std::function<void(std::uint64_t, std::size_t)>& segment) {
  const std::uint64_t b = file.BlockSize();
  while (count > 0) {
    if (cursor.at_block_end_) {
      const std::uint64_t link_pos = cursor.pos_ - b;
      if (cursor.pos_ < 2 * b) file.Fail(what + ": run reaches into the header block", cursor.pos_);
      const BlockLink link = file.ReadLink(link_pos);
      if (link.next_link == 0) {
        file.Fail(what + ": NextLink is 0 while " + std::to_string(count) +
                      " bytes of the run remain",
                  link_pos + 4);
      }
      const std::uint64_t next = std::uint64_t{link.next_link} + b;
      if (next >= file.FileSize()) {
        file.Fail(what + ": NextLink " + std::to_string(link.next_link) +
                      " points past the end of the file",
                  link_pos + 4);
      }
      if (next % b < BlockLink::kEncodedSize) {
        file.Fail(what + ": NextLink " + std::to_string(link.next_link) +
                      " points inside a block link",
                  link_pos + 4);
      }
      if (++cursor.links_followed_ > file.BlockCount()) {
        file.Fail(what + ": chain visits more blocks than the file holds (a cycle)", link_pos + 4);
      }
      cursor.pos_ = next;
      cursor.at_block_end_ = false;
    }
    const std::uint64_t p = cursor.pos_;
    if (p % b < BlockLink::kEncodedSize) file.Fail(what + ": run starts inside a block link", p);
    const std::uint64_t block_end = p - p % b + b;
    const std::uint64_t chunk = std::min(count, block_end - p);
    if (p + chunk > file.FileSize()) {
      file.Fail(what + ": run of " + std::to_string(count) + " more bytes passes the end of the file",
                p);
    }
    segment(p, static_cast<std::size_t>(chunk));
    cursor.pos_ = p + chunk;
    count -= chunk;
    cursor.at_block_end_ = cursor.pos_ == block_end;
  }
}

void ReadChained(ContainerFile& file, ChainCursor& cursor, std::uint64_t count, ByteSink& sink,
                 const std::string& what) {
  WalkChain(file, cursor, count, what, [&](std::uint64_t pos, std::size_t len) {
    while (len > 0) {
      auto piece = file.View(pos, len);
      sink.Put(piece.data(), piece.size());
      pos += piece.size();
      len -= piece.size();
    }
  });
}

void WriteChained(ContainerFile& file, ChainCursor& cursor, std::uint64_t count, FileStream& source,
                  const std::string& what) {
  std::vector<unsigned char> buf(std::min<std::uint64_t>(count, file.BlockSize()));
  WalkChain(file, cursor, count, what, [&](std::uint64_t pos, std::size_t len) {
    source.ReadExact(buf.data(), len);
    file.WriteAt(pos, buf.data(), len);
  });
}

void SkipChained(ContainerFile& file, ChainCursor& cursor, std::uint64_t count,
                 const std::string& what) {
  WalkChain(file, cursor, count, what, [](std::uint64_t, std::size_t) {});
}

}  // namespace omf::container

#include "container/chain.h"

#include <algorithm>
#include <cstring>
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
  // One write per block payload made a run of 1 GiB at BlockSize 512 cost
  // two million writes (and as many reads of `source`). Instead the new
  // bytes are read from `source` in large pieces, and payloads that follow
  // each other in the file (a run through consecutive blocks) are gathered
  // into one span with the link between them as it stands, so consecutive
  // blocks cost one write per span. The file ends up byte for byte as with
  // a write per payload: the links are written back unchanged (the run's
  // links were checked, and the file is not shared while we write).
  constexpr std::uint64_t kSpan = 1 << 20;
  const std::uint64_t b = file.BlockSize();
  const std::uint64_t blocks = count / (b - BlockLink::kEncodedSize) + 2;  // at most
  // Room for one payload piece at least (no more than the run), for a span
  // of kSpan bytes where the run has that many.
  const auto span_cap = static_cast<std::size_t>(
      std::max(std::min(kSpan, count + blocks * BlockLink::kEncodedSize), std::min(count, b)));
  std::vector<unsigned char> span(span_cap);
  std::uint64_t span_pos = 0;
  std::size_t span_len = 0;
  std::vector<unsigned char> in(static_cast<std::size_t>(std::min(count, kSpan)));
  std::size_t in_next = 0;
  std::size_t in_len = 0;
  std::uint64_t unread = count;

  auto flush = [&] {
    if (span_len > 0) file.WriteAt(span_pos, span.data(), span_len);
    span_len = 0;
  };
  // The next n bytes of `source` to `out`.
  auto take = [&](unsigned char* out, std::size_t n) {
    while (n > 0) {
      if (in_next == in_len) {
        in_len = static_cast<std::size_t>(std::min<std::uint64_t>(unread, in.size()));
        source.ReadExact(in.data(), in_len);
        unread -= in_len;
        in_next = 0;
      }
      const std::size_t k = std::min(n, in_len - in_next);
      std::memcpy(out, in.data() + in_next, k);
      in_next += k;
      out += k;
      n -= k;
    }
  };

  WalkChain(file, cursor, count, what, [&](std::uint64_t pos, std::size_t len) {
    const std::uint64_t end = span_pos + span_len;
    const bool joins = span_len > 0 && end % b == 0 && pos == end + BlockLink::kEncodedSize &&
                       span_len + BlockLink::kEncodedSize + len <= span.size();
    if (joins) {
      file.ReadLink(end).EncodeTo(span.data() + span_len);
      span_len += BlockLink::kEncodedSize;
    } else {
      flush();
      span_pos = pos;
    }
    take(span.data() + span_len, len);
    span_len += len;
  });
  flush();
}

void SkipChained(ContainerFile& file, ChainCursor& cursor, std::uint64_t count,
                 const std::string& what) {
  WalkChain(file, cursor, count, what, [](std::uint64_t, std::size_t) {});
}

}  // namespace omf::container

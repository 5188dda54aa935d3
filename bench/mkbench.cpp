// omf_mkbench: writes a large OMF container straight to disk, for the
// extraction benchmarks.
//
//   omf_mkbench [options] OUTPUT
//     --block-size B     BlockSize (default 4096, at least 44)
//     --items N          number of items (default 100)
//     --sizes PATTERN    item data sizes (default 64K):
//                          SIZE            every item the same
//                          MIN-MAX         uniform at random (seeded)
//                          S1,S2,...       the list, repeated
//                        sizes take K, M or G (powers of 1024)
//     --sized-every K    items 1, 1+K, 1+2K, ... (counting from 0) are type
//                        25, all others type 2; 0 for none, 1 for every
//                        item (default 10)
//     --seed S           seed for the sizes and the data bytes (default 1)
//     --data-seed S      seed for the data bytes alone (default: --seed):
//                        the same sizes as --seed gives, other bytes; with
//                        --expect-dir, edited item files for omf replay
//     --expect-dir DIR   also write each item's data to DIR/<id>.dat, the
//                        file extraction should produce
//
// The layout is the block writer's: block 0 holds the header words, then
// the root record, the directory descriptor, two small auxiliary items, the
// items and last the directory, packed into blocks 1, 2, ... in file order.
// A fixed group that does not fit the rest of a payload goes to the next
// block; a chained run fills each payload to its end and goes on in the
// next block. Every block left for the next one links to it (UsedEnd = its
// end, NextLink = next block + 8); the last block has UsedEnd at the last
// byte in use and NextLink 0.
//
// The container is streamed: a first pass only does the arithmetic of the
// layout (where each record lands, how many blocks there are), the second
// writes the blocks in order through one buffer, so memory does not grow
// with the container, only with the number of items.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "container/format.h"
#include "container/item_file_name.h"

namespace {

using omf::container::EncodeWord;
namespace fmt = omf::container;

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// ---------------------------------------------------------------- sizes

std::uint64_t ParseSize(std::string_view text) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || p == text.data()) throw Failure("bad size '" + std::string(text) + "'");
  std::uint64_t unit = 1;
  if (p != end) {
    switch (*p++) {
      case 'K': case 'k': unit = 1ull << 10; break;
      case 'M': case 'm': unit = 1ull << 20; break;
      case 'G': case 'g': unit = 1ull << 30; break;
      default: p = end + 1;
    }
  }
  if (p != end || value > std::numeric_limits<std::uint64_t>::max() / unit) {
    throw Failure("bad size '" + std::string(text) + "'");
  }
  return value * unit;
}

class SizePattern {
 public:
  explicit SizePattern(std::string_view text, std::uint32_t seed) : rng_(seed) {
    if (text.find(',') != std::string_view::npos) {
      while (!text.empty()) {
        const auto comma = text.find(',');
        list_.push_back(ParseSize(text.substr(0, comma)));
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
      }
    } else if (const auto dash = text.find('-'); dash != std::string_view::npos) {
      lo_ = ParseSize(text.substr(0, dash));
      hi_ = ParseSize(text.substr(dash + 1));
      if (lo_ > hi_) throw Failure("size range " + std::string(text) + " runs backwards");
      random_ = true;
    } else {
      list_.push_back(ParseSize(text));
    }
  }

  std::uint64_t Next() {
    if (random_) return std::uniform_int_distribution<std::uint64_t>(lo_, hi_)(rng_);
    return list_[next_++ % list_.size()];
  }

 private:
  std::vector<std::uint64_t> list_;
  std::size_t next_ = 0;
  bool random_ = false;
  std::uint64_t lo_ = 0;
  std::uint64_t hi_ = 0;
  std::mt19937_64 rng_;
};

// ---------------------------------------------------------------- output

// Sequential file output through one large buffer.
class Output {
 public:
  explicit Output(const std::string& path, std::size_t buffer = 8 << 20) : path_(path), buf_(buffer) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) throw Failure("cannot create " + path + ": " + std::strerror(errno));
  }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  ~Output() {
    if (fd_ >= 0) ::close(fd_);
  }

  void Append(const unsigned char* data, std::size_t n) {
    while (n > 0) {
      const std::size_t take = std::min(n, buf_.size() - used_);
      std::memcpy(buf_.data() + used_, data, take);
      used_ += take;
      data += take;
      n -= take;
      if (used_ == buf_.size()) Flush();
    }
  }

  void Close() {
    Flush();
    if (::close(fd_) != 0) throw Failure("cannot write " + path_ + ": " + std::strerror(errno));
    fd_ = -1;
  }

 private:
  void Flush() {
    std::size_t done = 0;
    while (done < used_) {
      const ssize_t put = ::write(fd_, buf_.data() + done, used_ - done);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) throw Failure("cannot write " + path_ + ": " + std::strerror(errno));
      done += static_cast<std::size_t>(put);
    }
    used_ = 0;
  }

  std::string path_;
  int fd_ = -1;
  std::vector<unsigned char> buf_;
  std::size_t used_ = 0;
};

// ---------------------------------------------------------------- data bytes

// The bytes of one item's data: xorshift64*, eight bytes a step, the same
// sequence however the run is cut into pieces.
class DataBytes {
 public:
  explicit DataBytes(std::uint64_t seed) : x_(seed * 0x9E3779B97F4A7C15ull | 1) {}

  void Fill(unsigned char* out, std::size_t n) {
    while (n > 0 && left_ > 0) {
      *out++ = static_cast<unsigned char>(word_);
      word_ >>= 8;
      --left_;
      --n;
    }
    while (n >= 8) {
      const std::uint64_t w = Step();
      std::memcpy(out, &w, 8);  // the byte order does not matter, only that it is fixed
      out += 8;
      n -= 8;
    }
    if (n > 0) {
      word_ = Step();
      left_ = 8;
      Fill(out, n);
    }
  }

 private:
  std::uint64_t Step() {
    x_ ^= x_ >> 12;
    x_ ^= x_ << 25;
    x_ ^= x_ >> 27;
    return x_ * 0x2545F4914F6CDD1Dull;
  }

  std::uint64_t x_;
  std::uint64_t word_ = 0;
  int left_ = 0;
};

// ---------------------------------------------------------------- blocks

// Packs fixed groups and chained runs into blocks 1, 2, ... With no Output
// it only follows the arithmetic (the planning pass).
class BlockStream {
 public:
  BlockStream(std::uint32_t block_size, Output* out)
      : b_(block_size), out_(out), block_(out ? block_size : 0, 0), cursor_(block_size + 8) {}

  std::uint64_t Cursor() const { return cursor_; }
  std::uint64_t BlockEnd() const { return cursor_ - 1 - (cursor_ - 1) % b_ + b_; }
  // Blocks the container holds, block 0 included, once Finish() is done.
  std::uint64_t BlockCount() const { return cursor_ / b_ + (cursor_ % b_ != 0 ? 1 : 0); }

  // Places a fixed group of len bytes (may be null while planning).
  std::uint64_t Fixed(const unsigned char* group, std::size_t len) {
    if (cursor_ + len > BlockEnd()) NextBlock();
    const std::uint64_t pos = cursor_;
    if (out_) std::memcpy(block_.data() + pos % b_, group, len);
    cursor_ += len;
    return pos;
  }

  // Places a chained run of n bytes taken from `data` (may be null while
  // planning); returns its first byte's position.
  template <typename Source>
  std::uint64_t Run(std::uint64_t n, Source* data) {
    if (n > 0 && cursor_ == BlockEnd()) NextBlock();
    const std::uint64_t start = cursor_;
    while (n > 0) {
      if (cursor_ == BlockEnd()) NextBlock();
      const std::uint64_t chunk = std::min(n, BlockEnd() - cursor_);
      if (out_) data->Fill(block_.data() + cursor_ % b_, static_cast<std::size_t>(chunk));
      cursor_ += chunk;
      n -= chunk;
    }
    return start;
  }

  // Closes the last block: UsedEnd at the cursor, NextLink 0.
  void Finish() {
    if (out_) {
      fmt::BlockLink{Stored(cursor_), 0}.EncodeTo(block_.data());
      out_->Append(block_.data(), block_.size());
    }
    cursor_ = BlockEnd();
  }

  std::uint32_t Stored(std::uint64_t pos) const {
    const std::uint64_t stored = pos - b_;
    if (stored > std::numeric_limits<std::uint32_t>::max()) {
      throw Failure("the container outgrows 32-bit stored offsets; ask for less data");
    }
    return static_cast<std::uint32_t>(stored);
  }

 private:
  void NextBlock() {
    const std::uint64_t end = BlockEnd();
    const fmt::BlockLink link{Stored(end), Stored(end + fmt::BlockLink::kEncodedSize)};
    if (out_) {
      link.EncodeTo(block_.data());
      out_->Append(block_.data(), block_.size());
      std::fill(block_.begin(), block_.end(), 0);
    }
    cursor_ = end + fmt::BlockLink::kEncodedSize;
  }

  std::uint64_t b_;
  Output* out_;
  std::vector<unsigned char> block_;  // the block being filled
  std::uint64_t cursor_;
};

// ---------------------------------------------------------------- container

struct Item {
  std::uint32_t id = 0;
  std::uint32_t type = fmt::kItemTypePlain;
  std::uint64_t size = 0;
};

// Where the planning pass put things; the writing pass must agree.
struct Plan {
  std::uint64_t root = 0;
  std::uint64_t descriptor = 0;
  std::uint64_t aux_a = 0;
  std::uint64_t aux_b = 0;
  std::vector<std::uint64_t> item_record;
  std::uint64_t directory = 0;
  std::uint64_t blocks = 0;
};

constexpr std::uint32_t kAuxASize = 100;
constexpr std::uint32_t kAuxBSize = 700;
constexpr std::uint32_t kDescriptorTypeWord = 0x44495220;

void Expect(std::uint64_t planned, std::uint64_t placed, const char* what) {
  if (planned != placed) throw Failure(std::string("layout passes disagree on the ") + what);
}

// Lays the container out; with `out` it writes the blocks after block 0
// using the positions of `plan`, without it it fills `plan`.
void Lay(std::uint32_t b, const std::vector<Item>& items, std::uint32_t data_seed, Plan& plan,
         Output* out, const std::string& expect_dir) {
  BlockStream s(b, out);
  const bool write = out != nullptr;
  auto put = [](unsigned char* g, std::size_t at, std::uint32_t v) { EncodeWord(g + at, v); };
  auto place = [&](std::uint64_t& slot, const unsigned char* group, std::size_t len, const char* what) {
    const std::uint64_t pos = s.Fixed(group, len);
    if (write) Expect(slot, pos, what);
    slot = pos;
  };

  // Root record, then the directory descriptor's header and 8-byte body.
  std::array<unsigned char, fmt::RootRecord::kEncodedSize> root{};
  std::array<unsigned char, fmt::ItemHeader::kEncodedSize + fmt::DescriptorBody::kEncodedSize> desc{};
  if (write) {
    put(root.data(), 0, s.Stored(plan.root));
    put(root.data(), 4, static_cast<std::uint32_t>(desc.size()));
    put(root.data(), 8, s.Stored(plan.root) + 12);
    put(root.data(), fmt::RootRecord::kDescriptorOffsetPos, s.Stored(plan.descriptor));
    put(desc.data(), 0, s.Stored(plan.descriptor));
    put(desc.data(), 4, fmt::DescriptorBody::kEncodedSize);
    put(desc.data(), 8, s.Stored(plan.descriptor) + 12);
    put(desc.data(), 12, kDescriptorTypeWord);
    put(desc.data(), 16, s.Stored(plan.directory));
  }
  place(plan.root, root.data(), root.size(), "root record");
  place(plan.descriptor, desc.data(), desc.size(), "directory descriptor");

  // The two auxiliary items: a header and its body run right after it.
  for (auto [slot, size] : {std::pair{&plan.aux_a, kAuxASize}, std::pair{&plan.aux_b, kAuxBSize}}) {
    std::array<unsigned char, fmt::ItemHeader::kEncodedSize> head{};
    if (write) fmt::ItemHeader{s.Stored(*slot), size, s.Stored(*slot) + 12}.EncodeTo(head.data());
    place(*slot, head.data(), head.size(), "auxiliary item");
    DataBytes body(size);
    s.Run(size, &body);
  }

  // The items: record, data header, data run.
  plan.item_record.resize(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Item& item = items[i];
    const auto size = static_cast<std::uint32_t>(item.size);
    const bool sized = item.type != fmt::kItemTypePlain;
    std::array<unsigned char, fmt::kPlainRecordSize> rec{};
    std::array<unsigned char, fmt::kSizedDataHeadSize> head{};
    const std::size_t rec_len = sized ? fmt::kSizedRecordSize : fmt::kPlainRecordSize;
    const std::size_t head_len = sized ? fmt::kSizedDataHeadSize : fmt::kPlainDataHeadSize;
    // The data header's position: the next fixed group after the record.
    std::uint64_t head_pos = 0;
    if (write) {
      const std::uint64_t r = plan.item_record[i];
      const std::uint64_t after = r + rec_len;
      const std::uint64_t block_end = r - r % b + b;
      head_pos = after + head_len <= block_end ? after : block_end + fmt::BlockLink::kEncodedSize;
      fmt::ItemHeader{s.Stored(r), 4, s.Stored(r) + 12}.EncodeTo(rec.data());
      put(rec.data(), fmt::kItemTypePos, item.type);
      fmt::ItemHeader head_words{s.Stored(head_pos), size, s.Stored(head_pos) + 12};
      if (sized) {
        put(rec.data(), fmt::kSizedDataOffsetPos, s.Stored(head_pos));
        head_words.body_size = size + 12;
        put(head.data(), 12, 0x11111111);
        put(head.data(), 16, 0x22222222);
        put(head.data(), fmt::kSizedDataSizePos, size);
      } else {
        put(rec.data(), fmt::kPlainDataSizePos, size);
        put(rec.data(), fmt::kPlainDataOffsetPos, s.Stored(head_pos));
      }
      head_words.EncodeTo(head.data());
    }
    place(plan.item_record[i], rec.data(), rec_len, "item record");
    const std::uint64_t placed_head = s.Fixed(head.data(), head_len);
    if (write) Expect(head_pos, placed_head, "data header");

    DataBytes data(std::uint64_t{data_seed} << 32 | item.id);
    s.Run(item.size, &data);
    if (write && !expect_dir.empty()) {
      Output expected(expect_dir + "/" + fmt::ItemFileName(item.id), 1 << 16);
      DataBytes again(std::uint64_t{data_seed} << 32 | item.id);
      std::vector<unsigned char> chunk(1 << 16);
      for (std::uint64_t left = item.size; left > 0;) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
        again.Fill(chunk.data(), n);
        expected.Append(chunk.data(), n);
        left -= n;
      }
      expected.Close();
    }
  }

  // The directory: header, 12 bytes, then the entries as one run.
  std::array<unsigned char, fmt::kDirectoryHeadSize> dir{};
  const std::uint64_t body = fmt::kDirectoryBodyBias + std::uint64_t{fmt::DirectoryEntry::kEncodedSize} * items.size();
  if (body > std::numeric_limits<std::uint32_t>::max()) throw Failure("too many items for one directory");
  if (write) {
    fmt::ItemHeader{s.Stored(plan.directory), static_cast<std::uint32_t>(body),
                    s.Stored(plan.directory) + 12}
        .EncodeTo(dir.data());
  }
  place(plan.directory, dir.data(), dir.size(), "directory");
  struct Entries {
    const std::vector<Item>& items;
    const Plan& plan;
    const BlockStream& s;
    std::size_t next = 0;
    std::array<unsigned char, fmt::DirectoryEntry::kEncodedSize> entry{};
    std::size_t used = entry.size();
    void Fill(unsigned char* out, std::size_t n) {
      while (n > 0) {
        if (used == entry.size()) {
          for (std::size_t k = 4; k < fmt::DirectoryEntry::kItemOffsetPos; ++k) {
            entry[k] = static_cast<unsigned char>(next + k);
          }
          EncodeWord(entry.data(), items[next].id);
          EncodeWord(entry.data() + fmt::DirectoryEntry::kItemOffsetPos, s.Stored(plan.item_record[next]));
          ++next;
          used = 0;
        }
        const std::size_t take = std::min(n, entry.size() - used);
        std::memcpy(out, entry.data() + used, take);
        out += take;
        used += take;
        n -= take;
      }
    }
  } entries{items, plan, s};
  s.Run(fmt::DirectoryEntry::kEncodedSize * items.size(), &entries);
  s.Finish();
  if (write) Expect(plan.blocks, s.BlockCount(), "block count");
  plan.blocks = s.BlockCount();
}

struct Options {
  std::uint32_t block_size = 4096;
  std::uint64_t items = 100;
  std::string sizes = "64K";
  std::uint64_t sized_every = 10;
  std::uint32_t seed = 1;
  std::optional<std::uint32_t> data_seed;
  std::string expect_dir;
  std::string output;
};

void Usage(std::FILE* to) {
  std::fprintf(to,
               "usage: omf_mkbench [--block-size B] [--items N] [--sizes SIZE|MIN-MAX|S1,S2,...]\n"
               "                   [--sized-every K] [--seed S] [--data-seed S] [--expect-dir DIR]\n"
               "                   OUTPUT\n");
}

Options ParseArgs(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> std::string_view {
      if (i + 1 >= argc) throw Failure("missing value after " + std::string(arg));
      return argv[++i];
    };
    if (arg == "--block-size") {
      const std::uint64_t b = ParseSize(value());
      if (b < fmt::kMinBlockSize || b > std::numeric_limits<std::uint32_t>::max()) {
        throw Failure("BlockSize must be at least " + std::to_string(fmt::kMinBlockSize));
      }
      o.block_size = static_cast<std::uint32_t>(b);
    } else if (arg == "--items") {
      o.items = ParseSize(value());
    } else if (arg == "--sizes") {
      o.sizes = value();
    } else if (arg == "--sized-every") {
      o.sized_every = ParseSize(value());
    } else if (arg == "--seed") {
      o.seed = static_cast<std::uint32_t>(ParseSize(value()));
    } else if (arg == "--data-seed") {
      o.data_seed = static_cast<std::uint32_t>(ParseSize(value()));
    } else if (arg == "--expect-dir") {
      o.expect_dir = value();
    } else if (arg == "-h" || arg == "--help") {
      Usage(stdout);
      std::exit(0);
    } else if (!arg.empty() && arg[0] == '-') {
      throw Failure("unknown option " + std::string(arg));
    } else if (o.output.empty()) {
      o.output = arg;
    } else {
      throw Failure("more than one OUTPUT");
    }
  }
  if (o.output.empty()) throw Failure("no OUTPUT given");
  if (o.items >= std::numeric_limits<std::uint32_t>::max()) throw Failure("too many items");
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Options o = ParseArgs(argc, argv);
    SizePattern sizes(o.sizes, o.seed);
    std::vector<Item> items(o.items);
    std::uint64_t data_bytes = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
      items[i].id = static_cast<std::uint32_t>(i + 1);
      items[i].size = sizes.Next();
      const bool sized = o.sized_every != 0 && i % o.sized_every == 1 % o.sized_every;
      items[i].type = sized ? fmt::kItemTypeSized : fmt::kItemTypePlain;
      if (items[i].size > std::numeric_limits<std::uint32_t>::max() - 12) {
        throw Failure("item size " + std::to_string(items[i].size) + " does not fit a DataSize word");
      }
      data_bytes += items[i].size;
    }
    if (!o.expect_dir.empty()) std::filesystem::create_directories(o.expect_dir);

    Plan plan;
    const std::uint32_t data_seed = o.data_seed.value_or(o.seed);
    Lay(o.block_size, items, data_seed, plan, nullptr, "");

    Output out(o.output);
    std::vector<unsigned char> block0(o.block_size, 0);
    fmt::ContainerHeader header;
    header.block_size = o.block_size;
    header.last_block = static_cast<std::uint32_t>(plan.blocks - 1);
    header.aux_offset_a = static_cast<std::uint32_t>(plan.aux_a - o.block_size);
    header.root_offset = static_cast<std::uint32_t>(plan.root - o.block_size);
    header.aux_offset_b = static_cast<std::uint32_t>(plan.aux_b - o.block_size);
    header.EncodeTo(block0.data());
    out.Append(block0.data(), block0.size());
    Lay(o.block_size, items, data_seed, plan, &out, o.expect_dir);
    out.Close();

    std::printf("%s: block size %u, %llu blocks (%llu bytes), %zu items, %llu data bytes\n",
                o.output.c_str(), o.block_size, static_cast<unsigned long long>(plan.blocks),
                static_cast<unsigned long long>(plan.blocks * o.block_size), items.size(),
                static_cast<unsigned long long>(data_bytes));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "omf_mkbench: %s\n", e.what());
    Usage(stderr);
    return 2;
  }
}

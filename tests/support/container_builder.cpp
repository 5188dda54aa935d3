#include "support/container_builder.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <stdexcept>

namespace omf::testing {

Bytes PatternBytes(std::size_t n, std::uint32_t seed) {
  Bytes out(n);
  std::uint32_t x = seed * 2654435761u + 1;
  for (auto& byte : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    byte = static_cast<unsigned char>(x);
  }
  return out;
}

ContainerImage::ContainerImage(std::uint32_t block_size) : b_(block_size), bytes_(block_size, 0) {
  Put32(4, block_size);
}

std::uint32_t ContainerImage::AppendBlock() {
  bytes_.resize(bytes_.size() + b_, 0);
  return BlockCount() - 1;
}

void ContainerImage::Put32(std::uint64_t pos, std::uint32_t v) {
  if (pos + 4 > bytes_.size()) throw std::out_of_range("Put32 past the image");
  for (int i = 0; i < 4; ++i) bytes_[pos + i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint32_t ContainerImage::Get32(std::uint64_t pos) const {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= std::uint32_t{bytes_.at(pos + i)} << (8 * i);
  return v;
}

void ContainerImage::SetLink(std::uint32_t block, std::uint32_t used_end, std::uint32_t next_link) {
  Put32(std::uint64_t{block} * b_, used_end);
  Put32(std::uint64_t{block} * b_ + 4, next_link);
}

void ContainerImage::WriteTo(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

Layout::Layout(ContainerImage& image, bool scatter, std::uint32_t seed) : image_(image) {
  if (scatter) {
    // Reserve a pool of blocks and hand them out shuffled.
    for (int i = 0; i < 64; ++i) pool_.push_back(image_.AppendBlock());
    std::mt19937 rng(seed);
    std::shuffle(pool_.begin(), pool_.end(), rng);
  }
  block_ = pool_.empty() ? image_.AppendBlock() : pool_.back();
  if (!pool_.empty()) pool_.pop_back();
  cursor_ = std::uint64_t{block_} * image_.B() + 8;
}

void Layout::MoveToNewBlock() {
  std::uint32_t next;
  if (!pool_.empty()) {
    next = pool_.back();
    pool_.pop_back();
  } else {
    next = image_.AppendBlock();
  }
  const std::uint64_t b = image_.B();
  image_.SetLink(block_, image_.Stored((block_ + 1) * b), image_.Stored(next * b + 8));
  block_ = next;
  cursor_ = next * b + 8;
}

std::uint64_t Layout::Fixed(std::size_t len) {
  const std::uint64_t b = image_.B();
  if (cursor_ + len > (block_ + 1) * b) MoveToNewBlock();
  const std::uint64_t pos = cursor_;
  cursor_ += len;
  return pos;
}

std::uint64_t Layout::Run(const Bytes& data) {
  const std::uint64_t b = image_.B();
  if (!data.empty() && cursor_ == (block_ + 1) * b) MoveToNewBlock();
  const std::uint64_t start = cursor_;
  std::size_t done = 0;
  while (done < data.size()) {
    if (cursor_ == (block_ + 1) * b) MoveToNewBlock();
    const std::size_t chunk =
        std::min<std::uint64_t>(data.size() - done, (block_ + 1) * b - cursor_);
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(done), chunk,
                image_.bytes().begin() + static_cast<std::ptrdiff_t>(cursor_));
    cursor_ += chunk;
    done += chunk;
  }
  return start;
}

void Layout::PadTo(std::uint32_t in_block) {
  const std::uint64_t b = image_.B();
  if (in_block < 8 || in_block > b) throw std::invalid_argument("PadTo outside a payload");
  if (cursor_ - std::uint64_t{block_} * b > in_block) MoveToNewBlock();
  cursor_ = std::uint64_t{block_} * b + in_block;
}

void Layout::Finish() { image_.SetLink(block_, image_.Stored(cursor_), 0); }

BuiltContainer BuildContainer(const std::vector<TestItem>& items, const BuildOptions& options) {
  BuiltContainer out(options.block_size);
  ContainerImage& img = out.image;
  Layout layout(img, options.scatter, options.seed);

  // Root record, then the descriptor header with its 8-byte body after it.
  out.root_pos = layout.Fixed(32);
  out.descriptor_pos = layout.Fixed(20);
  img.Put32(out.root_pos, img.Stored(out.root_pos));
  img.Put32(out.root_pos + 4, 20);
  img.Put32(out.root_pos + 8, img.Stored(out.root_pos) + 12);
  img.Put32(out.root_pos + 28, img.Stored(out.descriptor_pos));
  img.Put32(out.descriptor_pos, img.Stored(out.descriptor_pos));
  img.Put32(out.descriptor_pos + 4, 8);
  img.Put32(out.descriptor_pos + 8, img.Stored(out.descriptor_pos) + 12);
  img.Put32(out.descriptor_pos + 12, 0x44495220);  // type word, not interpreted

  auto place_aux = [&](const Bytes& body) {
    const std::uint64_t pos = layout.Fixed(12);
    img.Put32(pos, img.Stored(pos));
    img.Put32(pos + 4, static_cast<std::uint32_t>(body.size()));
    img.Put32(pos + 8, img.Stored(pos) + 12);
    layout.Run(body);
    return pos;
  };
  out.aux_a_pos = place_aux(options.aux_a);
  out.aux_b_pos = place_aux(options.aux_b);

  for (const auto& item : items) {
    if (item.start_in_block) layout.PadTo(*item.start_in_block);
    const auto size = static_cast<std::uint32_t>(item.data.size());
    std::uint64_t rec = 0;
    std::uint64_t head = 0;
    if (item.type == 2) {
      rec = layout.Fixed(24);
      head = layout.Fixed(12);
      img.Put32(rec + 16, size);
      img.Put32(rec + 20, img.Stored(head));
      img.Put32(head + 4, size);
    } else if (item.type == 25 || item.type == 90) {
      rec = layout.Fixed(20);
      head = layout.Fixed(24);
      img.Put32(rec + 16, img.Stored(head));
      img.Put32(head + 4, size + 12);
      img.Put32(head + 12, 0x11111111);
      img.Put32(head + 16, 0x22222222);
      img.Put32(head + 20, size);
    } else {
      rec = layout.Fixed(16);
    }
    img.Put32(rec, img.Stored(rec));
    img.Put32(rec + 4, 4);
    img.Put32(rec + 8, img.Stored(rec) + 12);
    img.Put32(rec + 12, item.type);
    if (head != 0) {
      img.Put32(head, img.Stored(head));
      img.Put32(head + 8, img.Stored(head) + 12);
      layout.Run(item.data);
    }
    out.item_pos.push_back(rec);
    out.data_header_pos.push_back(head);
  }

  if (options.directory_start_in_block) layout.PadTo(*options.directory_start_in_block);
  out.directory_pos = layout.Fixed(24);
  const auto dir_body = static_cast<std::uint32_t>(12 + 48 * items.size());
  img.Put32(out.directory_pos, img.Stored(out.directory_pos));
  img.Put32(out.directory_pos + 4, dir_body);
  img.Put32(out.directory_pos + 8, img.Stored(out.directory_pos) + 12);
  Bytes entries(48 * items.size(), 0);
  for (std::size_t i = 0; i < items.size(); ++i) {
    unsigned char* e = entries.data() + 48 * i;
    for (int k = 4; k < 44; ++k) e[k] = static_cast<unsigned char>(i + k);
    for (int k = 0; k < 4; ++k) {
      e[k] = static_cast<unsigned char>(items[i].id >> (8 * k));
      e[44 + k] = static_cast<unsigned char>(img.Stored(out.item_pos[i]) >> (8 * k));
    }
  }
  out.first_entry_pos = layout.Run(entries);
  layout.Finish();

  img.Put32(out.descriptor_pos + 16, img.Stored(out.directory_pos));
  img.Put32(8, img.BlockCount() - 1);
  img.Put32(20, img.Stored(out.aux_a_pos));
  img.Put32(24, img.Stored(out.root_pos));
  img.Put32(28, img.Stored(out.aux_b_pos));
  return out;
}

}  // namespace omf::testing

#include "container/item_road.h"

#include <array>

#include "container/item_file_name.h"

namespace omf::container {

ItemKind KindOf(std::uint32_t item_type) {
  switch (item_type) {
    case kItemTypePlain:
      return ItemKind::kPlain;
    case kItemTypeSized:
    case kItemTypeSizedAlt:
      return ItemKind::kSized;
    default:
      return ItemKind::kNoData;
  }
}

std::string DescribeEntry(std::uint32_t index, const DirectoryEntry& entry) {
  return "entry " + std::to_string(index) + " (id " + ItemIdHex(entry.item_id) + ")";
}

ItemLocation LocateItem(ContainerFile& file, const DirectoryEntry& entry, const std::string& what,
                        ItemRoad road) {
  ItemLocation loc;
  loc.item_pos = file.Locate(entry.item_offset, what + ": ItemOffset");
  std::array<unsigned char, kPlainRecordSize> rec{};
  file.ReadFixed(loc.item_pos, rec.data(), kItemTypedSize, what + ": item record");
  loc.header.DecodeFrom(rec.data());
  loc.type = DecodeWord(rec.data() + kItemTypePos);
  loc.kind = KindOf(loc.type);
  if (road == ItemRoad::kSizedOnly && loc.kind == ItemKind::kPlain) loc.kind = ItemKind::kNoData;
  std::uint32_t data_offset = 0;
  switch (loc.kind) {
    case ItemKind::kNoData:
      return loc;
    case ItemKind::kPlain:
      file.ReadFixed(loc.item_pos, rec.data(), kPlainRecordSize, what + ": item record");
      loc.data_size = DecodeWord(rec.data() + kPlainDataSizePos);
      data_offset = DecodeWord(rec.data() + kPlainDataOffsetPos);
      loc.data_header_pos = file.Locate(data_offset, what + ": DataOffset");
      file.CheckFixed(loc.data_header_pos, kPlainDataHeadSize, what + ": data header");
      loc.run_start = loc.data_header_pos + kPlainDataHeadSize;
      return loc;
    case ItemKind::kSized: {
      file.ReadFixed(loc.item_pos, rec.data(), kSizedRecordSize, what + ": item record");
      data_offset = DecodeWord(rec.data() + kSizedDataOffsetPos);
      loc.data_header_pos = file.Locate(data_offset, what + ": DataOffset");
      std::array<unsigned char, kSizedDataHeadSize> head{};
      file.ReadFixed(loc.data_header_pos, head.data(), head.size(), what + ": data header");
      loc.data_size = DecodeWord(head.data() + kSizedDataSizePos);
      loc.run_start = loc.data_header_pos + kSizedDataHeadSize;
      return loc;
    }
  }
  return loc;
}

}  // namespace omf::container

// Item file names: the ItemId in upper-case hexadecimal, at least four
// digits, then ".dat" (id 26 -> "001A.dat", id 0x12345 -> "12345.dat").
#pragma once

#include <cstdint>
#include <string>

namespace omf::container {

std::string ItemIdHex(std::uint32_t item_id);
std::string ItemFileName(std::uint32_t item_id);

// The item file's path: the folder, the native separator and the name,
// joined as they stand (a folder that already ends in a separator gives two).
std::string ItemFilePath(const std::string& folder, std::uint32_t item_id);

}  // namespace omf::container

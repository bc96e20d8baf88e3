// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "storage/table/item_table.h"

namespace kestramo {

// The byte form of the index table: "KQXT", a version, a pool of distinct pictures
// (each stored once, by content), the records with a presence mask per record,
// and a CRC-32 over everything before it. A wrong key or a damaged file fails
// the magic, the bounds or the checksum and is never loaded as garbage.
std::vector<uint8_t> SaveTableBytes(const ItemTable& table);
std::optional<std::vector<ItemRecord>> ParseTableBytes(const uint8_t* data, std::size_t size,
                                                       std::string* error = nullptr);
// Replaces the table's contents; false (table unchanged) when the bytes are not a table.
bool LoadTableBytes(ItemTable& table, const std::vector<uint8_t>& bytes, std::string* error = nullptr);

}  // namespace kestramo

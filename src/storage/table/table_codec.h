// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kestramo/status.h"
#include "storage/table/item_table.h"

namespace kestramo {

// The byte form of the index table: "KQXT", a version, a pool of distinct pictures
// (each stored once, by content), the records with a presence mask per record,
// and a CRC-32 over everything before it. A wrong key or a damaged file fails
// the magic, the bounds or the checksum and is never loaded as garbage.
std::vector<uint8_t> SaveTableBytes(const ItemTable& table);
// The records, or Damaged with what is wrong with the bytes.
api::Result<std::vector<ItemRecord>> ParseTableBytes(const uint8_t* data, std::size_t size);
// Replaces the table's contents; Damaged (table unchanged) when the bytes are not a table.
api::Status LoadTableBytes(ItemTable& table, const std::vector<uint8_t>& bytes);

}  // namespace kestramo

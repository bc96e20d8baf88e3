// SPDX-License-Identifier: GPL-3.0-or-later
// The table's byte form. The checksum at the end is made to match first, so that the
// fuzzer reaches the records instead of stopping at the CRC every time.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "storage/table/item_table.h"
#include "storage/table/table_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  if (bytes.size() >= 4) {
    const auto crc = static_cast<uint32_t>(crc32(0L, bytes.data(), static_cast<uInt>(bytes.size() - 4)));
    for (int i = 0; i < 4; ++i) bytes[bytes.size() - 4 + i] = static_cast<uint8_t>(crc >> (8 * i));
  }
  auto rows = kestramo::ParseTableBytes(bytes.data(), bytes.size());
  if (!rows.ok()) return 0;
  // What parses must load, and save back to bytes that parse to the same records.
  kestramo::ItemTable table;
  table.ReplaceAll(*rows);
  const std::vector<uint8_t> again = kestramo::SaveTableBytes(table);
  auto reread = kestramo::ParseTableBytes(again.data(), again.size());
  if (!reread.ok() || reread->size() != rows->size()) __builtin_trap();
  return 0;
}

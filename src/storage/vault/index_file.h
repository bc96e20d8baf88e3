// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kestramo/status.h"
#include "storage/cipher/cipher_manager.h"
#include "storage/table/item_table.h"

namespace kestramo {

// The text key under which the master key is wrapped at the head of the index file.
inline constexpr const char* kKeyWrapKey = "zqvt";
// Every master key starts with this prefix; the access password follows it.
inline constexpr const char* kMasterKeyPrefix = "vendrali";
inline constexpr std::size_t kMaxPasswordChars = 8;

struct DecodedIndex {
  std::string masterKey;
  std::vector<ItemRecord> rows;
};

// The bytes of an index file: one length byte, the master key wrapped under "zqvt"
// as base64 text, then the table's byte form encrypted under the master key.
// Empty when the table could not be sealed whole.
std::vector<uint8_t> EncodeIndexFile(CipherManager& cipher, const ItemTable& table, const std::string& masterKey);
// Damaged, saying why, when the bytes are not an index file, the key does not unwrap to a
// master key or the table fails its checks.
api::Result<DecodedIndex> DecodeIndexFile(CipherManager& cipher, const std::vector<uint8_t>& bytes);

}  // namespace kestramo

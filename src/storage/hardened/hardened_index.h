// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kestramo/status.h"
#include "storage/hardened/key_bytes.h"
#include "storage/hardened/passphrase_kdf.h"
#include "storage/table/item_table.h"

namespace kestramo {

// The hardened index file, all numbers little-endian:
//   0  magic (8)              the first byte can never begin a classic index
//   8  version (2), KDF algorithm (1), reserved (1)
//  12  KDF passes (4), KDF memory in bytes (8), salt (16)
//  40  nonce (24), then the vault key sealed under the key-encryption key (32 + 16),
//      with bytes 0..39 as associated data
// 112  nonce (24), then the padded body sealed under the vault key, with bytes
//      0..135 as associated data
// The body of version 3: vault ID (16), save counter (8), the number of items still sealed
// the version-1 way (4) and their numbers (4 each), the number of leftover files a
// conversion still has to remove (4) and their paths (length (2), then the bytes, each),
// then the table. Version 2 lacks the leftover files; version 1's body is the table alone.
// Both are read, and written as version 3 from then on.
inline constexpr uint16_t kHardenedIndexVersion = 3;  // the version written
inline constexpr std::size_t kKeyWrapSize = 112;
inline constexpr std::size_t kHardenedHeaderSize = 136;
inline constexpr std::size_t kAeadNonceSize = 24;
inline constexpr std::size_t kAeadTagSize = 16;

// The clear head of the file: how to derive the key-encryption key, and the sealed vault key.
struct KeyWrap {
  uint16_t version = kHardenedIndexVersion;
  KdfParams kdf;
  std::array<uint8_t, kAeadNonceSize> nonce{};
  std::array<uint8_t, kKeySize + kAeadTagSize> sealedKey{};

  std::vector<uint8_t> Bytes() const;  // the first kKeyWrapSize bytes of the file
};

// What a version-2 index seals beside its table.
struct IndexSeal {
  VaultId vaultId{};
  uint64_t saveCounter = 0;          // one more at every save: an older copy has a smaller one
  std::vector<int32_t> legacyItems;  // items whose files were sealed before they carried a header
  // Files with classic material that a conversion has still to remove, as paths below the
  // vault's folder ("coffrel/index.dat.damaged-…"): a kill after its save leaves them to the
  // next open.
  std::vector<std::string> leftovers;
};

// The largest index file that is read, checked before reading: 32 boxes of 1,024 items with
// their icons stay far below it, and a crafted file cannot make a load take minutes.
inline constexpr uint64_t kMaxIndexFileBytes = 512ull << 20;

// Whether the bytes start like a hardened index (they may still be damaged).
bool LooksHardened(const std::vector<uint8_t>& bytes);
// The same from the file's head alone; false when it cannot be read.
bool FileLooksHardened(const std::filesystem::path& file);

// Seals the vault key under the key-encryption key; a fixed nonce only for known answers.
KeyWrap WrapVaultKey(const KeyBytes& vaultKey, const KeyBytes& kek, const KdfParams& kdf,
                     const std::array<uint8_t, kAeadNonceSize>* fixedNonce = nullptr);
// Nothing when the key-encryption key is wrong or the head was changed.
std::optional<KeyBytes> UnwrapVaultKey(const KeyWrap& wrap, const KeyBytes& kek);

// The whole file; empty when the table cannot be encoded.
std::vector<uint8_t> EncodeHardenedIndex(const KeyWrap& wrap, const KeyBytes& vaultKey, const IndexSeal& seal,
                                         const ItemTable& table);
// The head of a hardened index; Damaged, saying why, when the bytes cannot be one.
api::Result<KeyWrap> ReadKeyWrap(const std::vector<uint8_t>& bytes);
// The body of a hardened index whose head ReadKeyWrap accepted; Damaged, saying why, when it
// was changed, cut short or sealed under another key.
struct OpenedIndex {
  std::vector<ItemRecord> rows;
  std::optional<IndexSeal> seal;  // nothing for version 1
};
api::Result<OpenedIndex> OpenHardenedTable(const std::vector<uint8_t>& bytes, const KeyBytes& vaultKey);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kestramo/secret.h"
#include "storage/hardened/hardened_index.h"

namespace kestramo {

// The cost of a new key derivation.
struct KdfCost {
  uint32_t passes = kDefaultKdfPasses;
  uint64_t memoryBytes = kDefaultKdfMemory;
};

// A hardened vault's keys in memory: the vault key and its wrap under the passphrase.
class HardenedKeys {
 public:
  HardenedKeys(KeyBytes vaultKey, KeyWrap wrap) : vaultKey_(std::move(vaultKey)), wrap_(std::move(wrap)) {}

  // A new random vault key wrapped under the passphrase; nothing when the derivation fails.
  static std::optional<HardenedKeys> Create(std::string_view passphrase, const KdfCost& cost);
  // Wraps the same vault key under another passphrase and a new salt: nothing else changes.
  bool Rewrap(std::string_view passphrase, const KdfCost& cost);
  // Wraps the same vault key again under the same key-encryption key, as today's version.
  void Upgrade(const KeyBytes& kek) { wrap_ = WrapVaultKey(vaultKey_, kek, wrap_.kdf); }

  const KeyBytes& VaultKey() const { return vaultKey_; }
  const KeyWrap& Wrap() const { return wrap_; }

 private:
  KeyBytes vaultKey_;
  KeyWrap wrap_;
};

// Opens hardened index files under one passphrase. A passphrase is derived into a key once:
// a generation whose head asks for another derivation (another salt or cost) is not opened
// with it, so that no file can make one attempt cost more than one derivation.
class IndexUnlocker {
 public:
  IndexUnlocker() = default;
  ~IndexUnlocker() = default;
  // The passphrase to try from now on; keys derived from another are forgotten.
  void Offer(const api::Secret& passphrase);
  IndexUnlocker(const IndexUnlocker&) = delete;
  IndexUnlocker& operator=(const IndexUnlocker&) = delete;

  // Locked: no passphrase, or not this file's (or its head is damaged), or no memory to
  // derive its key. Damaged: the head is not a hardened index's, or the table fails its check.
  // The keys come back with a wrap of today's version, whatever the file's.
  api::Status Open(const std::vector<uint8_t>& bytes, std::optional<HardenedKeys>* keys, OpenedIndex* opened);

 private:
  const KeyBytes* KekFor(const KdfParams& params);

  api::Secret passphrase_;
  std::optional<std::pair<KdfParams, KeyBytes>> kek_;
};

// An item's own key as the text kept in its record, and back (nothing when it is not one).
std::string ItemKeyText(const KeyBytes& key);
std::optional<KeyBytes> ItemKeyFromText(const std::string& text);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
// The hardened index file's head and sealed table, as read at start-up. The key derivation
// is left out (the head's cost is only checked against its bounds): a fixed key-encryption
// key and vault key stand in, so every input runs fast and within the memory limit.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "storage/hardened/hardened_index.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kestramo;
  static const KeyBytes kek = [] {
    KeyBytes k;
    for (std::size_t i = 0; i < k.size(); ++i) k.data()[i] = static_cast<uint8_t>(i);
    return k;
  }();
  const std::vector<uint8_t> bytes(data, data + size);
  const auto wrap = ReadKeyWrap(bytes);
  if (!wrap.ok()) {
    if (wrap.status().message.empty()) __builtin_trap();  // a refusal always says why
    return 0;
  }
  const auto vaultKey = UnwrapVaultKey(*wrap, kek);
  const auto rows = OpenHardenedTable(bytes, vaultKey ? *vaultKey : kek);
  if (!rows.ok() && rows.status().message.empty()) __builtin_trap();
  return 0;
}

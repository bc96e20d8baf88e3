// SPDX-License-Identifier: GPL-3.0-or-later
// The index file as read at start-up: length byte, wrapped master key, encrypted table.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "storage/vault/index_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static kestramo::CipherManager cipher;
  const auto decoded = kestramo::DecodeIndexFile(cipher, std::vector<uint8_t>(data, data + size));
  if (!decoded.ok() && decoded.status().message.empty()) __builtin_trap();  // a refusal always says why
  return 0;
}

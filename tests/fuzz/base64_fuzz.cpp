// SPDX-License-Identifier: GPL-3.0-or-later
// The tolerant base64 decoder: any text decodes or is refused, and what encodes decodes back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "storage/cipher/mime64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  (void)kestramo::Mime64::Decode(std::string_view(reinterpret_cast<const char*>(data), size));
  const auto back = kestramo::Mime64::Decode(kestramo::Mime64::Encode(data, size));
  if (!back || back->size() != size || !std::equal(back->begin(), back->end(), data)) __builtin_trap();
  return 0;
}

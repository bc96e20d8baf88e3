// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestramo {

// MIME base64 as the vault stores enciphered texts: no line breaks on output, and a
// tolerant decoder that skips a fixed set of separator characters.
class Mime64 {
 public:
  static std::string Encode(const uint8_t* data, size_t n);
  // std::nullopt when the text holds a character outside the accepted set.
  static std::optional<std::vector<uint8_t>> Decode(std::string_view text);
};

}  // namespace kestramo

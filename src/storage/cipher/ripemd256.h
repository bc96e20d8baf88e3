// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kestramo {

// RIPEMD-256: the hash that turns a key text into the 32 key bytes.
class RipeMD256 {
 public:
  static constexpr size_t kDigestSize = 32;
  using Digest = std::array<uint8_t, kDigestSize>;

  RipeMD256() { Reset(); }

  void Reset();
  void Update(const void* data, size_t n);
  // Pads, returns the digest and resets for the next message.
  Digest Final();

  static Digest Of(std::string_view text);

 private:
  void Compress(const uint8_t block[64]);

  std::array<uint32_t, 8> state_{};
  std::array<uint8_t, 64> buffer_{};
  size_t buffered_ = 0;
  uint64_t length_ = 0;  // bytes hashed so far
};

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kestramo {

inline constexpr std::size_t kKeySize = 32;
inline constexpr std::size_t kVaultIdSize = 16;

// A hardened vault's random identity: its index and every item file carry it, so that
// neither can be moved into another vault unnoticed.
using VaultId = std::array<uint8_t, kVaultIdSize>;

// Starts the cryptography library once; throws std::runtime_error when it cannot start.
void RequireSodium();

// A 256-bit key in guarded memory that is locked out of swap, wiped when it goes.
class KeyBytes {
 public:
  KeyBytes();  // all zero
  KeyBytes(const KeyBytes& other);
  KeyBytes& operator=(const KeyBytes& other);
  KeyBytes(KeyBytes&& other) noexcept : bytes_(other.bytes_) { other.bytes_ = nullptr; }
  KeyBytes& operator=(KeyBytes&& other) noexcept;
  ~KeyBytes();

  static KeyBytes Random();

  uint8_t* data() { return bytes_; }
  const uint8_t* data() const { return bytes_; }
  static constexpr std::size_t size() { return kKeySize; }
  bool operator==(const KeyBytes& other) const;

 private:
  uint8_t* bytes_;
};

}  // namespace kestramo

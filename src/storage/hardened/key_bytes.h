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

// A 256-bit key, wiped from memory when it goes.
class KeyBytes {
 public:
  KeyBytes() { bytes_.fill(0); }
  KeyBytes(const KeyBytes&) = default;
  KeyBytes& operator=(const KeyBytes&) = default;
  ~KeyBytes();

  static KeyBytes Random();

  uint8_t* data() { return bytes_.data(); }
  const uint8_t* data() const { return bytes_.data(); }
  static constexpr std::size_t size() { return kKeySize; }
  bool operator==(const KeyBytes& other) const { return bytes_ == other.bytes_; }

 private:
  std::array<uint8_t, kKeySize> bytes_;
};

}  // namespace kestramo

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "storage/hardened/key_bytes.h"

namespace kestramo {

// A throw-away key stream for the working archive in temp/: the archive is written and read
// through it at any offset, so that a hardened vault's plain contents never reach the disk.
// Each archive gets a new one; it lives in memory only.
class ScratchMask {
 public:
  ScratchMask();  // a fresh random key and nonce

  // XORs the key stream at the file's `offset` into `data`, in place.
  void Apply(uint8_t* data, std::size_t size, uint64_t offset) const;

 private:
  KeyBytes key_;
  std::array<uint8_t, 24> nonce_{};
};

}  // namespace kestramo

#include "storage/hardened/scratch_mask.h"

#include <sodium.h>

#include <algorithm>

namespace kestramo {

namespace {
constexpr std::size_t kBlock = 64;  // the key stream's block: its counter counts these
}

ScratchMask::ScratchMask() : key_(KeyBytes::Random()) { randombytes_buf(nonce_.data(), nonce_.size()); }

void ScratchMask::Apply(uint8_t* data, std::size_t size, uint64_t offset) const {
  while (size > 0) {
    const uint64_t block = offset / kBlock;
    const std::size_t skip = static_cast<std::size_t>(offset % kBlock);
    std::size_t done = 0;
    if (skip == 0 && size >= kBlock) {
      done = size - size % kBlock;
      crypto_stream_xchacha20_xor_ic(data, data, done, nonce_.data(), block, key_.data());
    } else {
      uint8_t stream[kBlock] = {};
      crypto_stream_xchacha20_xor_ic(stream, stream, kBlock, nonce_.data(), block, key_.data());
      done = std::min(kBlock - skip, size);
      for (std::size_t i = 0; i < done; ++i) data[i] ^= stream[skip + i];
      sodium_memzero(stream, sizeof stream);
    }
    data += done;
    size -= done;
    offset += done;
  }
}

}  // namespace kestramo

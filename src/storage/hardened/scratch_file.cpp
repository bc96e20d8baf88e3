// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/hardened/scratch_file.h"

#include <sodium.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "storage/disk/disk_write.h"
#include "storage/disk/read_full.h"

namespace kestramo {

namespace {

constexpr uint64_t kBlock = 16 * 1024;

std::array<uint8_t, crypto_aead_xchacha20poly1305_ietf_NPUBBYTES> NonceOf(const std::array<uint8_t, 16>& prefix,
                                                                          uint64_t block, uint32_t version) {
  std::array<uint8_t, crypto_aead_xchacha20poly1305_ietf_NPUBBYTES> nonce{};
  std::copy(prefix.begin(), prefix.end(), nonce.begin());
  for (int i = 0; i < 4; ++i) {
    nonce[16 + i] = static_cast<uint8_t>(block >> (8 * i));
    nonce[20 + i] = static_cast<uint8_t>(version >> (8 * i));
  }
  return nonce;
}

}  // namespace

ScratchFile::ScratchFile() : key_(KeyBytes::Random()) { randombytes_buf(noncePrefix_.data(), noncePrefix_.size()); }

ScratchFile::~ScratchFile() {
  sodium_memzero(work_.data(), work_.size());
  sodium_memzero(cache_.data(), cache_.size());
}

uint64_t ScratchFile::Size() const {
  std::lock_guard lock(mutex_);
  return size_;
}

void ScratchFile::Forget() {
  sodium_memzero(work_.data(), work_.size());
  cachedBlock_ = UINT64_MAX;
}

void ScratchFile::Seal(uint64_t block, uint8_t* bytes, uint32_t length) {
  if (block >= blocks_.size()) blocks_.resize(block + 1);
  Block& b = blocks_[block];
  ++b.version;
  b.length = length;
  const auto nonce = NonceOf(noncePrefix_, block, b.version);
  crypto_aead_xchacha20poly1305_ietf_encrypt_detached(bytes, b.tag.data(), nullptr, bytes, length, nullptr, 0, nullptr,
                                                      nonce.data(), key_.data());
}

bool ScratchFile::LoadBlocks(int fd, uint64_t first, uint64_t last, uint8_t* plain) {
  const uint64_t begin = first * kBlock;
  const uint64_t end = last * kBlock + blocks_[last].length;
  if (ReadFullAt(fd, plain, end - begin, begin) != static_cast<ssize_t>(end - begin)) return false;
  for (uint64_t block = first; block <= last; ++block) {
    const Block& b = blocks_[block];
    const auto nonce = NonceOf(noncePrefix_, block, b.version);
    uint8_t* bytes = plain + (block - first) * kBlock;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt_detached(bytes, nullptr, bytes, b.length, b.tag.data(), nullptr, 0,
                                                            nonce.data(), key_.data()) != 0) {
      return false;
    }
  }
  return true;
}

bool ScratchFile::WriteAt(int fd, const void* data, std::size_t size, uint64_t offset) {
  std::lock_guard lock(mutex_);
  if (offset > size_) return false;  // the archive is written without gaps
  if (size == 0) return true;
  const uint64_t end = offset + size;
  const uint64_t first = offset / kBlock, last = (end - 1) / kBlock;
  cachedBlock_ = UINT64_MAX;
  work_.assign((last - first + 1) * kBlock, 0);
  // What the write leaves of its first and last blocks is kept.
  const bool keepHead = offset > first * kBlock;
  const bool keepTail = last < blocks_.size() && end < last * kBlock + blocks_[last].length;
  bool ok = !keepHead || LoadBlocks(fd, first, first, work_.data());
  if (ok && keepTail && (last != first || !keepHead)) {
    ok = LoadBlocks(fd, last, last, work_.data() + (last - first) * kBlock);
  }
  if (!ok) {
    Forget();
    return false;
  }
  std::memcpy(work_.data() + (offset - first * kBlock), data, size);
  for (uint64_t block = first; block <= last; ++block) {
    const uint64_t had = block < blocks_.size() ? blocks_[block].length : 0;
    const uint64_t now = std::max(had, std::min(end, (block + 1) * kBlock) - block * kBlock);
    Seal(block, work_.data() + (block - first) * kBlock, static_cast<uint32_t>(now));
  }
  const uint64_t span = (last - first) * kBlock + blocks_[last].length;
  ok = DiskWriteAllAt(fd, work_.data(), span, first * kBlock);
  size_ = std::max(size_, end);
  return ok;
}

bool ScratchFile::ReadAt(int fd, void* data, std::size_t size, uint64_t offset) {
  std::lock_guard lock(mutex_);
  if (offset > size_ || size > size_ - offset) return false;
  if (size == 0) return true;
  const uint64_t first = offset / kBlock, last = (offset + size - 1) / kBlock;
  if (first == last && first == cachedBlock_) {
    std::memcpy(data, cache_.data() + (offset - first * kBlock), size);
    return true;
  }
  work_.resize((last - first + 1) * kBlock);
  if (!LoadBlocks(fd, first, last, work_.data())) {
    Forget();
    return false;
  }
  std::memcpy(data, work_.data() + (offset - first * kBlock), size);
  cache_.assign(work_.begin() + static_cast<std::ptrdiff_t>((last - first) * kBlock),
                work_.begin() + static_cast<std::ptrdiff_t>((last - first + 1) * kBlock));
  cachedBlock_ = last;
  sodium_memzero(work_.data(), work_.size());
  return true;
}

}  // namespace kestramo

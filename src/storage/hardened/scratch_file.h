// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "storage/hardened/key_bytes.h"
#include "storage/zip/archive_view.h"

namespace kestramo {

// The working archive in temp/ of a hardened vault. Every block goes to the file sealed
// under a throw-away key that lives in memory only, and is checked again each time it is
// read back: no plain byte reaches the disk, and a byte changed on the disk between the
// writing and the reading is refused instead of being taken for what was written. Writes
// append or overwrite what is there (the archive's headers are patched in place). One object
// serves one file; its calls may come from several threads.
class ScratchFile : public ArchiveView {
 public:
  ScratchFile();
  ~ScratchFile() override;
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // False on a write failure, a gap past the end, or a block to be kept that fails its check.
  bool WriteAt(int fd, const void* data, std::size_t size, uint64_t offset);
  // False when the bytes asked for were never written, cannot be read or fail their check.
  bool ReadAt(int fd, void* data, std::size_t size, uint64_t offset) override;
  // How many bytes were written: the only length the file is trusted to have.
  uint64_t Size() const override;

 private:
  struct Block {
    std::array<uint8_t, 16> tag{};
    uint32_t version = 0;  // a rewritten block gets a new nonce
    uint32_t length = 0;
  };
  void Forget();
  bool LoadBlocks(int fd, uint64_t first, uint64_t last, uint8_t* plain);
  void Seal(uint64_t block, uint8_t* bytes, uint32_t length);

  KeyBytes key_;
  std::array<uint8_t, 16> noncePrefix_{};
  mutable std::mutex mutex_;
  std::vector<Block> blocks_;
  uint64_t size_ = 0;
  std::vector<uint8_t> work_;          // wiped after every call
  uint64_t cachedBlock_ = UINT64_MAX;  // the last block read, kept plain for the next small read
  std::vector<uint8_t> cache_;
};

}  // namespace kestramo

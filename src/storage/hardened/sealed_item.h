#pragma once

#include <sodium.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "storage/cipher/stream.h"
#include "storage/hardened/key_bytes.h"
#include "storage/hardened/scratch_mask.h"

namespace kestramo {

// A hardened item file: a 24-byte stream header, then the archive in authenticated chunks
// of 64 KiB (the last one, maybe shorter, marked final). A changed, reordered, cut-short or
// lengthened file, or one sealed under another key, fails to open.
inline constexpr std::size_t kSealedChunk = 64 * 1024;

// Progress and cancel of one sealing or opening.
struct ChunkWatch {
  std::function<void(int64_t current, int64_t maximal)> progress;  // may be empty
  std::atomic<bool>* keepGoing = nullptr;                          // cleared from another thread to stop
};

// A stream that seals whatever is written to it, in order, into a new file.
class SealingStream : public Stream {
 public:
  SealingStream(const std::filesystem::path& file, const KeyBytes& key);
  ~SealingStream() override;
  SealingStream(const SealingStream&) = delete;
  SealingStream& operator=(const SealingStream&) = delete;

  bool Opened() const { return fd_ >= 0; }
  size_t Read(void*, size_t) override { return 0; }
  bool Write(const void* data, size_t size) override;
  bool Seek(int64_t pos) override { return pos == written_; }  // appends only
  int64_t Position() const override { return written_; }
  int64_t Size() const override { return written_; }
  // Seals the last chunk, flushes the file to the disk and closes it; false on any failure.
  bool Finish();

 private:
  bool Push(unsigned char tag);

  int fd_ = -1;
  bool failed_ = false;
  int64_t written_ = 0;
  crypto_secretstream_xchacha20poly1305_state state_{};
  std::vector<uint8_t> plain_;
  std::vector<uint8_t> sealed_;
};

// Seals an archive, read through `mask` when there is one, into a new item file. False
// (with *why) on a failure or a stop; the caller removes what was written.
bool SealItemFile(const std::filesystem::path& archive, const ScratchMask* mask, const std::filesystem::path& sealed,
                  const KeyBytes& key, const ChunkWatch& watch, std::string* why);
// Opens an item file into a new archive, written through `mask` when there is one. False
// (with *why) when the file is not whole, not this key's, on a write failure or a stop.
bool OpenItemFile(const std::filesystem::path& item, const KeyBytes& key, const std::filesystem::path& archive,
                  const ScratchMask* mask, const ChunkWatch& watch, std::string* why);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "kestramo/status.h"
#include "storage/cipher/stream.h"
#include "storage/hardened/key_bytes.h"
#include "storage/hardened/scratch_file.h"

namespace kestramo {

// A hardened item file, all numbers little-endian:
//   0  magic (8), version (2), reserved (2)
//  12  vault ID (16), item number (4), nonce prefix (16)
//  48  the archive in segments of 64 KiB (the last one maybe shorter, or empty for an empty
//      archive), each sealed on its own with XChaCha20-Poly1305 under the item's key: its
//      nonce is the prefix, the segment's number (7 bytes) and 1 for the last segment or 0,
//      its associated data the 48 bytes of the header.
// A changed, reordered, cut-short or lengthened file, one sealed under another key, or one
// that belongs to another vault or record fails to open. Segments open independently.
inline constexpr std::size_t kSealedChunk = 64 * 1024;
inline constexpr std::size_t kItemHeaderSize = 48;

// A sealed segment: its plain bytes and the tag.
inline constexpr std::size_t kSealedSegment = kSealedChunk + 16;
using ItemHeader = std::array<uint8_t, kItemHeaderSize>;

// Where an item file belongs.
struct ItemBinding {
  VaultId vault{};
  int32_t index = 0;
};

// Why a header read from an item file cannot be this record's, or "".
std::string ItemHeaderProblem(const ItemHeader& header, const ItemBinding& binding);
// Opens segment number `segment` (`last`: the one that must end the file) of the item file
// with this header into `plain`, which has room for kSealedChunk bytes; false when it fails
// its check.
bool OpenItemSegment(const ItemHeader& header, const KeyBytes& key, uint64_t segment, bool last, const uint8_t* sealed,
                     std::size_t n, uint8_t* plain, std::size_t* length);

// Whether a file starts like a hardened item file of today's format (it may still be damaged).
bool FileLooksLikeSealedItem(const std::filesystem::path& file);

// Progress and cancel of one sealing or opening.
struct ChunkWatch {
  std::function<void(int64_t current, int64_t maximal)> progress;  // may be empty
  std::atomic<bool>* keepGoing = nullptr;                          // cleared from another thread to stop
};

// A stream that seals whatever is written to it, in order, into a new file.
class SealingStream : public Stream {
 public:
  SealingStream(const std::filesystem::path& file, const KeyBytes& key, const ItemBinding& binding);
  ~SealingStream() override;
  SealingStream(const SealingStream&) = delete;
  SealingStream& operator=(const SealingStream&) = delete;

  bool Opened() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  size_t Read(void*, size_t) override { return 0; }
  bool Write(const void* data, size_t size) override;
  bool Seek(int64_t pos) override { return pos == written_; }  // appends only
  int64_t Position() const override { return written_; }
  int64_t Size() const override { return written_; }
  // Seals the last segment, flushes the file to the disk and closes it; false on any failure.
  bool Finish();

 private:
  bool Push(bool last);

  int fd_ = -1;
  bool failed_ = false;
  int64_t written_ = 0;
  uint64_t segment_ = 0;
  uint64_t fileBytes_ = kItemHeaderSize, startedTo_ = 0;  // written to the file, and handed to the disk
  KeyBytes key_;
  std::array<uint8_t, kItemHeaderSize> header_{};
  std::vector<uint8_t> plain_;
  std::vector<uint8_t> sealed_;
};

// Seals an archive, read through `scratch` when there is one, into a new item file. IoError
// when the archive cannot be read, NoSpace or IoError when the item file cannot be written,
// Cancelled on a stop; the caller removes what was written.
api::Status SealItemFile(const std::filesystem::path& archive, ScratchFile* scratch,
                         const std::filesystem::path& sealed, const KeyBytes& key, const ItemBinding& binding,
                         const ChunkWatch& watch);

// How an item file to be opened was sealed: bound to its vault and record, or the bare
// stream of vaults hardened before item files carried a header (no binding is checked).
enum class ItemSealing { Bound, Legacy };

// Opens an item file into a new archive, written through `scratch` when there is one.
// Damaged when the file is not whole, not this key's or this record's; IoError when it cannot
// be read; NoSpace or IoError when the archive cannot be written; Cancelled on a stop.
api::Status OpenItemFile(const std::filesystem::path& item, const KeyBytes& key, const ItemBinding& binding,
                         ItemSealing sealing, const std::filesystem::path& archive, ScratchFile* scratch,
                         const ChunkWatch& watch);

}  // namespace kestramo

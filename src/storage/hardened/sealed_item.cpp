// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/hardened/sealed_item.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "storage/disk/disk_write.h"
#include "storage/disk/file_handle.h"
#include "storage/disk/regular_file.h"
#include "storage/hardened/batch_relay.h"
#include "storage/hardened/legacy_item.h"
#include "storage/hardened/sealed_pieces.h"

namespace kestramo {

namespace fs = std::filesystem;

namespace {

constexpr std::array<uint8_t, 8> kItemMagic = {0x89, 'K', 'H', 'I', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint16_t kItemVersion = 2;
constexpr std::size_t kTag = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr std::size_t kSegment = kSealedSegment;
static_assert(kSealedSegment == kSealedChunk + kTag);
constexpr std::size_t kBatch = 16 * kSealedChunk;  // what one stage hands to the other
constexpr std::size_t kPrefixAt = 32;
constexpr uint64_t kWritebackStep = 8 << 20;

using Header = ItemHeader;
using Nonce = std::array<uint8_t, crypto_aead_xchacha20poly1305_ietf_NPUBBYTES>;

void PutLe(uint8_t* p, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t GetLe(const uint8_t* p, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
  return value;
}

Header MakeHeader(const ItemBinding& binding) {
  Header header{};
  std::copy(kItemMagic.begin(), kItemMagic.end(), header.begin());
  PutLe(header.data() + 8, kItemVersion, 2);
  std::copy(binding.vault.begin(), binding.vault.end(), header.begin() + 12);
  PutLe(header.data() + 28, static_cast<uint32_t>(binding.index), 4);
  randombytes_buf(header.data() + kPrefixAt, 16);
  return header;
}

}  // namespace

std::string ItemHeaderProblem(const Header& header, const ItemBinding& binding) {
  if (!std::equal(kItemMagic.begin(), kItemMagic.end(), header.begin())) return "its file is not a sealed item";
  if (GetLe(header.data() + 8, 2) != kItemVersion || GetLe(header.data() + 10, 2) != 0) {
    return "its file has an unknown version";
  }
  if (!std::equal(binding.vault.begin(), binding.vault.end(), header.begin() + 12)) {
    return "its file belongs to another vault";
  }
  if (GetLe(header.data() + 28, 4) != static_cast<uint32_t>(binding.index)) {
    return "its file belongs to another item";
  }
  return {};
}

namespace {

Nonce SegmentNonce(const Header& header, uint64_t segment, bool last) {
  Nonce nonce{};
  std::copy_n(header.begin() + kPrefixAt, 16, nonce.begin());
  PutLe(nonce.data() + 16, segment, 7);
  nonce[23] = last ? 1 : 0;
  return nonce;
}

int CreateFile(const fs::path& file) {
  // Non-blocking: a FIFO planted under the name fails at once instead of waiting for a reader.
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd >= 0 && !UnfitFileProblem(fd).empty()) {
    ::close(fd);
    return -1;
  }
  if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

}  // namespace

bool OpenItemSegment(const Header& header, const KeyBytes& key, uint64_t segment, bool last, const uint8_t* sealed,
                     std::size_t n, uint8_t* plain, std::size_t* length) {
  if (n < kTag || n > kSegment) return false;
  const Nonce nonce = SegmentNonce(header, segment, last);
  unsigned long long got = 0;
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(plain, &got, nullptr, sealed, n, header.data(), header.size(),
                                                 nonce.data(), key.data()) != 0) {
    return false;
  }
  *length = static_cast<std::size_t>(got);
  return true;
}

bool FileLooksLikeSealedItem(const fs::path& file) {
  FileHandle in(OpenRegularFile(file).value_or(-1));
  std::array<uint8_t, 8> head{};
  return in.Get() >= 0 && ReadFull(in.Get(), head.data(), head.size()) == static_cast<ssize_t>(head.size()) &&
         head == kItemMagic;
}

SealingStream::SealingStream(const fs::path& file, const KeyBytes& key, const ItemBinding& binding)
    : fd_(CreateFile(file)), key_(key) {
  RequireSodium();
  if (fd_ < 0) return;
  header_ = MakeHeader(binding);
  plain_.reserve(kSealedChunk);
  sealed_.resize(kSegment);
  failed_ = !DiskWriteAll(fd_, header_.data(), header_.size());
}

SealingStream::~SealingStream() {
  if (fd_ >= 0) ::close(fd_);
  sodium_memzero(plain_.data(), plain_.capacity());
}

bool SealingStream::Push(bool last) {
  const Nonce nonce = SegmentNonce(header_, segment_++, last);
  unsigned long long length = 0;
  crypto_aead_xchacha20poly1305_ietf_encrypt(sealed_.data(), &length, plain_.data(), plain_.size(), header_.data(),
                                             header_.size(), nullptr, nonce.data(), key_.data());
  sodium_memzero(plain_.data(), plain_.size());
  plain_.clear();
  failed_ = failed_ || !DiskWriteAll(fd_, sealed_.data(), static_cast<std::size_t>(length));
  // The disk writes while packing goes on, rather than all at once when the item is done.
  fileBytes_ += length;
  if (fileBytes_ - startedTo_ >= kWritebackStep) {
    DiskStartWriteback(fd_, startedTo_, fileBytes_ - startedTo_);
    startedTo_ = fileBytes_;
  }
  return !failed_;
}

bool SealingStream::Write(const void* data, size_t size) {
  if (fd_ < 0 || failed_) return false;
  const auto* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    // A full segment is sealed only once more follows: the last one must carry the last mark.
    if (plain_.size() == kSealedChunk && !Push(false)) return false;
    const std::size_t take = std::min(size, kSealedChunk - plain_.size());
    plain_.insert(plain_.end(), p, p + take);
    p += take;
    size -= take;
    written_ += static_cast<int64_t>(take);
  }
  return true;
}

bool SealingStream::Finish() {
  if (fd_ < 0 || failed_) return false;
  bool ok = Push(true) && DiskSync(fd_) == 0;
  ok = ::close(fd_) == 0 && ok;
  fd_ = -1;
  return ok;
}

api::Status SealItemFile(const fs::path& archive, ScratchFile* scratch, const fs::path& sealed, const KeyBytes& key,
                         const ItemBinding& binding, const ChunkWatch& watch) {
  using api::Code;
  using api::Status;
  const auto opened = OpenRegularFile(archive);
  if (!opened.ok()) {
    return Status::Fail(Code::IoError, "its archive cannot be read (" + opened.status().message + ")", archive);
  }
  FileHandle in(*opened);
  SealingStream out(sealed, key, binding);
  if (!out.Opened()) return WriteFault(sealed, errno, "its encrypted copy cannot be created");
  const int64_t total = scratch ? static_cast<int64_t>(scratch->Size()) : FileSizeOf(in.Get());
  uint64_t readAt = 0;
  // Reading (and checking the working archive) runs beside the sealing.
  BatchRelay relay(kBatch, [&](std::vector<uint8_t>& batch) {
    const uint64_t n = std::min<uint64_t>(batch.capacity(), static_cast<uint64_t>(total) - readAt);
    batch.resize(n);
    const bool ok = scratch ? scratch->ReadAt(in.Get(), batch.data(), n, readAt)
                            : ReadFull(in.Get(), batch.data(), n) == static_cast<ssize_t>(n);
    readAt += n;
    return ok;
  });
  ReportPieces(watch, 0, total);
  for (;;) {
    const std::vector<uint8_t>* batch = relay.Next();
    if (!batch) return Status::Fail(Code::IoError, "its archive cannot be read, or was changed on the disk", archive);
    if (batch->empty()) break;
    if (!out.Write(batch->data(), batch->size())) {
      return WriteFault(sealed, errno, "its encrypted copy could not be written");
    }
    ReportPieces(watch, out.Position(), total);
    if (PiecesStopped(watch)) return Status::Fail(Code::Cancelled, "stopped");
  }
  ReportPieces(watch, 0, 0);
  if (!out.Finish()) return WriteFault(sealed, errno, "its encrypted copy could not be written");
  return Status::Ok();
}

api::Status OpenItemFile(const fs::path& item, const KeyBytes& key, const ItemBinding& binding, ItemSealing sealing,
                         const fs::path& archive, ScratchFile* scratch, const ChunkWatch& watch) {
  RequireSodium();
  if (sealing == ItemSealing::Legacy) return OpenLegacyItemFile(item, key, archive, scratch, watch);
  auto damaged = [&item](const std::string& text) { return api::Status::Fail(api::Code::Damaged, text, item); };
  const auto opened = OpenRegularFile(item);
  if (!opened.ok()) return UnopenedItem(item, opened.status());
  FileHandle in(*opened);
  const int64_t total = FileSizeOf(in.Get());
  Header header{};
  if (ReadFull(in.Get(), header.data(), header.size()) != static_cast<ssize_t>(header.size())) {
    return damaged("its file is cut short");
  }
  if (const std::string unfit = ItemHeaderProblem(header, binding); !unfit.empty()) return damaged(unfit);
  uint64_t segment = 0;
  // The segment that ends the file must be the one sealed as last: a cut or an addition
  // moves the end, and the marks no longer match.
  PieceOpener open = [&](const uint8_t* sealed, std::size_t n, bool atEnd, uint8_t* plain, std::size_t* length,
                         bool* final) {
    *final = atEnd;
    return OpenItemSegment(header, key, segment++, atEnd, sealed, n, plain, length);
  };
  return OpenPieces(item, in.Get(), static_cast<int64_t>(header.size()), total, kSegment, open, archive, scratch,
                    watch);
}

}  // namespace kestramo

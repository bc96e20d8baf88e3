#include "storage/hardened/sealed_item.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "storage/disk/disk_write.h"
#include "storage/disk/file_handle.h"
#include "storage/hardened/batch_relay.h"

namespace kestramo {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kSealedPiece = kSealedChunk + crypto_secretstream_xchacha20poly1305_ABYTES;
constexpr std::size_t kBatch = 16 * kSealedChunk;  // what one stage hands to the other

// Reads until `size` bytes or the end; -1 on a read error.
ssize_t ReadFull(int fd, uint8_t* data, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, data + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

int CreateFile(const fs::path& file) {
  return ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
}

int64_t FileSize(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 ? st.st_size : 0;
}

bool Stopped(const ChunkWatch& watch) { return watch.keepGoing && !watch.keepGoing->load(); }

void Report(const ChunkWatch& watch, int64_t current, int64_t maximal) {
  if (watch.progress) watch.progress(current, maximal);
}

bool Fail(std::string* why, const std::string& text) {
  if (why) *why = text;
  return false;
}

}  // namespace

SealingStream::SealingStream(const fs::path& file, const KeyBytes& key) : fd_(CreateFile(file)) {
  RequireSodium();
  if (fd_ < 0) return;
  plain_.reserve(kSealedChunk);
  sealed_.resize(kSealedPiece);
  uint8_t header[crypto_secretstream_xchacha20poly1305_HEADERBYTES];
  crypto_secretstream_xchacha20poly1305_init_push(&state_, header, key.data());
  failed_ = !DiskWriteAll(fd_, header, sizeof header);
}

SealingStream::~SealingStream() {
  if (fd_ >= 0) ::close(fd_);
  sodium_memzero(plain_.data(), plain_.capacity());
  sodium_memzero(&state_, sizeof state_);
}

bool SealingStream::Push(unsigned char tag) {
  unsigned long long length = 0;
  crypto_secretstream_xchacha20poly1305_push(&state_, sealed_.data(), &length, plain_.data(), plain_.size(), nullptr,
                                             0, tag);
  sodium_memzero(plain_.data(), plain_.size());
  plain_.clear();
  failed_ = failed_ || !DiskWriteAll(fd_, sealed_.data(), static_cast<std::size_t>(length));
  return !failed_;
}

bool SealingStream::Write(const void* data, size_t size) {
  if (fd_ < 0 || failed_) return false;
  const auto* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    // A full chunk is sealed only once more follows: the last one must carry the final mark.
    if (plain_.size() == kSealedChunk && !Push(crypto_secretstream_xchacha20poly1305_TAG_MESSAGE)) return false;
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
  bool ok = Push(crypto_secretstream_xchacha20poly1305_TAG_FINAL) && DiskSync(fd_) == 0;
  ok = ::close(fd_) == 0 && ok;
  fd_ = -1;
  return ok;
}

bool SealItemFile(const fs::path& archive, const ScratchMask* mask, const fs::path& sealed, const KeyBytes& key,
                  const ChunkWatch& watch, std::string* why) {
  FileHandle in(::open(archive.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.Get() < 0) return Fail(why, "its archive cannot be read");
  SealingStream out(sealed, key);
  if (!out.Opened()) return Fail(why, "its encrypted copy cannot be created");
  const int64_t total = FileSize(in.Get());
  uint64_t readAt = 0;
  // Reading and unmasking run beside the sealing.
  BatchRelay relay(kBatch, [&](std::vector<uint8_t>& batch) {
    batch.resize(batch.capacity());
    const ssize_t n = ReadFull(in.Get(), batch.data(), batch.size());
    if (n < 0) return false;
    batch.resize(static_cast<std::size_t>(n));
    if (mask) mask->Apply(batch.data(), batch.size(), readAt);
    readAt += batch.size();
    return true;
  });
  Report(watch, 0, total);
  for (;;) {
    const std::vector<uint8_t>* batch = relay.Next();
    if (!batch) return Fail(why, "its archive cannot be read");
    if (batch->empty()) break;
    if (!out.Write(batch->data(), batch->size())) return Fail(why, "its encrypted copy could not be written");
    Report(watch, out.Position(), total);
    if (Stopped(watch)) return Fail(why, "stopped");
  }
  Report(watch, 0, 0);
  if (!out.Finish()) return Fail(why, "its encrypted copy could not be written");
  return true;
}

bool OpenItemFile(const fs::path& item, const KeyBytes& key, const fs::path& archive, const ScratchMask* mask,
                  const ChunkWatch& watch, std::string* why) {
  RequireSodium();
  FileHandle in(::open(item.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.Get() < 0) return Fail(why, "its file cannot be read");
  const int64_t total = FileSize(in.Get());
  uint8_t header[crypto_secretstream_xchacha20poly1305_HEADERBYTES];
  crypto_secretstream_xchacha20poly1305_state state;
  if (ReadFull(in.Get(), header, sizeof header) != static_cast<ssize_t>(sizeof header)) {
    return Fail(why, "its file is cut short");
  }
  if (crypto_secretstream_xchacha20poly1305_init_pull(&state, header, key.data()) != 0) {
    return Fail(why, "its file's header is damaged");
  }
  FileHandle out(CreateFile(archive));
  if (out.Get() < 0) return Fail(why, "its archive cannot be created in temp/");
  // Reading and authenticating run beside the masking and writing; the relay hands over
  // only chunks that passed.
  std::vector<uint8_t> sealed(kSealedPiece);
  std::atomic<int64_t> read = sizeof header;
  bool final = false;
  std::string failure;  // the producing stage's, read once it has failed
  BatchRelay relay(kBatch, [&](std::vector<uint8_t>& batch) {
    while (!final && batch.size() + kSealedChunk <= batch.capacity()) {
      const ssize_t n = ReadFull(in.Get(), sealed.data(), sealed.size());
      if (n <= 0) {
        failure = n < 0 ? "its file cannot be read" : "its file is cut short";
        return false;
      }
      read += n;
      const std::size_t at = batch.size();
      batch.resize(at + kSealedChunk);
      unsigned long long length = 0;
      unsigned char tag = 0;
      if (crypto_secretstream_xchacha20poly1305_pull(&state, batch.data() + at, &length, &tag, sealed.data(),
                                                     static_cast<unsigned long long>(n), nullptr, 0) != 0) {
        failure = "its file is damaged, or was not sealed under this item's key";
        return false;
      }
      batch.resize(at + static_cast<std::size_t>(length));
      final = tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL;
      if (final && read != total) {
        failure = "its file has bytes past its end";
        return false;
      }
    }
    return true;
  });
  uint64_t offset = 0;
  Report(watch, 0, total);
  for (;;) {
    std::vector<uint8_t>* batch = relay.Next();
    if (!batch) return Fail(why, failure);
    if (batch->empty()) break;
    if (mask) mask->Apply(batch->data(), batch->size(), offset);
    if (!DiskWriteAll(out.Get(), batch->data(), batch->size())) {
      return Fail(why, "its archive could not be written to temp/ (is the disk full?)");
    }
    offset += batch->size();
    Report(watch, read, total);
    if (Stopped(watch)) return Fail(why, "stopped");
  }
  if (!final) return Fail(why, "its file is cut short");
  Report(watch, 0, 0);
  if (out.Close() != 0) return Fail(why, "its archive could not be written to temp/ (is the disk full?)");
  return true;
}

}  // namespace kestramo

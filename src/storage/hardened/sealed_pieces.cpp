// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/hardened/sealed_pieces.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <vector>

#include "storage/disk/disk_write.h"
#include "storage/disk/file_handle.h"
#include "storage/hardened/batch_relay.h"

namespace kestramo {

namespace {

constexpr std::size_t kBatch = 16 * kSealedChunk;  // what one stage hands to the other

}  // namespace

api::Status UnopenedItem(const std::filesystem::path& item, const api::Status& opened) {
  return api::Status::Fail(opened.code == api::Code::IoError ? api::Code::IoError : api::Code::Damaged,
                           "its file cannot be read (" + opened.message + ")", item);
}

api::Status WriteFault(const std::filesystem::path& file, int error, const std::string& what) {
  return api::Status::Fail(WriteFailureCode(error), what, file);
}

int64_t FileSizeOf(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 ? st.st_size : 0;
}

bool PiecesStopped(const ChunkWatch& watch) { return watch.keepGoing && !watch.keepGoing->load(); }

void ReportPieces(const ChunkWatch& watch, int64_t current, int64_t maximal) {
  if (watch.progress) watch.progress(current, maximal);
}

api::Status OpenPieces(const std::filesystem::path& item, int fd, int64_t done, int64_t total, std::size_t pieceSize,
                       const PieceOpener& open, const std::filesystem::path& archive, ScratchFile* scratch,
                       const ChunkWatch& watch) {
  using api::Code;
  auto damaged = [&item](const std::string& text) { return api::Status::Fail(Code::Damaged, text, item); };
  // Read and write: a sealed scratch reads back what a write leaves of a block.
  FileHandle out(::open(archive.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
  if (out.Get() < 0) return WriteFault(archive, errno, "its archive cannot be created in temp/");
  std::vector<uint8_t> sealed(pieceSize);
  std::atomic<int64_t> read = done;
  bool final = false;
  api::Status failure;  // the producing stage's, read once it has failed
  BatchRelay relay(kBatch, [&](std::vector<uint8_t>& batch) {
    while (!final && batch.size() + kSealedChunk <= batch.capacity()) {
      const ssize_t n = ReadFull(fd, sealed.data(), sealed.size());
      if (n <= 0) {
        failure = n < 0 ? api::Status::Fail(Code::IoError, "its file cannot be read", item)
                        : damaged("its file is cut short");
        return false;
      }
      read += n;
      const std::size_t at = batch.size();
      batch.resize(at + kSealedChunk);
      std::size_t length = 0;
      if (!open(sealed.data(), static_cast<std::size_t>(n), read == total, batch.data() + at, &length, &final)) {
        failure = damaged("its file is damaged, or was not sealed under this item's key");
        return false;
      }
      batch.resize(at + length);
      if (final && read != total) {
        failure = damaged("its file has bytes past its end");
        return false;
      }
    }
    return true;
  });
  uint64_t offset = 0;
  ReportPieces(watch, 0, total);
  for (;;) {
    std::vector<uint8_t>* batch = relay.Next();
    if (!batch) return failure;
    if (batch->empty()) break;
    const bool written = scratch ? scratch->WriteAt(out.Get(), batch->data(), batch->size(), offset)
                                 : DiskWriteAll(out.Get(), batch->data(), batch->size());
    if (!written) return WriteFault(archive, errno, "its archive could not be written to temp/ (is the disk full?)");
    offset += batch->size();
    ReportPieces(watch, read, total);
    if (PiecesStopped(watch)) return api::Status::Fail(Code::Cancelled, "stopped");
  }
  if (!final) return damaged("its file is cut short");
  ReportPieces(watch, 0, 0);
  if (out.Close() != 0)
    return WriteFault(archive, errno, "its archive could not be written to temp/ (is the disk full?)");
  return api::Status::Ok();
}

}  // namespace kestramo

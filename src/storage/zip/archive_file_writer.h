// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestramo {
class ScratchFile;
class Stream;
}  // namespace kestramo

namespace kestramo::zip {

// Buffered sequential output to the archive with in-place patches of bytes already written.
class ArchiveFileWriter {
 public:
  // With a scratch, every byte goes to the file through it.
  explicit ArchiveFileWriter(int fd, ScratchFile* mask = nullptr) : fd_(fd), mask_(mask) {
    buffer_.reserve(kBufferSize);
  }
  // Into a stream that only appends (a sealing one): nothing already handed over can be
  // patched, so the archive must be written without going back.
  // It buffers its own pieces: a smaller buffer here does.
  explicit ArchiveFileWriter(Stream& sink) : fd_(-1), mask_(nullptr), sink_(&sink), limit_(kSinkBufferSize) {
    buffer_.reserve(limit_);
  }
  ArchiveFileWriter(const ArchiveFileWriter&) = delete;
  ArchiveFileWriter& operator=(const ArchiveFileWriter&) = delete;

  void Write(const void* data, size_t size);
  void Write(const std::string& s) { Write(s.data(), s.size()); }
  // Overwrites bytes at an earlier position without moving the write position; with a
  // sink, only bytes still in the buffer.
  void Patch(uint64_t offset, const std::string& bytes);
  void Flush();
  uint64_t Position() const { return flushed_ + buffer_.size(); }
  bool AppendsOnly() const { return sink_ != nullptr; }

 private:
  static constexpr size_t kBufferSize = 1 << 20;
  static constexpr size_t kSinkBufferSize = 256 << 10;
  void WriteAll(const unsigned char* data, size_t size, uint64_t offset);

  int fd_;
  ScratchFile* mask_;
  Stream* sink_ = nullptr;
  uint64_t flushed_ = 0;
  size_t limit_ = kBufferSize;
  std::vector<unsigned char> buffer_;
};

}  // namespace kestramo::zip

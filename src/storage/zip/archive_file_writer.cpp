// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/zip/archive_file_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "storage/cipher/stream.h"
#include "storage/disk/disk_write.h"
#include "storage/hardened/scratch_file.h"
#include "storage/zip/zip_error.h"

namespace kestramo::zip {

void ArchiveFileWriter::WriteAll(const unsigned char* data, size_t size, uint64_t offset) {
  if (sink_ && offset != flushed_) throw ZipError("An appended archive cannot be patched");
  const bool ok = sink_   ? sink_->Write(data, size)
                  : mask_ ? mask_->WriteAt(fd_, data, size, offset)
                          : DiskWriteAllAt(fd_, data, size, offset);
  if (!ok) throw ZipError(ZipFault::NoRoomToWrite);
}

void ArchiveFileWriter::Write(const void* data, size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  if (buffer_.size() + size > limit_) Flush();
  if (size >= limit_) {
    WriteAll(p, size, flushed_);
    flushed_ += size;
    return;
  }
  buffer_.insert(buffer_.end(), p, p + size);
}

void ArchiveFileWriter::Flush() {
  if (buffer_.empty()) return;
  WriteAll(buffer_.data(), buffer_.size(), flushed_);
  flushed_ += buffer_.size();
  buffer_.clear();
}

void ArchiveFileWriter::Patch(uint64_t offset, const std::string& bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t size = bytes.size();
  if (offset < flushed_) {
    const size_t onDisk = static_cast<size_t>(std::min<uint64_t>(size, flushed_ - offset));
    WriteAll(p, onDisk, offset);
    p += onDisk;
    size -= onDisk;
    offset += onDisk;
  }
  if (size > 0) std::memcpy(buffer_.data() + (offset - flushed_), p, size);
}

}  // namespace kestramo::zip

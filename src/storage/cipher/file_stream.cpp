// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cipher/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "storage/cipher/cipher_error.h"
#include "storage/disk/disk_write.h"
#include "storage/disk/read_full.h"

namespace kestramo {
namespace {

int OpenFlags(FileStream::Mode mode) {
  switch (mode) {
    // Never through a planted link, and never waiting on a FIFO put where a file belongs.
    case FileStream::Mode::kRead: return O_RDONLY | O_NOFOLLOW | O_NONBLOCK;
    case FileStream::Mode::kReadWrite: return O_RDWR | O_NOFOLLOW | O_NONBLOCK;
    case FileStream::Mode::kCreate: return O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK;
  }
  return O_RDONLY | O_NOFOLLOW | O_NONBLOCK;
}

}  // namespace

FileStream::FileStream(const std::filesystem::path& path, Mode mode) {
  // Private to the user: one of the files written here holds a decrypted archive.
  fd_ = ::open(path.c_str(), OpenFlags(mode) | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    throw CipherError("cannot open " + path.string() + ": " + std::strerror(errno),
                      mode == Mode::kRead ? CipherFault::Source : CipherFault::Destination);
  }
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    Close();
    throw CipherError("not a regular file: " + path.string());
  }
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
  if (mode != Mode::kCreate) ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  if (mode == Mode::kCreate) behind_ = std::make_unique<WriteBehind>();
}

FileStream::~FileStream() { Close(); }

size_t FileStream::Read(void* buf, size_t n) {
  const ssize_t got = ReadFullAt(fd_, buf, n, static_cast<uint64_t>(pos_));
  if (got < 0) throw CipherError(std::string("read error: ") + std::strerror(errno), CipherFault::Source);
  pos_ += got;
  return static_cast<size_t>(got);
}

bool FileStream::Write(const void* buf, size_t n) {
  const auto* in = static_cast<const uint8_t*>(buf);
  if (behind_) {
    writeFailed_ = writeFailed_ || !behind_->Write(fd_, static_cast<uint64_t>(pos_), in, n);
    if (writeFailed_) return false;
    pos_ += static_cast<int64_t>(n);
    queuedEnd_ = std::max(queuedEnd_, pos_);
    return true;
  }
  if (!DiskWriteAllAt(fd_, in, n, static_cast<uint64_t>(pos_))) return false;
  pos_ += static_cast<int64_t>(n);
  return true;
}

bool FileStream::Seek(int64_t pos) {
  if (pos < 0) return false;
  pos_ = pos;
  return true;
}

int64_t FileStream::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) throw CipherError(std::string("stat error: ") + std::strerror(errno));
  return std::max(static_cast<int64_t>(st.st_size), queuedEnd_);  // writes may still be on their way
}

bool FileStream::WritesDone() {
  writeFailed_ = writeFailed_ || (behind_ && !behind_->Finish());
  return !writeFailed_;
}

bool FileStream::TruncateHere() { return fd_ >= 0 && WritesDone() && ::ftruncate(fd_, pos_) == 0; }

bool FileStream::Close() {
  if (fd_ < 0) return true;
  const bool written = WritesDone();
  const int rc = ::close(fd_);
  fd_ = -1;
  return rc == 0 && written;
}

}  // namespace kestramo

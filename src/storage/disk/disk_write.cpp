// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/disk/disk_write.h"

#include <fcntl.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

namespace kestramo {
namespace {

std::atomic<int64_t> gSpaceLeft{-1};
std::atomic<bool> gSyncFails{false};

// How many of `size` bytes the simulated disk still takes; -1 for no limit.
int64_t Allowance(std::size_t size) {
  const int64_t left = gSpaceLeft.load();
  if (left < 0) return -1;
  return std::min<int64_t>(left, static_cast<int64_t>(size));
}

ssize_t Account(ssize_t written) {
  if (written > 0 && gSpaceLeft.load() >= 0) gSpaceLeft.fetch_sub(written);
  return written;
}

}  // namespace

ssize_t DiskWrite(int fd, const void* data, std::size_t size) {
  const int64_t allowed = Allowance(size);
  if (allowed < 0) return ::write(fd, data, size);
  if (allowed == 0 && size > 0) {
    errno = ENOSPC;
    return -1;
  }
  return Account(::write(fd, data, static_cast<std::size_t>(allowed)));
}

bool DiskWriteAll(int fd, const void* data, std::size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = DiskWrite(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

ssize_t DiskWriteAt(int fd, const void* data, std::size_t size, off_t offset) {
  const int64_t allowed = Allowance(size);
  if (allowed < 0) return ::pwrite(fd, data, size, offset);
  if (allowed == 0 && size > 0) {
    errno = ENOSPC;
    return -1;
  }
  return Account(::pwrite(fd, data, static_cast<std::size_t>(allowed), offset));
}

bool DiskWriteAllAt(int fd, const void* data, std::size_t size, uint64_t offset) {
  const auto* p = static_cast<const uint8_t*>(data);
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = DiskWriteAt(fd, p + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

int DiskSync(int fd) {
  if (gSyncFails.load()) {
    errno = EIO;
    return -1;
  }
  return ::fsync(fd);
}

void DiskStartWriteback(int fd, uint64_t offset, uint64_t size) {
  (void)::sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(size), SYNC_FILE_RANGE_WRITE);
}

void SetDiskSyncFailure(bool failing) { gSyncFails.store(failing); }

void SetDiskSpaceLimit(int64_t bytes) { gSpaceLeft.store(bytes < 0 ? -1 : bytes); }

api::Code WriteFailureCode(int error) {
  return error == ENOSPC || error == EDQUOT ? api::Code::NoSpace : api::Code::IoError;
}

}  // namespace kestramo

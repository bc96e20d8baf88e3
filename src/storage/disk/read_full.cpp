// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/disk/read_full.h"

#include <unistd.h>

#include <cerrno>

namespace kestramo {

namespace {

// The one loop behind both reads; `offset` < 0 reads from the file's position.
ssize_t ReadLoop(int fd, void* data, std::size_t size, int64_t offset) {
  auto* out = static_cast<unsigned char*>(data);
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = offset < 0
                          ? ::read(fd, out + got, size - got)
                          : ::pread(fd, out + got, size - got, static_cast<off_t>(offset) + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

}  // namespace

ssize_t ReadFull(int fd, void* data, std::size_t size) { return ReadLoop(fd, data, size, -1); }

ssize_t ReadFullAt(int fd, void* data, std::size_t size, uint64_t offset) {
  return ReadLoop(fd, data, size, static_cast<int64_t>(offset));
}

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

#include "kestramo/status.h"

namespace kestramo {

// Every byte the storage engine writes to a file goes through these two calls, which
// behave as write(2) and pwrite(2); tests use the limit below to make the disk full.
ssize_t DiskWrite(int fd, const void* data, std::size_t size);
ssize_t DiskWriteAt(int fd, const void* data, std::size_t size, off_t offset);
// Write every byte through DiskWrite / DiskWriteAt, going on after interruptions and short
// writes; false on a failure.
bool DiskWriteAll(int fd, const void* data, std::size_t size);
bool DiskWriteAllAt(int fd, const void* data, std::size_t size, uint64_t offset);
// What a failed write's errno means for its caller: NoSpace for a full disk or quota, else
// IoError.
api::Code WriteFailureCode(int error);
// Every flush of a file to the disk goes through this call, which behaves as fsync(2).
int DiskSync(int fd);
// Starts writing `size` bytes from `offset` of a file to the disk without waiting, so that a
// later DiskSync finds less left to write; it promises nothing.
void DiskStartWriteback(int fd, uint64_t offset, uint64_t size);

// While set, every flush fails with EIO, as on a disk that loses a write late.
void SetDiskSyncFailure(bool failing);

// After `bytes` more bytes every write fails with ENOSPC, as on a full disk (the write
// that crosses the limit is cut short first). A negative value lifts the limit.
void SetDiskSpaceLimit(int64_t bytes);

}  // namespace kestramo

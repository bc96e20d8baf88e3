// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace kestramo {

// Reads `size` bytes from the file's position (ReadFull) or from `offset` (ReadFullAt), going
// on after interrupted and short reads until they are all read or the file ends. The count
// read, short only at the end of the file; -1 with errno set when a read fails.
ssize_t ReadFull(int fd, void* data, std::size_t size);
ssize_t ReadFullAt(int fd, void* data, std::size_t size, uint64_t offset);

}  // namespace kestramo

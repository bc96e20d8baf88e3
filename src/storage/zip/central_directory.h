// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "storage/zip/zip_records.h"

namespace kestramo {
class ArchiveView;
}

namespace kestramo::zip {

struct CentralDirectory {
  std::vector<EntryInfo> entries;
  uint64_t directoryOffset = 0;  // entry data never reach past this
};

// Reads the directory of an open archive. Every count, size and offset is checked against
// the file before it is used: a damaged directory fails with kDamagedDirectory.
// With a view, the archive is read through it.
CentralDirectory ReadCentralDirectory(int fd, ArchiveView* mask = nullptr);

// Reads exactly size bytes at offset; false when the file ends first.
bool ReadAt(int fd, void* data, size_t size, uint64_t offset, ArchiveView* mask = nullptr);

}  // namespace kestramo::zip

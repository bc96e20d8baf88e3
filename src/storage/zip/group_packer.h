// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestramo::zip {

// Opens a source file (`name` in `folder`, or AT_FDCWD) for reading, with its status in
// `st`; -1 when it cannot be opened or is not a plain file, with errno saying why (ENOENT:
// it vanished).
int OpenSourceFile(int folder, const char* name, struct stat& st);

// One file of a group of small files, as read and packed on a worker (see ZstdGroupWriter).
struct GroupFile {
  enum class Status {
    Packed,   // data holds what follows its local header
    LeftOut,  // vanished since it was listed, unreadable, or not a plain file
    Grown,    // larger than a group member may be by now: to be packed in pieces
  };
  size_t source = 0;
  std::string path;
  Status status = Status::LeftOut;
  struct stat st {};
  std::vector<unsigned char> data;
  uint32_t crc = 0;
  uint64_t size = 0;
  bool compressed = false;  // zstd; else stored (an empty file)
  bool inFrame = false;     // its data continue the group's frame
};

// Reads and packs the files, each naming its source and path, and hands each on once its
// bytes are complete; `bytes` is what they added up to when listed.
void PackGroup(std::vector<GroupFile> files, uint64_t bytes, const std::function<void(GroupFile&&)>& done);

}  // namespace kestramo::zip

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "storage/zip/zip_records.h"

namespace kestramo {
class ScratchFile;
class Stream;
}  // namespace kestramo

namespace kestramo::zip {

class WorkPool;

struct SourceFile {
  std::string path;        // file to read
  std::string entryName;   // UTF-8 name to store, '/' separated
  bool directory = false;  // stored as a directory entry, its name ending in '/'
  uint64_t size = 0;       // as listed, to plan groups of small files by
};

struct BuildHooks {
  std::function<void(uint64_t bytesRead)> onRead;          // after every piece read from a source file
  std::function<void()> checkCancel;                       // after every piece read and every write to the archive
  std::function<void(const std::string& path)> onLeftOut;  // a source that could not be opened
};

// Where an archive goes: an open, empty file (through a scratch when there is one), or a
// stream that only appends, such as one that seals as it goes.
struct ArchiveTarget {
  int fd = -1;
  ScratchFile* mask = nullptr;
  Stream* sink = nullptr;
};

// Writes a whole archive: every readable source, then the central directory and the end
// record. Sources are read on the calling thread while their pieces are compressed on the
// pool, and written back in order. With zstd, runs of small files are read and packed as
// groups on the pool instead, and a file that grew too large for its group comes later.
class ArchiveBuilder {
 public:
  // With zstd, compressed entries use method 93 instead of deflate. Into a sink, an entry of
  // several pieces states its crc and sizes in a data descriptor after its data.
  ArchiveBuilder(ArchiveTarget target, WorkPool& pool, int level, bool zstd, BuildHooks hooks);
  // Returns the entries written; sources that cannot be opened are skipped.
  std::vector<EntryInfo> Build(const std::vector<SourceFile>& sources);

 private:
  ArchiveTarget target_;
  WorkPool& pool_;
  int level_;
  bool zstd_;
  BuildHooks hooks_;
};

}  // namespace kestramo::zip

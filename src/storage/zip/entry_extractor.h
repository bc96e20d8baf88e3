// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "storage/disk/write_behind.h"
#include "storage/zip/extract_settings.h"
#include "storage/zip/zip_records.h"

namespace kestramo {
class ArchiveView;
}

namespace kestramo::zip {

class ZstdStream;

// Writes entries of an open archive below the destination directory. Directories are walked
// one component at a time without following symbolic links, and files are opened the same
// way, so no entry can land outside the destination.
class EntryExtractor {
 public:
  // Paths created are appended to created, which outlives a failed run.
  // With a scratch, the archive is read through it.
  EntryExtractor(int archiveFd, uint64_t archiveSize, ArchiveView* mask, const ExtractSettings& settings,
                 ExtractHooks hooks, std::vector<std::string>& created);
  ~EntryExtractor();
  EntryExtractor(const EntryExtractor&) = delete;
  EntryExtractor& operator=(const EntryExtractor&) = delete;

  // Makes the zstd groups of the archive's entries known (EntryInfo::zstdGroup), so
  // that an entry of one can be decoded after the entries before it.
  void KnowGroups(const std::vector<EntryInfo>& entries);

  // True when a file was written and its CRC matched. Throws on cancel, on an archive that
  // ends early and on a failed write.
  bool Extract(const EntryInfo& entry, const std::string& name);
  // Decodes an entry as Extract would, writing nothing: true when its name is safe and it
  // decodes to exactly its stated size and CRC. Throws as Extract does.
  bool Test(const EntryInfo& entry, const std::string& name);

 private:
  enum class Outcome { Complete, TooLarge, Damaged };
  // What becomes of a file that exists where an entry goes.
  enum class Decision { Replace, Declined, Refused };

  // The open directory below the destination, made when missing and owned here; -1 when it
  // cannot be made or opened, or kProtected. The folders on its path stay open for the
  // next entries: an entry is walked to from the deepest folder it shares with the last.
  int TargetDirectory(const std::vector<std::string>& directories, std::string& path);
  void CloseDirectoriesFrom(size_t depth);
  bool IsProtected(int dirFd) const;
  bool IsProtected(const struct stat& st) const;
  static constexpr int kProtected = -2;
  Decision Decide(const struct stat& existing, const OverwriteCase& at, const EntryInfo& entry) const;
  Outcome Decode(const EntryInfo& entry, int outFd, uint32_t& crc);
  Outcome Copy(uint64_t dataStart, const EntryInfo& entry, int outFd, uint32_t& crc);
  Outcome Inflate(uint64_t dataStart, const EntryInfo& entry, int outFd, uint32_t& crc);
  Outcome InflateStream(uint64_t dataStart, const EntryInfo& entry, int outFd, uint32_t& crc);
  Outcome Unzstd(uint64_t dataStart, const EntryInfo& entry, int outFd, uint32_t& crc);
  Outcome UnzstdStream(uint64_t dataStart, const EntryInfo& entry, int outFd, uint32_t& crc);
  Outcome UnzstdMember(uint64_t dataStart, const EntryInfo& entry, int outFd, uint32_t& crc);
  // Feeds `packedSize` bytes from `dataStart` through `stream` and hands what they decode to
  // `sink` (false: stop, too large). Whole when they decode to exactly `plainSize`; with
  // `frameEnds`, they must end a frame as well.
  using Sink = std::function<bool(const unsigned char* data, size_t size)>;
  Outcome StreamZstd(ZstdStream& stream, uint64_t dataStart, uint64_t packedSize, uint64_t plainSize, bool frameEnds,
                     const Sink& sink);
  // Where the data of the entry whose local header is at `offset` start; nothing when no
  // local header is there.
  std::optional<uint64_t> DataStart(uint64_t offset, uint64_t packedSize);
  // Reads an entry's packed bytes whole, when it is small enough to hold with its plain
  // bytes; null when it is not.
  const unsigned char* ReadWhole(uint64_t dataStart, const EntryInfo& entry);
  Outcome EmitWhole(const unsigned char* plain, const EntryInfo& entry, int outFd, uint32_t& crc);
  void ReadInput(void* data, size_t size, uint64_t offset);
  bool Emit(int outFd, const unsigned char* data, size_t size, uint64_t& written, const EntryInfo& entry, uint32_t& crc,
            bool held = false);

  int archiveFd_;
  uint64_t archiveSize_;
  ArchiveView* mask_;
  const ExtractSettings& settings_;
  ExtractHooks hooks_;
  int destFd_ = -1;
  std::vector<std::string> openDirs_;  // the folders open now, outermost first
  std::vector<int> openDirFds_;        // and their descriptors
  std::vector<unsigned char> inBuffer_;
  std::vector<unsigned char> outBuffer_;
  // An entry inflated whole: its packed and its plain bytes. They only grow, and are
  // neither cleared nor copied when they do.
  std::unique_ptr<unsigned char[]> wholeIn_, wholeOut_;
  size_t wholeInRoom_ = 0, wholeOutRoom_ = 0;
  std::vector<std::string>& created_;
  // The entries of each zstd group, by their first one's offset, in the order of the data.
  struct Member {
    uint64_t offset, packedSize, plainSize;
  };
  std::map<uint64_t, std::vector<Member>> groups_;
  // The group being decoded and the index of its next entry: they decode in order. And the
  // group that failed to, whose later entries cannot decode.
  uint64_t groupAt_ = kNoGroup, brokenGroup_ = kNoGroup;
  size_t nextMember_ = 0;
  std::unique_ptr<ZstdStream> groupStream_;
  WriteBehind writer_;  // output pieces, written while the next ones are decoded
};

}  // namespace kestramo::zip

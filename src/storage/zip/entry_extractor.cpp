// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/zip/entry_extractor.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>

#include "storage/disk/disk_write.h"
#include "storage/disk/file_handle.h"
#include "storage/zip/buffer_inflate.h"
#include "storage/zip/central_directory.h"
#include "storage/zip/entry_name.h"
#include "storage/zip/file_stamp.h"
#include "storage/zip/zip_error.h"
#include "storage/zip/zstd_codec.h"

namespace kestramo::zip {
namespace {

constexpr size_t kInputPiece = 256 * 1024;
constexpr size_t kOutputPiece = 256 * 1024;
// Entries up to this size, packed and unpacked, are inflated whole in memory, which is
// several times faster than streaming; larger ones stream through fixed buffers.
constexpr uint64_t kWholeEntry = 32 * 1024 * 1024;
constexpr uint64_t kWriteAtOnce = 256 * 1024;

// A private name in the target's folder for a file being written, unique in this process.
std::string PartName() {
  static std::atomic<unsigned> counter{0};
  static const unsigned salt = std::random_device{}();  // a reused pid never meets an old name
  return ".kestramo-part-" + std::to_string(getpid()) + "-" + std::to_string(salt) + "-" + std::to_string(counter++);
}

// The mode a new file gets when the archive stores none: 0666 less the process's umask,
// read without changing it (other threads may be creating files).
mode_t DefaultFileMode() {
  static const mode_t mode = [] {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(0666 & ~std::strtol(line.c_str() + 6, nullptr, 8));
    }
    return static_cast<mode_t>(0644);
  }();
  return mode;
}

// Renames `from` to `to` in one folder; without `replace`, an existing `to` stays and the
// result is EEXIST. Some file systems know no "no replace" rename: a hard link does the
// same there, and where neither exists a check just before the rename comes closest.
int MoveIntoPlace(int dirFd, const char* from, const char* to, bool replace) {
  if (replace) return renameat(dirFd, from, dirFd, to) == 0 ? 0 : errno;
  if (renameat2(dirFd, from, dirFd, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  if (linkat(dirFd, from, dirFd, to, 0) == 0) {
    unlinkat(dirFd, from, 0);
    return 0;
  }
  if (errno == EEXIST) return EEXIST;
  struct stat st {};
  if (fstatat(dirFd, to, &st, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
  return renameat(dirFd, from, dirFd, to) == 0 ? 0 : errno;
}

// Whether a file can be written unnamed and given its name once whole: one change of its
// folder instead of a create and a rename. The name is given through /proc.
bool CanLinkUnnamed() {
  static const bool can = access("/proc/self/fd", X_OK) == 0;
  return can;
}

// Names an unnamed file; EEXIST when the name was taken meanwhile, which it never replaces.
int LinkUnnamed(int fd, int dirFd, const char* name) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return linkat(AT_FDCWD, self.c_str(), dirFd, name, AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

unsigned char* Room(std::unique_ptr<unsigned char[]>& buffer, size_t& room, size_t size) {
  if (size > room) {
    buffer = std::make_unique_for_overwrite<unsigned char[]>(size);
    room = size;
  }
  return buffer.get();
}

}  // namespace

EntryExtractor::EntryExtractor(int archiveFd, uint64_t archiveSize, ArchiveView* mask, const ExtractSettings& settings,
                               ExtractHooks hooks, std::vector<std::string>& created)
    : archiveFd_(archiveFd),
      archiveSize_(archiveSize),
      mask_(mask),
      settings_(settings),
      hooks_(std::move(hooks)),
      created_(created) {
  inBuffer_.resize(kInputPiece);
  outBuffer_.resize(kOutputPiece);
  if (settings_.writeNothing) return;
  const std::string dest = settings_.destDir.empty() ? "." : settings_.destDir;
  destFd_ = open(dest.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (destFd_ < 0) throw ZipError(ZipFault::CantUseDestination, dest + " (" + std::strerror(errno) + ")");
  if (IsProtected(destFd_)) throw ZipError(ZipFault::ProtectedOutput);
}

EntryExtractor::~EntryExtractor() {
  CloseDirectoriesFrom(0);
  if (destFd_ >= 0) close(destFd_);
}

void EntryExtractor::CloseDirectoriesFrom(size_t depth) {
  while (openDirFds_.size() > depth) {
    close(openDirFds_.back());
    openDirFds_.pop_back();
    openDirs_.pop_back();
  }
}

// Entries of one folder follow one another, and folders their parents: the folders of the
// last entry's path stay open, which saves walking and checking every folder of the path
// again for each file.
int EntryExtractor::TargetDirectory(const std::vector<std::string>& directories, std::string& path) {
  size_t shared = 0;
  while (shared < openDirs_.size() && shared < directories.size() && openDirs_[shared] == directories[shared]) {
    ++shared;
  }
  CloseDirectoriesFrom(shared);
  path = settings_.destDir.empty() ? "." : settings_.destDir;
  for (size_t i = 0; i < directories.size(); ++i) {
    path += "/" + directories[i];
    if (i < shared) continue;
    const int parent = i == 0 ? destFd_ : openDirFds_.back();
    const std::string& part = directories[i];
    struct stat st {};
    if (fstatat(parent, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (mkdirat(parent, part.c_str(), 0777) != 0) return -1;
      created_.push_back(path);
    } else if (!S_ISDIR(st.st_mode)) {
      errno = ENOTDIR;
      return -1;  // a file or a symbolic link where a directory should be
    }
    const int fd = openat(parent, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    openDirs_.push_back(part);
    openDirFds_.push_back(fd);
    if (IsProtected(fd)) {
      CloseDirectoriesFrom(i);
      return kProtected;
    }
  }
  return openDirFds_.empty() ? destFd_ : openDirFds_.back();
}

bool EntryExtractor::IsProtected(int dirFd) const {
  if (settings_.protectedPaths.empty()) return false;  // no fstat per folder when nothing is protected
  struct stat st {};
  return fstat(dirFd, &st) == 0 && IsProtected(st);
}

bool EntryExtractor::IsProtected(const struct stat& st) const {
  const std::pair<uint64_t, uint64_t> id{st.st_dev, st.st_ino};
  const auto& paths = settings_.protectedPaths;
  return std::find(paths.begin(), paths.end(), id) != paths.end();
}

EntryExtractor::Decision EntryExtractor::Decide(const struct stat& existing, const OverwriteCase& at,
                                                const EntryInfo& entry) const {
  bool replace = false;
  switch (settings_.overwriteMode) {
    case OverwriteMode::Prompt: replace = settings_.overwritePrompt && settings_.overwritePrompt(at); break;
    case OverwriteMode::Always: replace = true; break;
    case OverwriteMode::Never: replace = false; break;
    case OverwriteMode::IfNewer: replace = FromDosDateTime(entry.dosDateTime) > existing.st_mtime; break;
    case OverwriteMode::IfOlder: replace = FromDosDateTime(entry.dosDateTime) < existing.st_mtime; break;
  }
  if (!replace) return Decision::Declined;
  // The new file is renamed over the old one, so a read-only one needs no change of mode.
  return (existing.st_mode & S_IWUSR) || settings_.replaceReadOnly ? Decision::Replace : Decision::Refused;
}

bool EntryExtractor::Extract(const EntryInfo& entry, const std::string& name) {
  auto skip = [&] {
    if (hooks_.onSkipped) hooks_.onSkipped(entry.uncompressedSize);
    return false;
  };
  // What cannot be written is an error, never a quiet skip: an export must not look
  // complete without it. Only a file already present is left out, and said to be.
  auto fail = [&](const ZipError& error) {
    if (hooks_.onEntryError) hooks_.onEntryError(error);
    return skip();
  };
  auto cannotCreate = [&](const std::string& path, int error) {
    return fail(ZipError(ZipFault::CantCreateOutput, path + " (" + std::strerror(error) + ")"));
  };
  auto keep = [&](const std::string& path, bool declined) {
    if (hooks_.onKept) hooks_.onKept(path, declined);
    return skip();
  };
  auto safe = SplitSafeEntryPath(name);
  if (!safe) return fail(ZipError("Unsafe entry name skipped: " + name));
  if (!settings_.recreateDirs) safe->directories.clear();
  std::string dirPath;
  const int dirFd = TargetDirectory(safe->directories, dirPath);
  const int dirError = errno;
  if (dirFd == kProtected) return fail(ZipError(ZipFault::ProtectedOutput));
  if (dirFd < 0) return cannotCreate(dirPath, dirError);
  if (safe->fileName.empty()) return skip();
  if (entry.flags & kFlagEncrypted) return fail(ZipError(ZipFault::DamagedEntryData));
  const std::string target = dirPath + "/" + safe->fileName;
  struct stat before {};
  const bool existed = fstatat(dirFd, safe->fileName.c_str(), &before, AT_SYMLINK_NOFOLLOW) == 0;
  // Never written through a link or over a folder.
  if (existed && !S_ISREG(before.st_mode)) return cannotCreate(target, S_ISDIR(before.st_mode) ? EISDIR : EEXIST);
  if (existed && IsProtected(before)) return fail(ZipError(ZipFault::ProtectedOutput));
  if (existed) {
    std::string inArchive;
    for (const std::string& d : safe->directories) inArchive += d + "/";
    const OverwriteCase at{safe->fileName,
                           inArchive + safe->fileName,
                           target,
                           static_cast<uint64_t>(before.st_size),
                           before.st_mtime,
                           entry.uncompressedSize,
                           FromDosDateTime(entry.dosDateTime)};
    const Decision decision = Decide(before, at, entry);
    if (decision != Decision::Replace) return keep(target, decision == Decision::Declined);
  }

  // Written unnamed (or under a private name), readable by its owner alone, and named (or
  // renamed over the target) only once whole and checked: a failure, a cancel or a kill
  // never costs the file that was there before, and no half-written file ever bears the
  // target's name.
  std::string partName;
  int outFd = existed || !CanLinkUnnamed() ? -1 : openat(dirFd, ".", O_WRONLY | O_TMPFILE | O_CLOEXEC, 0600);
  if (outFd < 0) {
    partName = PartName();
    outFd = openat(dirFd, partName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  }
  if (outFd < 0) return cannotCreate(target, errno);
  auto discard = [&] {
    if (!partName.empty()) unlinkat(dirFd, partName.c_str(), 0);
  };

  uint32_t crc = 0;
  Outcome outcome;
  try {
    outcome = Decode(entry, outFd, crc);
  } catch (...) {
    writer_.Finish();  // nothing may still be on its way to a closed descriptor
    close(outFd);
    discard();
    throw;
  }
  if (!writer_.Finish()) {
    close(outFd);
    discard();
    throw ZipError(ZipFault::CantWriteOutput);
  }
  if (outcome == Outcome::Complete) {
    const timespec times[2] = {{0, UTIME_OMIT}, {FromDosDateTime(entry.dosDateTime), 0}};
    futimens(outFd, times);
    const int mode = PermissionsFrom(entry.versionMadeBy, entry.externalAttributes);
    fchmod(outFd, settings_.retainAttributes && mode >= 0 ? static_cast<mode_t>(mode) : DefaultFileMode());
  }
  const bool whole = outcome == Outcome::Complete && crc == entry.crc;
  // An unnamed file is named while still open; a named one moves once closed.
  int moved = whole && partName.empty() ? LinkUnnamed(outFd, dirFd, safe->fileName.c_str()) : -1;
  if (close(outFd) != 0 && outcome == Outcome::Complete) {
    if (moved == 0) unlinkat(dirFd, safe->fileName.c_str(), 0);  // linked just now, by this call
    discard();
    throw ZipError(ZipFault::CantWriteOutput);
  }
  if (whole) {
    // A file that appeared meanwhile was never agreed to be replaced: it stays.
    if (!partName.empty()) moved = MoveIntoPlace(dirFd, partName.c_str(), safe->fileName.c_str(), existed);
    if (moved != 0) {
      discard();
      return moved == EEXIST ? keep(target, false) : cannotCreate(target, moved);
    }
    if (!existed) created_.push_back(target);
    if (existed && hooks_.onReplaced) hooks_.onReplaced(target);
    return true;
  }
  discard();
  // Its bytes were counted as they were written: it stays in the total.
  if (hooks_.onEntryError) {
    hooks_.onEntryError(
        ZipError(outcome == Outcome::TooLarge ? ZipFault::LargerThanStated : ZipFault::DamagedEntryData));
  }
  return false;
}

bool EntryExtractor::Test(const EntryInfo& entry, const std::string& name) {
  auto fail = [&](const ZipError& error) {
    if (hooks_.onEntryError) hooks_.onEntryError(error);
    return false;
  };
  if (!SplitSafeEntryPath(name)) return fail(ZipError("Unsafe entry name skipped: " + name));
  if (entry.flags & kFlagEncrypted) return fail(ZipError(ZipFault::DamagedEntryData));
  uint32_t crc = 0;
  const Outcome outcome = Decode(entry, -1, crc);
  if (outcome == Outcome::Complete && crc == entry.crc) return true;
  return fail(ZipError(outcome == Outcome::TooLarge ? ZipFault::LargerThanStated : ZipFault::DamagedEntryData, name));
}

void EntryExtractor::ReadInput(void* data, size_t size, uint64_t offset) {
  if (hooks_.checkCancel) hooks_.checkCancel();
  if (!ReadAt(archiveFd_, data, size, offset, mask_)) throw ZipError(ZipFault::PrematureEnd);
}

std::optional<uint64_t> EntryExtractor::DataStart(uint64_t offset, uint64_t packedSize) {
  unsigned char local[kLocalHeaderSize];
  // Written so that no stated offset or size, however large, can wrap past the checks.
  if (offset > archiveSize_ || archiveSize_ - offset < kLocalHeaderSize) throw ZipError(ZipFault::PrematureEnd);
  ReadInput(local, sizeof local, offset);
  if (ReadLe32(local) != kLocalSignature) return std::nullopt;
  const uint64_t dataStart = offset + kLocalHeaderSize + ReadLe16(local + 26) + ReadLe16(local + 28);
  if (dataStart > archiveSize_ || packedSize > archiveSize_ - dataStart) throw ZipError(ZipFault::PrematureEnd);
  return dataStart;
}

EntryExtractor::Outcome EntryExtractor::Decode(const EntryInfo& entry, int outFd, uint32_t& crc) {
  const std::optional<uint64_t> dataStart = DataStart(entry.localHeaderOffset, entry.compressedSize);
  if (!dataStart) return Outcome::Damaged;
  crc = 0;
  const bool zstd = entry.method == kMethodZstd && settings_.acceptZstd;
  if (entry.zstdGroup != kNoGroup) return zstd ? UnzstdMember(*dataStart, entry, outFd, crc) : Outcome::Damaged;
  if (entry.method == kMethodStored) return Copy(*dataStart, entry, outFd, crc);
  if (entry.method == kMethodDeflate) return Inflate(*dataStart, entry, outFd, crc);
  if (zstd) return Unzstd(*dataStart, entry, outFd, crc);
  return Outcome::Damaged;
}

// Writes one piece of output; false when it would pass the entry's stated size. A held
// piece stays unchanged until the entry ends, so it is written from where it is.
bool EntryExtractor::Emit(int outFd, const unsigned char* data, size_t size, uint64_t& written, const EntryInfo& entry,
                          uint32_t& crc, bool held) {
  if (size == 0) return true;
  if (written + size > entry.uncompressedSize) return false;
  // A small file is written at once: handing it to the writing thread and waiting for it
  // would cost more than the write.
  const bool small = entry.uncompressedSize <= kWriteAtOnce;
  const bool queued = outFd < 0 ? true  // only checked
                      : small   ? DiskWriteAllAt(outFd, data, size, written)
                      : held    ? writer_.WriteInPlace(outFd, written, data, size)
                                : writer_.Write(outFd, written, data, size);
  if (!queued) throw ZipError(ZipFault::CantWriteOutput);
  crc = libdeflate_crc32(crc, data, size);
  written += size;
  if (hooks_.onWritten) hooks_.onWritten(size);
  // Input pieces are large and may expand a lot: check here as well so cancel is prompt.
  if (hooks_.checkCancel) hooks_.checkCancel();
  return true;
}

EntryExtractor::Outcome EntryExtractor::Copy(uint64_t dataStart, const EntryInfo& entry, int outFd, uint32_t& crc) {
  uint64_t written = 0;
  // A whole entry held in memory is written from there; pieces of a larger one share a buffer.
  const bool whole = entry.compressedSize <= kWholeEntry;
  unsigned char* held = whole ? Room(wholeOut_, wholeOutRoom_, static_cast<size_t>(entry.compressedSize)) : nullptr;
  for (uint64_t done = 0; done < entry.compressedSize;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kInputPiece, entry.compressedSize - done));
    unsigned char* piece = whole ? held + done : inBuffer_.data();
    ReadInput(piece, n, dataStart + done);
    if (!Emit(outFd, piece, n, written, entry, crc, whole)) return Outcome::TooLarge;
    done += n;
  }
  return written == entry.uncompressedSize ? Outcome::Complete : Outcome::Damaged;
}

const unsigned char* EntryExtractor::ReadWhole(uint64_t dataStart, const EntryInfo& entry) {
  if (entry.compressedSize > kWholeEntry || entry.uncompressedSize > kWholeEntry) return nullptr;
  const size_t packedSize = static_cast<size_t>(entry.compressedSize);
  unsigned char* packed = Room(wholeIn_, wholeInRoom_, packedSize);
  for (size_t done = 0; done < packedSize;) {
    const size_t n = std::min(kInputPiece, packedSize - done);
    ReadInput(packed + done, n, dataStart + done);
    done += n;
  }
  Room(wholeOut_, wholeOutRoom_, static_cast<size_t>(entry.uncompressedSize));
  return packed;
}

EntryExtractor::Outcome EntryExtractor::EmitWhole(const unsigned char* plain, const EntryInfo& entry, int outFd,
                                                  uint32_t& crc) {
  const size_t plainSize = static_cast<size_t>(entry.uncompressedSize);
  uint64_t written = 0;
  for (size_t done = 0; done < plainSize;) {
    const size_t n = std::min(kOutputPiece, plainSize - done);
    if (!Emit(outFd, plain + done, n, written, entry, crc, true)) return Outcome::TooLarge;
    done += n;
  }
  return Outcome::Complete;
}

EntryExtractor::Outcome EntryExtractor::Inflate(uint64_t dataStart, const EntryInfo& entry, int outFd, uint32_t& crc) {
  // Data that do not inflate to the stated size take the streaming path, which tells what
  // is wrong with them.
  if (const unsigned char* packed = ReadWhole(dataStart, entry);
      packed && InflateBuffer(packed, static_cast<size_t>(entry.compressedSize), wholeOut_.get(),
                              static_cast<size_t>(entry.uncompressedSize))) {
    return EmitWhole(wholeOut_.get(), entry, outFd, crc);
  }
  return InflateStream(dataStart, entry, outFd, crc);
}

EntryExtractor::Outcome EntryExtractor::Unzstd(uint64_t dataStart, const EntryInfo& entry, int outFd, uint32_t& crc) {
  if (const unsigned char* packed = ReadWhole(dataStart, entry);
      packed && ZstdDecodeWhole(packed, static_cast<size_t>(entry.compressedSize), wholeOut_.get(),
                                static_cast<size_t>(entry.uncompressedSize))) {
    return EmitWhole(wholeOut_.get(), entry, outFd, crc);
  }
  return UnzstdStream(dataStart, entry, outFd, crc);
}

EntryExtractor::Outcome EntryExtractor::InflateStream(uint64_t dataStart, const EntryInfo& entry, int outFd,
                                                      uint32_t& crc) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) throw ZipError("Cannot start the decompressor");
  std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&z, inflateEnd);
  uint64_t consumed = 0, written = 0;
  for (;;) {
    if (z.avail_in == 0 && consumed < entry.compressedSize) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(kInputPiece, entry.compressedSize - consumed));
      ReadInput(inBuffer_.data(), n, dataStart + consumed);
      consumed += n;
      z.next_in = inBuffer_.data();
      z.avail_in = static_cast<uInt>(n);
    }
    z.next_out = outBuffer_.data();
    z.avail_out = static_cast<uInt>(outBuffer_.size());
    const int rc = inflate(&z, Z_NO_FLUSH);
    if (!Emit(outFd, outBuffer_.data(), outBuffer_.size() - z.avail_out, written, entry, crc)) return Outcome::TooLarge;
    if (rc == Z_STREAM_END) return written == entry.uncompressedSize ? Outcome::Complete : Outcome::Damaged;
    if (rc == Z_BUF_ERROR && z.avail_in == 0 && consumed >= entry.compressedSize)
      throw ZipError(ZipFault::PrematureEnd);
    if (rc != Z_OK && rc != Z_BUF_ERROR) return Outcome::Damaged;
  }
}

void EntryExtractor::KnowGroups(const std::vector<EntryInfo>& entries) {
  groups_.clear();
  for (const EntryInfo& e : entries)
    if (e.zstdGroup != kNoGroup)
      groups_[e.zstdGroup].push_back({e.localHeaderOffset, e.compressedSize, e.uncompressedSize});
  for (auto& [start, members] : groups_)
    std::sort(members.begin(), members.end(), [](const Member& a, const Member& b) { return a.offset < b.offset; });
  groupAt_ = brokenGroup_ = kNoGroup;
}

// Frames follow one another to the end of the entry's data; the entry is whole when its
// last frame ends exactly there, at the stated size.
EntryExtractor::Outcome EntryExtractor::UnzstdStream(uint64_t dataStart, const EntryInfo& entry, int outFd,
                                                     uint32_t& crc) {
  ZstdStream stream;
  uint64_t written = 0;
  return StreamZstd(
      stream, dataStart, entry.compressedSize, entry.uncompressedSize, true,
      [&](const unsigned char* data, size_t size) { return Emit(outFd, data, size, written, entry, crc); });
}

// An entry of a group decodes only after the entries before it in the group, from the
// group's first: those that were not extracted just now are decoded without being written.
// Each group is decoded once, forward: an entry that does not decode leaves the rest of its
// group undecodable, and a directory that lists an entry twice goes back in vain.
EntryExtractor::Outcome EntryExtractor::UnzstdMember(uint64_t dataStart, const EntryInfo& entry, int outFd,
                                                     uint32_t& crc) {
  const auto group = groups_.find(entry.zstdGroup);
  if (group == groups_.end() || group->second.front().offset != entry.zstdGroup) return Outcome::Damaged;
  const std::vector<Member>& members = group->second;
  const auto at = std::lower_bound(members.begin(), members.end(), entry.localHeaderOffset,
                                   [](const Member& m, uint64_t offset) { return m.offset < offset; });
  if (at == members.end() || at->offset != entry.localHeaderOffset) return Outcome::Damaged;
  const auto index = static_cast<size_t>(at - members.begin());
  if (entry.zstdGroup == brokenGroup_ || (entry.zstdGroup == groupAt_ && nextMember_ > index)) return Outcome::Damaged;
  if (groupAt_ != entry.zstdGroup) {
    groupStream_ = std::make_unique<ZstdStream>();
    groupAt_ = entry.zstdGroup;
    nextMember_ = 0;
  }
  Outcome outcome = Outcome::Complete;
  for (; nextMember_ < index && outcome == Outcome::Complete; ++nextMember_) {
    const Member& m = members[nextMember_];
    const std::optional<uint64_t> start = DataStart(m.offset, m.packedSize);
    const auto skip = [](const unsigned char*, size_t) { return true; };
    outcome = start ? StreamZstd(*groupStream_, *start, m.packedSize, m.plainSize, false, skip) : Outcome::Damaged;
  }
  uint64_t written = 0;
  if (outcome == Outcome::Complete) {
    outcome = StreamZstd(
        *groupStream_, dataStart, entry.compressedSize, entry.uncompressedSize, false,
        [&](const unsigned char* data, size_t size) { return Emit(outFd, data, size, written, entry, crc); });
  }
  if (outcome != Outcome::Complete) {
    brokenGroup_ = entry.zstdGroup;
    groupAt_ = kNoGroup;
    return outcome;
  }
  nextMember_ = index + 1;
  return outcome;
}

EntryExtractor::Outcome EntryExtractor::StreamZstd(ZstdStream& stream, uint64_t dataStart, uint64_t packedSize,
                                                   uint64_t plainSize, bool frameEnds, const Sink& sink) {
  uint64_t consumed = 0, written = 0;
  const unsigned char* in = nullptr;
  size_t inSize = 0;
  ZstdStream::Step step = ZstdStream::Step::FrameEnd;
  // The last output piece filled its buffer: the decoder may hold more, unless that call
  // ended a frame (then it held nothing back, and another call would only look for the next).
  bool full = false;
  for (;;) {
    if (inSize == 0 && consumed < packedSize) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(kInputPiece, packedSize - consumed));
      ReadInput(inBuffer_.data(), n, dataStart + consumed);
      consumed += n;
      in = inBuffer_.data();
      inSize = n;
    }
    if (inSize == 0 && consumed >= packedSize && !full) {
      if (frameEnds && step != ZstdStream::Step::FrameEnd) throw ZipError(ZipFault::PrematureEnd);
      return written == plainSize ? Outcome::Complete : Outcome::Damaged;
    }
    size_t produced = outBuffer_.size();
    step = stream.Decode(in, inSize, outBuffer_.data(), produced);
    if (step == ZstdStream::Step::Damaged) return Outcome::Damaged;
    full = produced == outBuffer_.size() && step != ZstdStream::Step::FrameEnd;
    if (produced > plainSize - written || !sink(outBuffer_.data(), produced)) return Outcome::TooLarge;
    written += produced;
  }
}

}  // namespace kestramo::zip

// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/durable_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include <algorithm>
#include <cstdint>
#include <system_error>

#include "storage/disk/disk_write.h"
#include "storage/disk/file_handle.h"
#include "storage/disk/regular_file.h"

namespace kestramo {

namespace fs = std::filesystem;

namespace {

// Removes a leftover without losing the errno of the call that failed before it, for the
// caller's message.
void RemoveKeepingErrno(const fs::path& file) {
  const int error = errno;
  std::error_code ec;
  fs::remove(file, ec);
  errno = error;
}

bool WriteSynced(const fs::path& file, const std::vector<uint8_t>& bytes) {
  ::unlink(file.c_str());  // a staging file is always new: whatever bore its name, links included, goes
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = DiskWriteAll(fd, bytes.data(), bytes.size()) && DiskSync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  return ok;
}

}  // namespace

bool SyncDirectory(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = DiskSync(fd) == 0;
  ::close(fd);
  return ok;
}

void SyncDirectory(const fs::path& dir, std::string* unsynced) {
  if (SyncDirectory(dir) || !unsynced->empty()) return;
  *unsynced = "the folder " + dir.string() + " could not be flushed to the disk (" + std::strerror(errno) + ")";
}

bool SyncFile(const fs::path& file) {
  const int fd = OpenRegularFile(file);
  if (fd < 0) return false;
  const bool ok = DiskSync(fd) == 0;
  ::close(fd);
  return ok;
}

bool ReplaceFileDurably(const fs::path& target, const fs::path& staging, const std::vector<uint8_t>& bytes,
                        std::string* unsynced) {
  if (!WriteSynced(staging, bytes)) {
    RemoveKeepingErrno(staging);
    return false;
  }
  if (::rename(staging.c_str(), target.c_str()) != 0) {
    // The staging file may sit on another file system: stage again beside the target.
    fs::path beside = target;
    beside += ".new";
    const bool moved = WriteSynced(beside, bytes) && ::rename(beside.c_str(), target.c_str()) == 0;
    RemoveKeepingErrno(staging);
    if (!moved) {
      RemoveKeepingErrno(beside);
      return false;
    }
  }
  SyncDirectory(target.parent_path(), unsynced);
  if (staging.parent_path() != target.parent_path()) SyncDirectory(staging.parent_path(), unsynced);
  return true;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const fs::path& file, uint64_t maxBytes, std::string* why,
                                                  bool* readFailed) {
  return ReadFileHead(file, maxBytes, SIZE_MAX, why, readFailed);
}

std::optional<std::vector<uint8_t>> ReadFileHead(const fs::path& file, uint64_t maxBytes, std::size_t headBytes,
                                                 std::string* why, bool* readFailed) {
  if (readFailed) *readFailed = false;
  auto failed = [&](int error) {
    if (readFailed) *readFailed = true;
    if (why) *why = std::strerror(error);
    return std::nullopt;
  };
  errno = 0;
  FileHandle in(OpenRegularFile(file, why));
  if (in.Get() < 0) {
    // What is there (or is not) answers with its own error; the disk's failures do not.
    const int error = errno;
    const bool disk = error == EIO || error == ENOSPC || error == ENOMEM || error == EMFILE || error == ENFILE ||
                      error == EAGAIN || error == EBUSY || error == EDQUOT || error == EINTR;
    if (disk && readFailed) *readFailed = true;
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(in.Get(), &st) != 0) return failed(errno);
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (size > maxBytes) {
    if (why) *why = "it is larger than " + std::to_string(maxBytes) + " bytes";
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(static_cast<std::size_t>(std::min<uint64_t>(size, headBytes)));
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(in.Get(), bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return failed(errno);
    if (n == 0) break;  // cut short while read: what is there is all there is
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

bool CopyFileDurably(const fs::path& source, const fs::path& target, std::string* unsynced) {
  const auto bytes = ReadWholeFile(source);
  if (!bytes) return false;
  fs::path staging = target;
  staging += ".tmp";
  return ReplaceFileDurably(target, staging, *bytes, unsynced);
}

}  // namespace kestramo

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
#include "storage/disk/read_full.h"
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
  const int fd = OpenRegularFile(file).value_or(-1);
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

api::Result<std::vector<uint8_t>> ReadWholeFile(const fs::path& file, uint64_t maxBytes) {
  return ReadFileHead(file, maxBytes, SIZE_MAX);
}

api::Result<std::vector<uint8_t>> ReadFileHead(const fs::path& file, uint64_t maxBytes, std::size_t headBytes) {
  auto failed = [&](int error) { return api::Status::Fail(api::Code::IoError, std::strerror(error), file); };
  const auto opened = OpenRegularFile(file);
  if (!opened.ok()) return opened.status();
  FileHandle in(*opened);
  struct stat st {};
  if (::fstat(in.Get(), &st) != 0) return failed(errno);
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (size > maxBytes)
    return api::Status::Fail(api::Code::Damaged, "it is larger than " + std::to_string(maxBytes) + " bytes", file);
  std::vector<uint8_t> bytes(static_cast<std::size_t>(std::min<uint64_t>(size, headBytes)));
  const ssize_t got = ReadFull(in.Get(), bytes.data(), bytes.size());
  if (got < 0) return failed(errno);
  bytes.resize(static_cast<std::size_t>(got));  // cut short while read: what is there is all there is
  return bytes;
}

bool CopyFileDurably(const fs::path& source, const fs::path& target, std::string* unsynced) {
  const auto bytes = ReadWholeFile(source);
  if (!bytes.ok()) return false;
  fs::path staging = target;
  staging += ".tmp";
  return ReplaceFileDurably(target, staging, *bytes, unsynced);
}

}  // namespace kestramo

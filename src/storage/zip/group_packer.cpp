// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/zip/group_packer.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "storage/disk/read_full.h"
#include "storage/zip/zstd_codec.h"

namespace kestramo::zip {
namespace {

// Reads up to `size` bytes: a file that shrank ends where it did. Nothing when reading
// failed: a file is never stored in part without a word.
std::optional<size_t> ReadUpTo(int fd, unsigned char* data, size_t size) {
  const ssize_t got = ReadFull(fd, data, size);
  if (got < 0) return std::nullopt;
  return static_cast<size_t>(got);
}

// The folder of the last file opened stays open: the files of a group mostly share their
// folders, and are then looked up there rather than down their whole paths.
class FolderCache {
 public:
  FolderCache() = default;
  FolderCache(const FolderCache&) = delete;
  FolderCache& operator=(const FolderCache&) = delete;
  ~FolderCache() {
    if (fd_ >= 0) close(fd_);
  }

  int Open(const std::string& path, struct stat& st) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return OpenSourceFile(AT_FDCWD, path.c_str(), st);
    if (folder_.size() != slash || path.compare(0, slash, folder_) != 0) {
      if (fd_ >= 0) close(fd_);
      folder_.assign(path, 0, slash);
      fd_ = open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    return fd_ < 0 ? OpenSourceFile(AT_FDCWD, path.c_str(), st) : OpenSourceFile(fd_, path.c_str() + slash + 1, st);
  }

 private:
  std::string folder_;
  int fd_ = -1;
};

}  // namespace

int OpenSourceFile(int folder, const char* name, struct stat& st) {
  const int fd = openat(folder, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    errno = EINVAL;
    return -1;
  }
  return fd;
}

void PackGroup(std::vector<GroupFile> files, uint64_t bytes, const std::function<void(GroupFile&&)>& done) {
  ZstdGroupWriter writer(static_cast<size_t>(bytes));
  // The last file in the frame so far waits for the next one: the frame's end joins the last.
  std::optional<GroupFile> held;
  FolderCache folders;
  for (GroupFile& file : files) {
    const int fd = folders.Open(file.path, file.st);
    unsigned char* room = nullptr;
    if (fd < 0) {
      file.status = GroupFile::Status::LeftOut;
    } else if (static_cast<uint64_t>(file.st.st_size) > kZstdGroupFileBytes ||
               !(room = writer.Room(static_cast<size_t>(file.st.st_size)))) {
      file.status = GroupFile::Status::Grown;
    } else if (const std::optional<size_t> got = ReadUpTo(fd, room, static_cast<size_t>(file.st.st_size))) {
      file.status = GroupFile::Status::Packed;
      file.size = *got;
      file.crc = libdeflate_crc32(0, room, file.size);
    } else {
      file.status = GroupFile::Status::LeftOut;
    }
    if (fd >= 0) close(fd);
    if (file.size == 0) {  // nothing to pack: stored empty
      done(std::move(file));
      continue;
    }
    // Even already-compressed files join: the same one often comes more than once.
    writer.Add(file.size, file.data);
    file.compressed = file.inFrame = true;
    if (held) done(std::move(*held));
    held = std::move(file);
  }
  if (held) {
    writer.End(held->data);
    done(std::move(*held));
  }
}

}  // namespace kestramo::zip

// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/private_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "kestramo/vault_location.h"
#include "storage/disk/disk_write.h"
#include "storage/disk/file_handle.h"
#include "storage/disk/read_full.h"
#include "storage/disk/regular_file.h"

namespace kestramo {

namespace fs = std::filesystem;

namespace {

// Why an open folder or file may not hold the user's private state; empty when it may.
std::string NotPrivate(int fd, bool folder) {
  if (std::string unfit = UnfitFileProblem(fd, folder); !unfit.empty()) return unfit;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::strerror(errno);
  if ((st.st_mode & 077) == 0) return {};
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
  return std::string("other users can reach it (mode ") + mode + "); it must be " + (folder ? "0700" : "0600");
}

// The folder of `file`, opened and checked (its descriptor); NotFound when it does not exist
// and may not be made.
api::Result<int> OpenPrivateFolder(const fs::path& dir, bool create) {
  if (create && !api::MakePrivateDir(dir)) return FileFault(api::Code::IoError, dir, "it cannot be made");
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    return FileFault(OpenFailureCode(error), dir, OpenErrorText(error));
  }
  if (const std::string problem = NotPrivate(fd, true); !problem.empty()) {
    ::close(fd);
    return FileFault(api::Code::Refused, dir, problem);
  }
  return fd;
}

}  // namespace

api::Result<std::string> ReadPrivateFile(const fs::path& file, uint64_t maxBytes) {
  auto folderFd = OpenPrivateFolder(file.parent_path(), false);
  if (!folderFd.ok()) {
    if (folderFd.status().code == api::Code::NotFound) return std::string();  // nothing recorded yet
    return folderFd.status();
  }
  FileHandle folder(*folderFd);
  const std::string name = file.filename().string();
  FileHandle in(::openat(folder.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (in.Get() < 0 && errno == ENOENT) return std::string();
  if (in.Get() < 0) {
    const int error = errno;
    return FileFault(OpenFailureCode(error), file, OpenErrorText(error));
  }
  if (const std::string problem = NotPrivate(in.Get(), false); !problem.empty())
    return FileFault(api::Code::Refused, file, problem);
  struct stat st {};
  if (::fstat(in.Get(), &st) != 0) return FileFault(api::Code::IoError, file, std::strerror(errno));
  if (static_cast<uint64_t>(st.st_size) > maxBytes)
    return FileFault(api::Code::Damaged, file, "it is larger than " + std::to_string(maxBytes) + " bytes");
  std::string text(static_cast<std::size_t>(st.st_size), '\0');
  const ssize_t got = ReadFullAt(in.Get(), text.data(), text.size(), 0);
  if (got < 0) return FileFault(api::Code::IoError, file, std::strerror(errno));
  text.resize(static_cast<std::size_t>(got));
  return text;
}

api::Status WritePrivateFile(const fs::path& file, const std::string& text) {
  auto folderFd = OpenPrivateFolder(file.parent_path(), true);
  if (!folderFd.ok()) return folderFd.status();
  FileHandle folder(*folderFd);
  const std::string name = file.filename().string();
  const std::string staging = name + ".tmp";
  ::unlinkat(folder.Get(), staging.c_str(), 0);  // a staging file is always new, links included
  FileHandle out(::openat(folder.Get(), staging.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (out.Get() < 0) return FileFault(api::Code::IoError, file.parent_path() / staging, OpenErrorText(errno));
  const bool written = DiskWriteAll(out.Get(), text.data(), text.size()) && DiskSync(out.Get()) == 0;
  if (!written || out.Close() != 0) {
    const int error = errno;
    ::unlinkat(folder.Get(), staging.c_str(), 0);
    return FileFault(WriteFailureCode(error), file,
                     std::string("it could not be written (") + std::strerror(error) + ")");
  }
  if (::renameat(folder.Get(), staging.c_str(), folder.Get(), name.c_str()) != 0) {
    const int error = errno;
    ::unlinkat(folder.Get(), staging.c_str(), 0);
    return FileFault(api::Code::IoError, file, std::string("it could not be replaced (") + std::strerror(error) + ")");
  }
  if (DiskSync(folder.Get()) != 0)
    return FileFault(api::Code::IoError, file,
                     std::string("it was written, but not flushed to the disk (") + std::strerror(errno) + ")");
  return api::Status::Ok();
}

}  // namespace kestramo

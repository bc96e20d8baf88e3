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

// The folder of `file`, opened and checked; -1 with *why, or -1 with *missing when it does
// not exist and may not be made.
int OpenPrivateFolder(const fs::path& dir, bool create, bool* missing, std::string* why) {
  if (create && !MakePrivateDir(dir)) {
    FailWith(why, dir, "it cannot be made");
    return -1;
  }
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT && missing) {
      *missing = true;  // nothing recorded yet: not a failure
      return -1;
    }
    FailWith(why, dir, OpenErrorText(errno));
    return -1;
  }
  if (const std::string problem = NotPrivate(fd, true); !problem.empty()) {
    ::close(fd);
    FailWith(why, dir, problem);
    return -1;
  }
  return fd;
}

}  // namespace

std::optional<std::string> ReadPrivateFile(const fs::path& file, uint64_t maxBytes, std::string* why) {
  auto fail = [&](const std::string& problem) -> std::optional<std::string> {
    FailWith(why, file, problem);
    return std::nullopt;
  };
  bool missing = false;
  FileHandle folder(OpenPrivateFolder(file.parent_path(), false, &missing, why));
  if (folder.Get() < 0) return missing ? std::optional<std::string>("") : std::nullopt;
  const std::string name = file.filename().string();
  FileHandle in(::openat(folder.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (in.Get() < 0 && errno == ENOENT) return std::string();
  if (in.Get() < 0) return fail(OpenErrorText(errno));
  if (const std::string problem = NotPrivate(in.Get(), false); !problem.empty()) return fail(problem);
  struct stat st {};
  if (::fstat(in.Get(), &st) != 0 || static_cast<uint64_t>(st.st_size) > maxBytes) {
    return fail("it is larger than " + std::to_string(maxBytes) + " bytes");
  }
  std::string text(static_cast<std::size_t>(st.st_size), '\0');
  std::size_t got = 0;
  while (got < text.size()) {
    const ssize_t n = ::pread(in.Get(), text.data() + got, text.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(std::strerror(errno));
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  text.resize(got);
  return text;
}

bool WritePrivateFile(const fs::path& file, const std::string& text, std::string* why) {
  FileHandle folder(OpenPrivateFolder(file.parent_path(), true, nullptr, why));
  if (folder.Get() < 0) return false;
  const std::string name = file.filename().string();
  const std::string staging = name + ".tmp";
  ::unlinkat(folder.Get(), staging.c_str(), 0);  // a staging file is always new, links included
  FileHandle out(::openat(folder.Get(), staging.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (out.Get() < 0) return FailWith(why, file.parent_path() / staging, OpenErrorText(errno));
  const bool written = DiskWriteAll(out.Get(), text.data(), text.size()) && DiskSync(out.Get()) == 0;
  if (!written || out.Close() != 0) {
    const int error = errno;
    ::unlinkat(folder.Get(), staging.c_str(), 0);
    return FailWith(why, file, std::string("it could not be written (") + std::strerror(error) + ")");
  }
  if (::renameat(folder.Get(), staging.c_str(), folder.Get(), name.c_str()) != 0) {
    const int error = errno;
    ::unlinkat(folder.Get(), staging.c_str(), 0);
    return FailWith(why, file, std::string("it could not be replaced (") + std::strerror(error) + ")");
  }
  if (DiskSync(folder.Get()) != 0)
    return FailWith(why, file,
                    std::string("it was written, but not flushed to the disk (") + std::strerror(errno) + ")");
  return true;
}

}  // namespace kestramo

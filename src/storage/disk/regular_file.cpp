// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/disk/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kestramo {

namespace {

const char* KindOf(mode_t mode) {
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISREG(mode)) return "a file";
  return "of an unknown kind";
}

api::Result<int> Checked(int fd, const std::filesystem::path& file) {
  if (fd < 0) {
    const int error = errno;
    return api::Status::Fail(OpenFailureCode(error), OpenErrorText(error), file);
  }
  if (const std::string problem = UnfitFileProblem(fd); !problem.empty()) {
    ::close(fd);
    return api::Status::Fail(api::Code::Refused, problem, file);
  }
  // Regular files never block: reads after this behave as usual.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

}  // namespace

std::string KindText(mode_t mode) { return KindOf(mode); }

api::Code OpenFailureCode(int error) {
  switch (error) {
    case EIO:
    case ENOSPC:
    case ENOMEM:
    case EMFILE:
    case ENFILE:
    case EAGAIN:
    case EBUSY:
    case EDQUOT:
    case EINTR: return api::Code::IoError;
    case ENOENT: return api::Code::NotFound;
    default: return api::Code::Refused;
  }
}

api::Status FileFault(api::Code code, const std::filesystem::path& path, const std::string& problem) {
  return api::Status::Fail(code, path.string() + ": " + problem, path);
}

std::string OpenErrorText(int error) {
  switch (error) {
    case ELOOP: return "it is a symbolic link, which is never followed";
    case ENOENT: return "it is missing";
    case EACCES:
    case EPERM: return "permission denied";
    case ENOTDIR: return "a part of its path is not a folder";
    default: return std::strerror(error);
  }
}

std::string UnfitFileProblem(int fd, bool folder) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::strerror(errno);
  if (folder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) {
    return std::string("it is ") + KindOf(st.st_mode) + ", not " + (folder ? "a folder" : "a regular file");
  }
  if (st.st_uid != ::geteuid()) return "it belongs to another user";
  return {};
}

api::Result<int> OpenRegularFile(const std::filesystem::path& file) {
  return Checked(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC), file);
}

}  // namespace kestramo

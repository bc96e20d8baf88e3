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

int Checked(int fd, std::string* why) {
  if (fd < 0) {
    if (why) *why = OpenErrorText(errno);
    return -1;
  }
  if (const std::string problem = UnfitFileProblem(fd); !problem.empty()) {
    if (why) *why = problem;
    ::close(fd);
    return -1;
  }
  // Regular files never block: reads after this behave as usual.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

}  // namespace

std::string KindText(mode_t mode) { return KindOf(mode); }

bool FailWith(std::string* why, const std::filesystem::path& path, const std::string& problem) {
  if (why) *why = path.string() + ": " + problem;
  return false;
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

int OpenRegularFile(const std::filesystem::path& file, std::string* why) {
  return Checked(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC), why);
}

}  // namespace kestramo

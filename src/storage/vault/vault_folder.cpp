// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/vault_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>

#include "storage/disk/regular_file.h"

namespace kestramo {

namespace fs = std::filesystem;

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// A folder of the vault that cannot be used: the vault is not opened through it.
api::Status Unusable(const fs::path& path, const std::string& problem) {
  return FileFault(api::Code::Refused, path, problem);
}

}  // namespace

fs::path DescriptorPath(int fd) { return fs::path("/proc/self/fd") / std::to_string(fd); }

VaultFolder::~VaultFolder() {
  for (int fd : subs_) {
    if (fd >= 0) ::close(fd);
  }
  if (base_ >= 0) ::close(base_);
}

api::Status VaultFolder::Open(const fs::path& base, bool create) {
  made_ = false;
  if (base_ < 0) {
    std::error_code ec;
    if (create && fs::create_directories(base, ec)) fs::permissions(base, fs::perms::owner_all, ec);
    char resolved[PATH_MAX];
    if (::realpath(base.c_str(), resolved) == nullptr) return Unusable(base, OpenErrorText(errno));
    const int fd = ::open(resolved, kFolderFlags);
    if (fd < 0) return Unusable(base, OpenErrorText(errno));
    if (const std::string problem = UnfitFileProblem(fd, true); !problem.empty()) {
      ::close(fd);
      return Unusable(base, problem);
    }
    base_ = fd;
    canonical_ = resolved;
  }
  for (int sub = 0; sub < kSubCount; ++sub) {
    if (api::Status opened = OpenSub(static_cast<Sub>(sub), create, base / kSubNames[sub]); !opened.ok()) return opened;
  }
  return api::Status::Ok();
}

api::Status VaultFolder::OpenSub(Sub sub, bool create, const fs::path& shown) {
  if (subs_[sub] >= 0) return api::Status::Ok();
  const char* name = kSubNames[sub];
  // The user's alone, whatever the umask: temp/ holds plain archives for a while.
  if (create && ::mkdirat(base_, name, 0700) == 0) made_ = true;
  const int fd = ::openat(base_, name, kFolderFlags | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT && !create) return api::Status::Ok();  // not there yet: nothing to hold
    struct stat st {};
    // O_DIRECTORY refuses a link, FIFO, socket or device with ENOTDIR: say which it is.
    if (errno == ENOTDIR && ::fstatat(base_, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
      return Unusable(shown, "it is " + KindText(st.st_mode) + ", not a folder");
    }
    return Unusable(shown, OpenErrorText(errno));
  }
  if (const std::string problem = UnfitFileProblem(fd, true); !problem.empty()) {
    ::close(fd);
    return Unusable(shown, problem);
  }
  subs_[sub] = fd;
  return api::Status::Ok();
}

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/vault_lock.h"
#include "storage/vault/vault_layout.h"

#include "storage/disk/regular_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace kestramo {

VaultLock::~VaultLock() { Release(); }

std::filesystem::path VaultLock::LockFileOf(const std::filesystem::path& vaultBase) {
  return vaultBase / kLockFileName;
}

bool VaultLock::TryAcquire(const std::filesystem::path& vaultBase) {
  VaultFolder folder;
  if (const api::Status opened = folder.Open(vaultBase, false); !opened.ok()) {
    Release();
    error_ = ENOENT;
    problem_ = opened.message;
    return false;
  }
  return TryAcquireIn(folder.BaseFd());
}

bool VaultLock::TryAcquireIn(int vaultFolder) {
  Release();
  error_ = 0;
  problem_.clear();
  const int fd = ::openat(vaultFolder, kLockFileName, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd < 0) {
    error_ = errno;
    problem_ = std::string(kLockFileName) + ": " + OpenErrorText(error_);
    return false;
  }
  if (const std::string unfit = UnfitFileProblem(fd); !unfit.empty()) {
    error_ = EINVAL;
    problem_ = std::string(kLockFileName) + ": " + unfit;
    ::close(fd);
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error_ = errno;
    problem_ = std::strerror(error_);
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

bool VaultLock::HeldElsewhere() const { return error_ == EWOULDBLOCK; }

std::string VaultLock::Problem() const { return problem_; }

void VaultLock::Release() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace kestramo

#include "storage/vault/vault_lock.h"
#include "storage/vault/vault_layout.h"

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
  Release();
  error_ = 0;
  const int fd = ::open(LockFileOf(vaultBase).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    error_ = errno;
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error_ = errno;
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

bool VaultLock::HeldElsewhere() const { return error_ == EWOULDBLOCK; }

std::string VaultLock::Problem() const { return error_ ? std::strerror(error_) : std::string(); }

void VaultLock::Release() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace kestramo

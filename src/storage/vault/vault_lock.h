// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

namespace kestramo {

// An exclusive lock on a vault, held by a program of ours while it may write the vault.
// The kernel releases it when the process ends, so a crash never leaves a stale lock.
class VaultLock {
 public:
  VaultLock() = default;
  ~VaultLock();
  VaultLock(const VaultLock&) = delete;
  VaultLock& operator=(const VaultLock&) = delete;

  // False when another process holds the vault (or the lock file cannot be made). The lock
  // file is never reached through a link, nor taken when it is anything but a file of this
  // user's: a planted link must not make the program create a file elsewhere.
  bool TryAcquire(const std::filesystem::path& vaultBase);
  // The same in the vault's folder opened already.
  bool TryAcquireIn(int vaultFolder);
  bool Held() const { return fd_ >= 0; }
  // After a failed TryAcquire: whether another process holds the vault, or else why the
  // lock file could not be made (an unwritable directory, say).
  bool HeldElsewhere() const;
  std::string Problem() const;
  void Release();

  // The lock file, beside coffrel/ (never inside temp/, whose files get deleted).
  static std::filesystem::path LockFileOf(const std::filesystem::path& vaultBase);

 private:
  int fd_ = -1;
  int error_ = 0;        // errno of the last failed TryAcquire
  std::string problem_;  // why it failed, in words
};

}  // namespace kestramo

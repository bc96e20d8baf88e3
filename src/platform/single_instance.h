// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kestramo {

// The runtime directory when it is the user's own, else the first of a few per-user names in
// the temporary directory that is, or can be made, private (0700, the user's). Every copy
// tries the names in the same order, so they meet at the same lock and raise socket. Empty
// when none is usable.
QString PrivateRuntimeDir();

// One running copy per user: an exclusive lock on a file named after the program in a folder
// that belongs to the user alone: the runtime directory, else a folder in the temporary
// directory whose name carries the user's id, made 0700 and checked for owner and mode (one
// that another user made is passed over for the next name). The kernel drops the lock when
// the process ends, so a crash never leaves a stale one.
class SingleInstance {
 public:
  explicit SingleInstance(const QString& name = QStringLiteral("Quorvanth KESTRAMO 1.0"));
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when another process holds the lock; then this one holds nothing.
  bool IsAlreadyRunning() const { return fd_ < 0 && held_elsewhere_; }
  // Why this copy holds no lock, for the user: another copy runs, or no private place was
  // found. Empty while the lock is held.
  const QString& Problem() const { return problem_; }

 private:
  int fd_ = -1;
  bool held_elsewhere_ = false;
  QString problem_;
};

}  // namespace kestramo

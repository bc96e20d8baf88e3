#pragma once

#include <QString>

namespace kestramo {

// One running copy per user: an exclusive lock on a file named after the program in the
// user's runtime directory. The kernel drops the lock when the process ends, so a crash
// never leaves a stale one.
class SingleInstance {
 public:
  explicit SingleInstance(const QString& name = QStringLiteral("Quorvanth KESTRAMO 1.0"));
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when another process holds the lock; then this one holds nothing.
  bool IsAlreadyRunning() const { return fd_ < 0 && held_elsewhere_; }

 private:
  int fd_ = -1;
  bool held_elsewhere_ = false;
};

}  // namespace kestramo

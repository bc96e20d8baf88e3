// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

namespace kestramo {
namespace {

// A folder only this user can reach: a real directory (not a link), owned by the user, with
// no access for group or others.
bool IsPrivateDir(const QString& dir) {
  struct stat st {};
  return ::lstat(QFile::encodeName(dir).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
         (st.st_mode & 077) == 0;
}

}  // namespace

QString PrivateRuntimeDir() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (QDir::isAbsolutePath(runtime) && IsPrivateDir(runtime)) return runtime;
  const QString stem = QDir(QDir::tempPath()).filePath(QStringLiteral("kestramo-%1").arg(::getuid()));
  for (int attempt = 0; attempt < 8; ++attempt) {
    const QString dir = attempt == 0 ? stem : stem + QStringLiteral(".%1").arg(attempt);
    ::mkdir(QFile::encodeName(dir).constData(), 0700);  // may exist already: checked below
    if (IsPrivateDir(dir)) return dir;
  }
  return {};
}

SingleInstance::SingleInstance(const QString& name) {
  const QString dir = PrivateRuntimeDir();
  if (dir.isEmpty()) {
    problem_ = QStringLiteral(
                   "no private folder for the lock that keeps to one running copy "
                   "(XDG_RUNTIME_DIR is not usable, and the names in %1 belong to "
                   "others); starting without it")
                   .arg(QDir::tempPath());
    return;
  }
  const QString path = QDir(dir).filePath(name + QStringLiteral(".lock"));
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    const int error = errno;
    problem_ = QStringLiteral("the lock %1 cannot be opened (%2); starting without it")
                   .arg(path, QString::fromLocal8Bit(std::strerror(error)));
    return;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    held_elsewhere_ = true;
    problem_ = QStringLiteral("KESTRAMO is already running for this user (it holds %1)").arg(path);
    return;
  }
  fd_ = fd;
}

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace kestramo

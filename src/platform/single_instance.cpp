#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QStandardPaths>

namespace kestramo {

SingleInstance::SingleInstance(const QString& name) {
  QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (dir.isEmpty() || !QDir(dir).exists()) dir = QDir::tempPath();
  const QByteArray path = QDir(dir).filePath(name + QStringLiteral(".lock")).toLocal8Bit();
  const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;  // no lock file possible: run rather than refuse
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    held_elsewhere_ = true;
    return;
  }
  fd_ = fd;
}

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace kestramo

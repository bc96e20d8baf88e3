// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mounted_volumes.h"

#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <algorithm>

namespace kestramo {

namespace {

const QString kFileSystemRoot = QStringLiteral("/");

QString CaptionOf(const QStorageInfo& storage) {
  if (!storage.name().isEmpty()) return storage.name();
  return QFileInfo(storage.rootPath()).fileName();
}

}  // namespace

bool IsRealFileSystem(const QString& type, const QString& device) {
  // Network shares are real folders even though no block device backs them.
  static const QSet<QString> network{"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p", "virtiofs"};
  if (network.contains(type)) return true;
  // Package images and overlays come from devices too, but hold nothing of the user's.
  if (type == QLatin1String("squashfs") || type == QLatin1String("overlay")) return false;
  return device.startsWith(QLatin1String("/dev/"));
}

QList<Volume> MountedVolumes() {
  QList<Volume> volumes{{kFileSystemRoot, QStringLiteral("File System")}};
  QSet<QString> seen{kFileSystemRoot};
  QList<Volume> others;
  for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
    const QString root = storage.rootPath();
    if (seen.contains(root) || !storage.isValid() || !QFileInfo(root).isDir()) continue;
    if (!IsRealFileSystem(QString::fromLatin1(storage.fileSystemType()), QString::fromLocal8Bit(storage.device())))
      continue;
    seen.insert(root);
    others.append({root, CaptionOf(storage)});
  }
  std::sort(others.begin(), others.end(), [](const Volume& a, const Volume& b) { return a.rootPath < b.rootPath; });
  return volumes + others;
}

}  // namespace kestramo

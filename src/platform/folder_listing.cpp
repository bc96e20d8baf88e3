// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/folder_listing.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace kestramo {

namespace {

constexpr QDir::Filters kFolders = QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden;

// QDir gives no failure for a folder it cannot open; opendir's own answer decides.
bool CanOpen(const QString& path) {
  const QFileInfo info(path);
  return info.isDir() && ::access(QFile::encodeName(path).constData(), R_OK | X_OK) == 0;
}

}  // namespace

std::optional<QList<FolderEntry>> ListFolders(const QString& path, const FolderFilter& accept) {
  if (!CanOpen(path)) return std::nullopt;
  QList<FolderEntry> folders;
  const QFileInfoList found = QDir(path).entryInfoList(kFolders, QDir::NoSort);
  folders.reserve(found.size());
  for (const QFileInfo& info : found) {
    const QString folder = info.absoluteFilePath();
    if (accept && !accept(folder, info.fileName())) continue;
    folders.append({folder, info.fileName(), HasSubFolders(folder, accept)});
  }
  return folders;
}

bool HasSubFolders(const QString& path, const FolderFilter& accept) {
  if (!CanOpen(path)) return true;
  QDirIterator it(path, kFolders);
  if (!accept) return it.hasNext();
  while (it.hasNext()) {
    it.next();
    if (accept(it.filePath(), it.fileName())) return true;
  }
  return false;
}

bool IsWritableDirectory(const QString& path) {
  return !path.isEmpty() && QFileInfo(path).isDir() && ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
}

std::optional<QString> MakeFolder(const QString& parent, const QString& name) {
  if (name.trimmed().isEmpty()) return QStringLiteral("Please type a name for the new folder.");
  if (name.contains(QLatin1Char('/')) || name == QLatin1String(".") || name == QLatin1String(".."))
    return QStringLiteral("A folder's name cannot hold \"/\", nor be \".\" or \"..\".");
  const QString path = WithoutTrailingSlash(parent) + QLatin1Char('/') + name;
  if (::mkdir(QFile::encodeName(path).constData(), 0777) == 0) return std::nullopt;
  const int error = errno;
  if (error == EEXIST) return QStringLiteral("\"%1\" already exists in %2.").arg(name, parent);
  return QStringLiteral("The folder \"%1\" could not be made in %2: %3.")
      .arg(name, parent, QString::fromLocal8Bit(std::strerror(error)));
}

QString WithoutTrailingSlash(QString path) {
  while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
  return path;
}

}  // namespace kestramo

#include "platform/folder_listing.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace kestramo {

namespace {

constexpr QDir::Filters kFolders = QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden;

// QDir gives no failure for a folder it cannot open; opendir's own answer decides.
bool CanOpen(const QString& path) {
  const QFileInfo info(path);
  return info.isDir() && ::access(QFile::encodeName(path).constData(), R_OK | X_OK) == 0;
}

}  // namespace

std::optional<QList<FolderEntry>> ListFolders(const QString& path) {
  if (!CanOpen(path)) return std::nullopt;
  QList<FolderEntry> folders;
  const QFileInfoList found = QDir(path).entryInfoList(kFolders, QDir::NoSort);
  folders.reserve(found.size());
  for (const QFileInfo& info : found) {
    folders.append({info.absoluteFilePath(), info.fileName(), HasSubFolders(info.absoluteFilePath())});
  }
  return folders;
}

bool HasSubFolders(const QString& path) {
  if (!CanOpen(path)) return true;
  return QDirIterator(path, kFolders).hasNext();
}

bool IsWritableDirectory(const QString& path) {
  return !path.isEmpty() && QFileInfo(path).isDir() &&
         ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
}

QString WithoutTrailingSlash(QString path) {
  while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
  return path;
}

}  // namespace kestramo

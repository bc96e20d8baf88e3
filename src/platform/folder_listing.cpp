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
  return !path.isEmpty() && QFileInfo(path).isDir() &&
         ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
}

QString WithoutTrailingSlash(QString path) {
  while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
  return path;
}

}  // namespace kestramo

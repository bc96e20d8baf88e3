// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/folder_namespace.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kestramo {

namespace {

constexpr int kCoalesceMs = 40;      // a copy of many files gives one relisting, not hundreds
constexpr int kVolumePollMs = 2000;  // media come and go at a person's pace

QString DefaultDesktop() {
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (!desktop.isEmpty() && QFileInfo(desktop).isDir()) return WithoutTrailingSlash(desktop);
  return WithoutTrailingSlash(QDir::homePath());
}

QList<Place> DefaultPlaces() {
  QList<Place> places{{WithoutTrailingSlash(QDir::homePath()), QStringLiteral("Home")}};
  for (const auto location : {QStandardPaths::DocumentsLocation, QStandardPaths::DownloadLocation}) {
    const QString path = QStandardPaths::writableLocation(location);
    if (!path.isEmpty()) places.append({WithoutTrailingSlash(path), QFileInfo(path).fileName()});
  }
  return places;
}

}  // namespace

FolderNamespace::FolderNamespace(QObject* parent)
    : QObject(parent), desktopPath_(DefaultDesktop()), places_(DefaultPlaces()), volumeSource_(&MountedVolumes) {
  volumes_ = volumeSource_();
  coalesce_.setSingleShot(true);
  coalesce_.setInterval(kCoalesceMs);
  connect(&coalesce_, &QTimer::timeout, this, &FolderNamespace::FlushChanges);
  volumePoll_.setInterval(kVolumePollMs);
  connect(&volumePoll_, &QTimer::timeout, this, &FolderNamespace::PollVolumes);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this](const QString& path) {
    pending_.insert(path);
    if (!coalesce_.isActive()) coalesce_.start();
  });
}

QString FolderNamespace::DesktopCaption() const {
  return desktopPath_ == WithoutTrailingSlash(QDir::homePath()) ? QStringLiteral("Home") : QStringLiteral("Desktop");
}

void FolderNamespace::SetDesktopPath(const QString& path) { desktopPath_ = WithoutTrailingSlash(path); }

bool FolderNamespace::IsVolumeRoot(const QString& path) const {
  const QString p = WithoutTrailingSlash(path);
  for (const Volume& v : volumes_) {
    if (v.rootPath == p) return true;
  }
  return false;
}

void FolderNamespace::SetVolumeSource(std::function<QList<Volume>()> source) {
  volumeSource_ = std::move(source);
  volumes_ = volumeSource_();
}

void FolderNamespace::Watch(const QString& path) {
  if (watchCount_[path]++ == 0) watcher_.addPath(path);
}

void FolderNamespace::Unwatch(const QString& path) {
  auto it = watchCount_.find(path);
  if (it == watchCount_.end()) return;
  if (--it.value() > 0) return;
  watchCount_.erase(it);
  watcher_.removePath(path);
}

void FolderNamespace::Start() { volumes_ = volumeSource_(); }

void FolderNamespace::SetVolumePolling(bool on) {
  if (on == volumePoll_.isActive()) return;
  if (!on) {
    volumePoll_.stop();
    return;
  }
  volumePoll_.start();
  PollVolumes();
}

void FolderNamespace::Stop() {
  volumePoll_.stop();
  coalesce_.stop();
  pending_.clear();
  if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
  watchCount_.clear();
}

void FolderNamespace::PollVolumes() {
  QList<Volume> now = volumeSource_();
  if (now == volumes_) return;
  const QList<Volume> before = std::exchange(volumes_, std::move(now));
  emit VolumesChanged(before, volumes_);
}

void FolderNamespace::FlushChanges() {
  const QSet<QString> changed = std::exchange(pending_, {});
  for (const QString& path : changed) {
    // A watched folder that was removed drops out of the watcher; watch it again if it
    // comes back under the same name while a node still lists it.
    if (watchCount_.contains(path) && !watcher_.directories().contains(path) && QFileInfo(path).isDir())
      watcher_.addPath(path);
    emit FolderChanged(path);
  }
}

}  // namespace kestramo

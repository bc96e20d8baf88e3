// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <functional>

#include "platform/folder_listing.h"
#include "platform/mounted_volumes.h"

namespace kestramo {

// A folder the user goes to often, offered at the top of the tree.
struct Place {
  QString path;
  QString caption;
};

// The desktop's folders as the folder tree shows them: the desktop directory at the top,
// the volumes as drives, and notice of every change to a folder that has been listed and
// of media coming and going.
class FolderNamespace : public QObject {
  Q_OBJECT

 public:
  explicit FolderNamespace(QObject* parent = nullptr);

  // The desktop directory, or the home directory when there is none.
  QString DesktopPath() const { return desktopPath_; }
  // "Home" when the desktop is the home folder itself (no desktop folder), else "Desktop".
  QString DesktopCaption() const;
  void SetDesktopPath(const QString& path);
  // Home, Documents and Downloads, whether they exist or not; the tree shows those that do.
  const QList<Place>& Places() const { return places_; }
  void SetPlaces(QList<Place> places) { places_ = std::move(places); }

  // The volumes as last seen (read again on every poll).
  const QList<Volume>& Volumes() const { return volumes_; }
  bool IsVolumeRoot(const QString& path) const;
  // Where the volumes come from; MountedVolumes unless replaced (read at once).
  void SetVolumeSource(std::function<QList<Volume>()> source);
  // How often the volumes are compared for media inserted or removed.
  void SetVolumePollInterval(int milliseconds) { volumePoll_.setInterval(milliseconds); }

  // Follows changes: a listed folder is watched while at least one node shows its contents.
  void Watch(const QString& path);
  void Unwatch(const QString& path);
  bool Watching(const QString& path) const { return watchCount_.contains(path); }
  // Reads the volumes afresh; Stop also ends the poll and every watch.
  void Start();
  void Stop();
  // Media are looked for only while someone looks at the tree: resuming compares at once,
  // so a change made meanwhile shows when the tree does.
  void SetVolumePolling(bool on);

 signals:
  // Something inside this listed folder changed (a folder created, removed or renamed, or
  // the folder itself went away); bursts arrive as one.
  void FolderChanged(const QString& path);
  // A medium was inserted or removed: the list of volumes differs from the last one.
  void VolumesChanged(const QList<Volume>& before, const QList<Volume>& after);

 private:
  void PollVolumes();
  void FlushChanges();

  QString desktopPath_;
  QList<Place> places_;
  QList<Volume> volumes_;
  std::function<QList<Volume>()> volumeSource_;
  QFileSystemWatcher watcher_;
  QHash<QString, int> watchCount_;
  QSet<QString> pending_;
  QTimer coalesce_;
  QTimer volumePoll_;
};

}  // namespace kestramo

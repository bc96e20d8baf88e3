// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileIconProvider>
#include <QTreeWidget>

#include "controls/folder_node.h"
#include "platform/folder_listing.h"
#include "platform/folder_namespace.h"

namespace kestramo {

// A read-only tree of the desktop's folders: the user's usual folders at the top, then the
// desktop with the drives node and the volumes below it, and below each folder its folders,
// read when it is first opened.
// It follows changes: folders created, removed or renamed in a listed folder appear or
// disappear, and media inserted or removed refresh the drives.
class FolderTree : public QTreeWidget {
  Q_OBJECT

 public:
  explicit FolderTree(QWidget* parent = nullptr);
  ~FolderTree() override;

  bool Active() const { return active_; }
  // True builds the tree and starts following changes; false stops and empties it.
  void SetActive(bool on);
  DisplayMode Mode() const { return displayMode_; }
  void SetDisplayMode(DisplayMode mode);
  // Where the folders, volumes and changes come from; configure before activating.
  FolderNamespace& Namespace() { return namespace_; }

  // The file-system path of the selected node; empty for none and for the drives node.
  QString SelectedPath() const;
  QString NodePath(const QTreeWidgetItem* node) const;
  // The node of `path`. With `noOpening` only nodes already listed are searched and a path
  // not in the tree gives none; otherwise folders on the way are listed as needed and the
  // deepest node reached is given.
  QTreeWidgetItem* LocatePath(const QString& path, bool noOpening);
  // Locates `path`, opens the way to it and selects it; true when its own node was reached.
  bool SelectPath(const QString& path);

  // Dot-folders are left out, as the desktop's own file dialogs do, unless shown (Ctrl+H)
  // or on the way to a path that was selected.
  bool ShowsHidden() const { return showHidden_; }
  void SetShowHidden(bool on);

  // The desktop's node, the last at the top level.
  QTreeWidgetItem* RootNode() const;
  QTreeWidgetItem* DrivesNode() const;

  // Brings the nodes of `path` in line with the disk at once, as the disk's own notice
  // would a moment later.
  void FolderChanged(const QString& path);

 signals:
  // The selection changed.
  void Changed();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void updateGeometries() override;

 private:
  void BuildRoot();
  QTreeWidgetItem* NewNode(NodeKind kind, const QString& path, const QString& displayName, bool hasSubFolders,
                           const QIcon& icon) const;
  QTreeWidgetItem* NewFolderNode(const FolderEntry& entry) const;
  QTreeWidgetItem* NewVolumeNode(const Volume& volume) const;
  // Reads the node's folders; true when at least one was added. A folder that cannot be
  // read keeps its expand button.
  bool FillChildren(QTreeWidgetItem* node);
  // Removes every child but the drives node and forgets that the node was listed.
  void ClearChildren(QTreeWidgetItem* node);
  void RemoveNode(QTreeWidgetItem* node);
  void StopWatching(QTreeWidgetItem* node);
  void InsertSorted(QTreeWidgetItem* parent, QTreeWidgetItem* child);
  static void ShowExpandButton(QTreeWidgetItem* node, bool show);
  void ItemExpanded(QTreeWidgetItem* node);
  // Brings a listed node's folders in line with the disk, keeping the nodes that remain.
  void Relist(QTreeWidgetItem* node);
  // Relists every listed node below and at `node`, top down.
  void RelistTree(QTreeWidgetItem* node);
  // Forgets what was read of a node, closing it: its contents changed wholesale.
  void Unlist(QTreeWidgetItem* node);
  void VolumesChanged(const QList<Volume>& before, const QList<Volume>& after);
  void FollowVolumes(QTreeWidgetItem* drives, const QList<Volume>& before, const QList<Volume>& after);
  QList<QTreeWidgetItem*> NodesOf(const QString& path) const;
  // The folders of `path` that the tree shows; nothing when it cannot be read.
  std::optional<QList<FolderEntry>> ShownFolders(const QString& path) const;
  bool Shown(const QString& path, const QString& name) const;
  FolderFilter ShownFilter() const;
  bool HasShownSubFolders(const QString& path) const;

  // Runs a change that came from the disk with the view held still: the row under the
  // pointer (else the chosen row) keeps its place on screen, so a click aimed at a row
  // still lands on it.
  template <typename Change>
  void Anchored(Change&& change);
  QTreeWidgetItem* AnchorNode() const;

  FolderNamespace namespace_;
  QFileIconProvider icons_;
  std::optional<QPoint> pointer_;  // in the viewport, while the pointer is over it
  int slack_ = 0;                  // scroll room past the end that keeps an anchored row in place
  DisplayMode displayMode_ = DisplayMode::Asis;
  bool active_ = false;
  bool showHidden_ = false;
  QStringList revealed_;  // selected paths whose hidden folders stay shown
};

}  // namespace kestramo

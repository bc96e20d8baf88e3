// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/folder_tree.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTreeWidgetItemIterator>
#include <algorithm>

namespace kestramo {

using namespace folder_node;

namespace {

// Every burst of node changes runs with the tree's drawing suspended.
class DrawingSuspended {
 public:
  explicit DrawingSuspended(QWidget* widget) : widget_(widget), was_(widget->updatesEnabled()) {
    widget_->setUpdatesEnabled(false);
  }
  ~DrawingSuspended() { widget_->setUpdatesEnabled(was_); }
  DrawingSuspended(const DrawingSuspended&) = delete;
  DrawingSuspended& operator=(const DrawingSuspended&) = delete;

 private:
  QWidget* widget_;
  bool was_;
};

class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

bool IsUnder(const QString& path, const QString& root) {
  if (path == root) return true;
  return root == QLatin1String("/") ? path.startsWith(root) : path.startsWith(root + QLatin1Char('/'));
}

QString Joined(const QString& folder, const QString& name) {
  return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

}  // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setRootIsDecorated(true);
  setSortingEnabled(false);  // the tree keeps its own order: special nodes, then captions
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);  // anchoring moves by exact pixels
  viewport()->setMouseTracking(true);
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);
  connect(this, &QTreeWidget::itemExpanded, this, &FolderTree::ItemExpanded);
  // A click makes the node current before it selects it, the keys the other way round:
  // the owner hears of both, so the path it reads is always the selected one.
  connect(this, &QTreeWidget::currentItemChanged, this, [this] { emit Changed(); });
  connect(this, &QTreeWidget::itemSelectionChanged, this, [this] { emit Changed(); });
  connect(&namespace_, &FolderNamespace::FolderChanged, this, &FolderTree::FolderChanged);
  connect(&namespace_, &FolderNamespace::VolumesChanged, this, &FolderTree::VolumesChanged);
}

FolderTree::~FolderTree() { namespace_.Stop(); }

void FolderTree::SetActive(bool on) {
  if (on == active_) return;
  if (on) {
    namespace_.Start();
    BuildRoot();
    namespace_.SetVolumePolling(isVisible());
  } else {
    namespace_.Stop();
    const QSignalBlocker quiet(this);  // emptying is not a choice of the user
    clear();
  }
  active_ = on;
}

void FolderTree::SetDisplayMode(DisplayMode mode) {
  displayMode_ = mode;
  if (!active_) return;
  for (QTreeWidgetItemIterator it(this); *it; ++it) (*it)->setText(0, Caption(DisplayName(*it), mode));
}

QTreeWidgetItem* FolderTree::RootNode() const {
  const int count = topLevelItemCount();
  return count > 0 ? topLevelItem(count - 1) : nullptr;
}

QTreeWidgetItem* FolderTree::DrivesNode() const {
  QTreeWidgetItem* root = RootNode();
  for (int i = 0; root && i < root->childCount(); ++i) {
    if (Kind(root->child(i)) == NodeKind::Drives) return root->child(i);
  }
  return nullptr;
}

QString FolderTree::SelectedPath() const {
  QTreeWidgetItem* node = currentItem();
  return node && node->isSelected() ? NodePath(node) : QString();
}

QString FolderTree::NodePath(const QTreeWidgetItem* node) const {
  if (!node) return {};
  const NodeKind kind = Kind(node);
  if (IsSpecial(kind) || kind == NodeKind::NetworkMember) return {};
  return Path(node);
}

QTreeWidgetItem* FolderTree::NewNode(NodeKind kind, const QString& path, const QString& displayName, bool hasSubFolders,
                                     const QIcon& icon) const {
  auto* node = new QTreeWidgetItem;
  node->setData(0, PathRole, path);
  node->setData(0, DisplayNameRole, displayName);
  node->setData(0, KindRole, static_cast<int>(kind));
  node->setText(0, Caption(displayName, displayMode_));
  node->setIcon(0, icon);
  if (!path.isEmpty()) node->setToolTip(0, path);
  ShowExpandButton(node, hasSubFolders);
  return node;
}

QTreeWidgetItem* FolderTree::NewFolderNode(const FolderEntry& entry) const {
  return NewNode(NodeKind::Folder, entry.path, entry.name, entry.hasSubFolders,
                 icons_.icon(QAbstractFileIconProvider::Folder));
}

QTreeWidgetItem* FolderTree::NewVolumeNode(const Volume& volume) const {
  return NewNode(NodeKind::Folder, volume.rootPath, volume.name, HasShownSubFolders(volume.rootPath),
                 icons_.icon(QAbstractFileIconProvider::Drive));
}

void FolderTree::BuildRoot() {
  const DrawingSuspended suspended(this);
  const QString desktop = namespace_.DesktopPath();
  QStringList shown{desktop};
  for (const Place& place : namespace_.Places()) {
    if (shown.contains(place.path) || !QFileInfo(place.path).isDir()) continue;
    shown << place.path;
    addTopLevelItem(NewNode(NodeKind::Folder, place.path, place.caption, HasShownSubFolders(place.path),
                            icons_.icon(QAbstractFileIconProvider::Folder)));
  }
  QTreeWidgetItem* root = NewNode(NodeKind::Desktop, desktop, namespace_.DesktopCaption(), false,
                                  icons_.icon(QAbstractFileIconProvider::Desktop));
  addTopLevelItem(root);
  QTreeWidgetItem* drives = NewNode(NodeKind::Drives, {}, QStringLiteral("Computer"), false,
                                    icons_.icon(QAbstractFileIconProvider::Computer));
  root->addChild(drives);
  for (const Volume& volume : namespace_.Volumes()) drives->addChild(NewVolumeNode(volume));
  FillChildren(root);
  root->setExpanded(true);
  drives->setExpanded(true);
}

bool FolderTree::FillChildren(QTreeWidgetItem* node) {
  const BusyCursor busy;
  const DrawingSuspended suspended(this);
  const auto folders = ShownFolders(Path(node));
  if (!folders) {
    ShowExpandButton(node, true);
    return Kind(node) == NodeKind::Desktop;  // the root still holds the drives node
  }
  QList<QTreeWidgetItem*> added;
  added.reserve(folders->size());
  for (const FolderEntry& entry : *folders) added.append(NewFolderNode(entry));
  std::sort(added.begin(), added.end(), &SortsBefore);
  node->addChildren(added);  // after the special nodes a cleared node keeps, which sort first
  SetListed(node, true);
  namespace_.Watch(Path(node));
  ShowExpandButton(node, node->childCount() > 0);
  return !added.isEmpty();
}

void FolderTree::ShowExpandButton(QTreeWidgetItem* node, bool show) {
  node->setChildIndicatorPolicy(show ? QTreeWidgetItem::ShowIndicator
                                     : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void FolderTree::ItemExpanded(QTreeWidgetItem* node) {
  if (Listed(node) || Kind(node) == NodeKind::Drives) return;
  // Opening is allowed only when something was listed; a folder that cannot be read stays shut.
  if (!FillChildren(node)) collapseItem(node);
}

void FolderTree::StopWatching(QTreeWidgetItem* node) {
  if (Listed(node)) namespace_.Unwatch(Path(node));
  for (int i = 0; i < node->childCount(); ++i) StopWatching(node->child(i));
}

void FolderTree::RemoveNode(QTreeWidgetItem* node) {
  StopWatching(node);
  delete node;
}

void FolderTree::ClearChildren(QTreeWidgetItem* node) {
  const DrawingSuspended suspended(this);
  for (int i = node->childCount() - 1; i >= 0; --i) {
    QTreeWidgetItem* child = node->child(i);
    if (IsSpecial(Kind(child))) continue;
    RemoveNode(child);
  }
  if (Listed(node)) namespace_.Unwatch(Path(node));
  SetListed(node, false);
  ShowExpandButton(node, true);
}

void FolderTree::InsertSorted(QTreeWidgetItem* parent, QTreeWidgetItem* child) {
  int low = 0, high = parent->childCount();
  while (low < high) {
    const int mid = (low + high) / 2;
    if (SortsBefore(parent->child(mid), child)) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  parent->insertChild(low, child);
}

void FolderTree::Unlist(QTreeWidgetItem* node) {
  const DrawingSuspended suspended(this);
  collapseItem(node);
  ClearChildren(node);
  ShowExpandButton(node, HasShownSubFolders(Path(node)));
}

bool FolderTree::Shown(const QString& path, const QString& name) const {
  if (showHidden_ || !name.startsWith(QLatin1Char('.'))) return true;
  return std::any_of(revealed_.cbegin(), revealed_.cend(), [&](const QString& p) { return IsUnder(p, path); });
}

FolderFilter FolderTree::ShownFilter() const {
  return [this](const QString& path, const QString& name) { return Shown(path, name); };
}

std::optional<QList<FolderEntry>> FolderTree::ShownFolders(const QString& path) const {
  return ListFolders(path, ShownFilter());
}

bool FolderTree::HasShownSubFolders(const QString& path) const { return HasSubFolders(path, ShownFilter()); }

void FolderTree::SetShowHidden(bool on) {
  if (on == showHidden_) return;
  showHidden_ = on;
  // The folder chosen stays in sight when its way runs through dot-folders.
  const QString selected = SelectedPath();
  if (!selected.isEmpty() && !revealed_.contains(selected)) revealed_.append(selected);
  for (int i = 0; i < topLevelItemCount(); ++i) RelistTree(topLevelItem(i));
}

void FolderTree::RelistTree(QTreeWidgetItem* node) {
  if (!node) return;
  // Parents first: a relist removes the children that went, before they are visited.
  if (Listed(node)) Relist(node);
  for (int i = 0; i < node->childCount(); ++i) RelistTree(node->child(i));
}

void FolderTree::Relist(QTreeWidgetItem* node) {
  const auto folders = ShownFolders(Path(node));
  if (!folders) {
    // The root stays open on the drives even when its own folder goes.
    if (Kind(node) == NodeKind::Desktop) return ClearChildren(node);
    // Gone or no longer readable: its parent's notice removes a gone folder.
    Unlist(node);
    return;
  }
  const DrawingSuspended suspended(this);
  QHash<QString, FolderEntry> fresh;
  for (const FolderEntry& entry : *folders) fresh.insert(entry.path, entry);
  for (int i = node->childCount() - 1; i >= 0; --i) {
    QTreeWidgetItem* child = node->child(i);
    if (IsSpecial(Kind(child))) continue;
    const auto found = fresh.constFind(Path(child));
    if (found == fresh.cend()) {
      RemoveNode(child);
      continue;
    }
    if (!Listed(child)) ShowExpandButton(child, found->hasSubFolders);
    fresh.erase(found);
  }
  for (const FolderEntry& entry : std::as_const(fresh)) InsertSorted(node, NewFolderNode(entry));
  ShowExpandButton(node, node->childCount() > 0);
}

QList<QTreeWidgetItem*> FolderTree::NodesOf(const QString& path) const {
  QList<QTreeWidgetItem*> nodes;
  for (QTreeWidgetItemIterator it(const_cast<FolderTree*>(this)); *it; ++it) {
    if (Kind(*it) != NodeKind::Drives && Path(*it) == path) nodes.append(*it);
  }
  return nodes;
}

QTreeWidgetItem* FolderTree::AnchorNode() const {
  if (pointer_) {
    if (QTreeWidgetItem* under = itemAt(*pointer_)) return under;
  }
  QTreeWidgetItem* chosen = currentItem();
  return chosen && chosen->isSelected() ? chosen : nullptr;
}

template <typename Change>
void FolderTree::Anchored(Change&& change) {
  QTreeWidgetItem* anchor = AnchorNode();
  const QPersistentModelIndex kept = anchor ? indexFromItem(anchor) : QModelIndex();
  const int top = anchor ? visualItemRect(anchor).top() : 0;
  change();
  if (!kept.isValid()) return;  // no anchor, or it went with the change
  const int moved = visualItemRect(itemFromIndex(kept)).top() - top;
  if (moved == 0) return;
  QScrollBar* bar = verticalScrollBar();
  const int wanted = bar->value() + moved;
  if (wanted > bar->maximum()) {
    slack_ += wanted - bar->maximum();
    updateGeometries();
  }
  bar->setValue(wanted);
}

void FolderTree::focusInEvent(QFocusEvent* event) {
  QTreeWidget::focusInEvent(event);
  // The view makes its first row current on focus without choosing it; a row that looks
  // chosen while OK stays grey misleads, so only a chosen row is current.
  QTreeWidgetItem* current = currentItem();
  if (current && !current->isSelected()) {
    const QSignalBlocker quiet(this);  // nothing was chosen, and nothing is now
    selectionModel()->clearCurrentIndex();
  }
}

void FolderTree::updateGeometries() {
  QTreeWidget::updateGeometries();
  if (slack_ > 0) verticalScrollBar()->setMaximum(verticalScrollBar()->maximum() + slack_);
}

bool FolderTree::viewportEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: pointer_ = static_cast<QMouseEvent*>(event)->position().toPoint(); break;
    case QEvent::Leave: pointer_.reset(); break;
    case QEvent::Wheel:
      // The user scrolls: the room kept for an anchor may go.
      slack_ = 0;
      updateGeometries();
      break;
    default: break;
  }
  return QTreeWidget::viewportEvent(event);
}

void FolderTree::FolderChanged(const QString& path) {
  Anchored([&] {
    for (QTreeWidgetItem* node : NodesOf(path)) {
      if (Listed(node)) Relist(node);
    }
  });
}

void FolderTree::VolumesChanged(const QList<Volume>& before, const QList<Volume>& after) {
  QTreeWidgetItem* drives = DrivesNode();
  if (!drives) return;
  Anchored([&] { FollowVolumes(drives, before, after); });
}

void FolderTree::FollowVolumes(QTreeWidgetItem* drives, const QList<Volume>& before, const QList<Volume>& after) {
  const DrawingSuspended suspended(this);
  QStringList changedRoots;
  for (const Volume& v : before) {
    if (!after.contains(v)) changedRoots << v.rootPath;
  }
  for (const Volume& v : after) {
    if (!before.contains(v)) changedRoots << v.rootPath;
  }
  // The drives node follows the new list of volumes in its order; unchanged nodes stay
  // where they are, open or shut.
  for (int i = drives->childCount() - 1; i >= 0; --i) {
    QTreeWidgetItem* node = drives->child(i);
    if (!after.contains(Volume{Path(node), DisplayName(node)})) RemoveNode(node);
  }
  for (int k = 0; k < after.size(); ++k) {
    QTreeWidgetItem* at = drives->child(k);
    if (!at || Path(at) != after[k].rootPath) drives->insertChild(k, NewVolumeNode(after[k]));
  }
  // Only a change of order leaves nodes behind the list; they have been added again above.
  while (drives->childCount() > after.size()) RemoveNode(drives->child(static_cast<int>(after.size())));
  // A folder that is a mount point shows the medium's folders now, or no longer does.
  for (const QString& root : changedRoots) {
    for (QTreeWidgetItem* node : NodesOf(root)) {
      if (node->parent() != drives) Unlist(node);
    }
  }
}

QTreeWidgetItem* FolderTree::LocatePath(const QString& path, bool noOpening) {
  const QString target = WithoutTrailingSlash(path);
  QTreeWidgetItem* drives = DrivesNode();
  if (!target.startsWith(QLatin1Char('/'))) return nullptr;
  // Start at the deepest of the top-level folders and the volumes that holds the path.
  QList<QTreeWidgetItem*> starts;
  for (int i = 0; i < topLevelItemCount(); ++i) starts << topLevelItem(i);
  for (int i = 0; drives && i < drives->childCount(); ++i) starts << drives->child(i);
  QTreeWidgetItem* node = nullptr;
  for (QTreeWidgetItem* start : starts) {
    if (IsUnder(target, Path(start)) && (!node || Path(start).size() > Path(node).size())) node = start;
  }
  if (!node) return nullptr;
  QString built = Path(node);
  const QStringList rest = target.mid(built.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
  for (const QString& name : rest) {
    if (!Listed(node)) {
      if (noOpening) return nullptr;
      if (!FillChildren(node)) return node;
    }
    built = Joined(built, name);
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < node->childCount() && !next; ++i) {
      if (Path(node->child(i)) == built) next = node->child(i);
    }
    if (!next) return noOpening ? nullptr : node;
    node = next;
  }
  return node;
}

bool FolderTree::SelectPath(const QString& path) {
  const QString wanted = WithoutTrailingSlash(path);
  if (!showHidden_ && wanted.contains(QLatin1String("/.")) && !revealed_.contains(wanted)) {
    revealed_.append(wanted);
    // The deepest folder listed on the way may hide the dot-folder that goes on from it;
    // those above it hold the way already, and those below are listed afresh.
    if (QTreeWidgetItem* stop = LocatePath(wanted, false); stop && Listed(stop)) Relist(stop);
  }
  QTreeWidgetItem* node = LocatePath(path, false);
  if (!node) return false;
  for (QTreeWidgetItem* up = node->parent(); up; up = up->parent()) up->setExpanded(true);
  setCurrentItem(node);
  scrollToItem(node);
  return Path(node) == WithoutTrailingSlash(path);
}

void FolderTree::showEvent(QShowEvent* event) {
  QTreeWidget::showEvent(event);
  if (active_) namespace_.SetVolumePolling(true);
}

void FolderTree::hideEvent(QHideEvent* event) {
  namespace_.SetVolumePolling(false);
  pointer_.reset();
  slack_ = 0;
  QTreeWidget::hideEvent(event);
}

void FolderTree::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidgetItem* node = itemAt(event->position().toPoint());
  if (node && Kind(node) == NodeKind::Folder && !Listed(node)) {
    QTreeWidgetItem* parent = node->parent();
    if (!QFileInfo(Path(node)).isDir() && parent && parent != DrivesNode()) {
      Relist(parent);  // the folder has gone: its node goes too
      return;
    }
    // Folders may have been made inside it since it was shown: offer to open it if so.
    ShowExpandButton(node, HasShownSubFolders(Path(node)));
  }
  QTreeWidget::mouseDoubleClickEvent(event);
}

void FolderTree::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_H && event->modifiers() == Qt::ControlModifier) {
    SetShowHidden(!showHidden_);
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

}  // namespace kestramo

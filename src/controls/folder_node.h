// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTreeWidgetItem>
#include <cstdint>

namespace kestramo {

// What a node of the folder tree stands for. The numbers are those of the stored kinds;
// network and recycle-bin nodes are not offered on this desktop.
enum class NodeKind : uint8_t { Folder = 0, Network = 1, RecycleBin = 2, Drives = 3, Desktop = 4, NetworkMember = 5 };

// The letter case of every caption; the paths keep theirs.
enum class DisplayMode { Asis, Uppercase, Lowercase };

// The data each tree node carries, kept in the item's own data roles.
namespace folder_node {

enum Role : int { PathRole = Qt::UserRole, DisplayNameRole, KindRole, ListedRole };

inline QString Path(const QTreeWidgetItem* node) { return node->data(0, PathRole).toString(); }
inline QString DisplayName(const QTreeWidgetItem* node) { return node->data(0, DisplayNameRole).toString(); }
inline NodeKind Kind(const QTreeWidgetItem* node) { return static_cast<NodeKind>(node->data(0, KindRole).toInt()); }
// True once the node's folders have been read (they are then shown and watched).
inline bool Listed(const QTreeWidgetItem* node) { return node->data(0, ListedRole).toBool(); }
inline void SetListed(QTreeWidgetItem* node, bool listed) { node->setData(0, ListedRole, listed); }

// Nodes that are not folders of the file system: they sort first and have no path to give.
inline bool IsSpecial(NodeKind kind) {
  return kind == NodeKind::Network || kind == NodeKind::RecycleBin || kind == NodeKind::Drives;
}

inline QString Caption(const QString& displayName, DisplayMode mode) {
  switch (mode) {
    case DisplayMode::Uppercase: return displayName.toUpper();
    case DisplayMode::Lowercase: return displayName.toLower();
    case DisplayMode::Asis: break;
  }
  return displayName;
}

// Tree order of siblings in a listed folder: special nodes first, then captions without
// regard to letter case (ties by case, so the order is always the same).
inline bool SortsBefore(const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
  const bool sa = IsSpecial(Kind(a)), sb = IsSpecial(Kind(b));
  if (sa != sb) return sa;
  const int c = QString::compare(a->text(0), b->text(0), Qt::CaseInsensitive);
  return c != 0 ? c < 0 : a->text(0) < b->text(0);
}

}  // namespace folder_node

}  // namespace kestramo

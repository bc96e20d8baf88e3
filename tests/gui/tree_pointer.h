// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTreeWidget>
#include <QtTest>

#include <vector>

namespace kestramo::testing {

// A click on the middle of a node's row, scrolled into sight first.
inline void ClickRow(QTreeWidget& tree, QTreeWidgetItem* node) {
  tree.scrollToItem(node);
  const QRect row = tree.visualItemRect(node);
  QVERIFY(tree.viewport()->rect().contains(row.center()));
  QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, row.center());
}

// As a user reaches a node: each closed folder on the way clicked and opened with the right
// arrow, then the node's own row clicked.
inline void ClickNode(QTreeWidget& tree, QTreeWidgetItem* node) {
  std::vector<QTreeWidgetItem*> way;
  for (QTreeWidgetItem* up = node->parent(); up; up = up->parent()) way.insert(way.begin(), up);
  for (QTreeWidgetItem* up : way) {
    if (up->isExpanded()) continue;
    ClickRow(tree, up);
    QTest::keyClick(&tree, Qt::Key_Right);
  }
  ClickRow(tree, node);
}

// A node clicked and opened with the right arrow.
inline void OpenNode(QTreeWidget& tree, QTreeWidgetItem* node) {
  ClickNode(tree, node);
  QTest::keyClick(&tree, Qt::Key_Right);
}

}  // namespace kestramo::testing

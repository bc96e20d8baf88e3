// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>
#include <QPointer>
#include <map>

namespace kestramo {

class FrmMain;

// The safe as a screen reader sees it: one picture on screen, so its parts are given here —
// every button, switch and handle in reach (named, described by its tooltip, with a press
// action), and each box in sight as a list whose items tell their name, size, date and comment.
class SafeAccessible : public QAccessibleWidget {
 public:
  explicit SafeAccessible(FrmMain* safe);
  ~SafeAccessible() override;

  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int x, int y) const override;
  QAccessibleInterface* focusChild() const override;
  QString text(QAccessible::Text t) const override;

  // A part by its key (a layer number, a box list, an item), made once and kept.
  QAccessibleInterface* Part(long long key) const;
  FrmMain* Safe() const;
  // The keys of the parts in sight, in reading order.
  std::vector<long long> PartKeys() const;

 private:
  mutable std::map<long long, QAccessibleInterface*> parts_;
};

// The factory that gives the safe this interface.
QAccessibleInterface* SafeAccessibleFactory(const QString& className, QObject* object);

}  // namespace kestramo

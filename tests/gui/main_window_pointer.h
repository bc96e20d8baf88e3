// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtTest>

#include "mainwindow/frm_main.h"

namespace kestramo::testing {

// The middle of a layer of the main window, in window pixels.
inline QPoint Center(FrmMain& w, int number) {
  const SceneLayer* l = w.Image().Layer(number);
  return l->Location().center().toPoint();
}

// The colour the window shows at a point in window pixels, whatever the screen's density.
inline QColor SeenAt(FrmMain& w, QPointF at) {
  const QImage& seen = w.Image().Composed();
  return QColor(seen.pixel((at * seen.devicePixelRatio()).toPoint()));
}

inline void Click(FrmMain& w, QPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::mousePress(&w, Qt::LeftButton, mods, at);
  QTest::mouseRelease(&w, Qt::LeftButton, mods, at);
}

inline void ClickLayer(FrmMain& w, int number) { Click(w, Center(w, number)); }

// Presses at `from`, moves with the button held to `to`, releases there.
inline void Drag(FrmMain& w, QPoint from, QPoint to) {
  QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, from);
  QMouseEvent move(QEvent::MouseMove, to, w.mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &move);
  QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, to);
}

// Works a handle and waits until its doors have stopped.
inline void OpenDoors(FrmMain& w, int handle) {
  ClickLayer(w, handle);
  QTRY_VERIFY_WITH_TIMEOUT(!w.DoorsMoving(), 10000);
}

}  // namespace kestramo::testing

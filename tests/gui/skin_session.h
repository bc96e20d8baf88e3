// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QWidget>
#include <QtTest>

#include "platform/resource_library.h"

namespace kestramo::testing {

// The folder that the window tests leave their pictures in, made when missing.
inline QString ShotsDir() {
  const QString dir = QDir::temp().filePath(QStringLiteral("kestramo-dialog-shots"));
  QDir().mkpath(dir);
  return dir;
}

// Loads the built skin and shows a 560x420 window at (100,100) in place of the main
// window, for the dialogs to centre over. The caller owns it.
inline QWidget* OpenMainWindowStandIn() {
  ResourceLibrary::Load(QStringLiteral(KESTRAMO_SKIN_RCC));
  CursorSlots::Install();
  auto* main = new QWidget;
  main->setGeometry(100, 100, 560, 420);
  main->show();
  if (!QTest::qWaitForWindowExposed(main)) qWarning("the stand-in main window was not exposed");
  return main;
}

}  // namespace kestramo::testing

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/help_viewer.h"

#include <QDialog>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace kestramo {

void HelpViewer::Show(const QString& file, QWidget* parent) {
  if (!QFileInfo::exists(file)) return;
  static QDialog* viewer = nullptr;  // one window, reused: F1 again brings it back
  if (!viewer) {
    viewer = new QDialog(parent, Qt::Window);
    viewer->setWindowTitle(QStringLiteral("KESTRAMO Help"));
    viewer->resize(720, 560);
    auto* browser = new QTextBrowser(viewer);
    browser->setObjectName(QStringLiteral("helpBrowser"));
    browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(viewer);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
  }
  auto* browser = viewer->findChild<QTextBrowser*>(QStringLiteral("helpBrowser"));
  browser->setSource(QUrl::fromLocalFile(file));
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
}

}  // namespace kestramo

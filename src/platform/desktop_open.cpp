// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop_open.h"

#include <QDesktopServices>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace kestramo {

namespace {

// The desktop's opener hands the file on and returns success even when no program takes
// the type; asking the desktop's own type registry first tells the two cases apart.
bool DesktopHasProgramFor(const QString& file) {
  if (!qEnvironmentVariableIsEmpty("BROWSER")) return true;  // the opener's own fallback
  const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (query.isEmpty()) return false;
  QProcess process;
  process.start(query,
                {QStringLiteral("query"), QStringLiteral("default"), QMimeDatabase().mimeTypeForFile(file).name()});
  if (!process.waitForFinished(3000)) {
    process.kill();
    process.waitForFinished(500);
    return false;
  }
  return process.exitCode() == 0 && !process.readAllStandardOutput().trimmed().isEmpty();
}

}  // namespace

bool OpenWithDesktop(const QString& file) {
  return DesktopHasProgramFor(file) && QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

}  // namespace kestramo

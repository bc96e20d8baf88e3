// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/remembered_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace kestramo {

namespace {

QString Key(const QString& purpose) { return QStringLiteral("folders/") + purpose; }

QSettings Settings() { return QSettings(QStringLiteral("kestramo"), QStringLiteral("kestramo")); }

}  // namespace

QString RememberedFolder(const QString& purpose) {
  const QString kept = Settings().value(Key(purpose)).toString();
  return !kept.isEmpty() && QFileInfo(kept).isDir() ? kept : QDir::homePath();
}

void RememberFolder(const QString& purpose, const QString& folder) { Settings().setValue(Key(purpose), folder); }

}  // namespace kestramo

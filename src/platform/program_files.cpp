// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/program_files.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "kestramo/vault_location.h"

namespace kestramo {

QString ProgramFile(const QString& relative) {
  const QString exeDir = QCoreApplication::applicationDirPath();
  const QString beside = exeDir + QLatin1Char('/') + relative;
  if (QFileInfo::exists(beside)) return beside;
  const std::filesystem::path shared = api::InstalledDataDir(exeDir.toStdString());
  return shared.empty() ? beside : QString::fromStdString(shared.string()) + QLatin1Char('/') + relative;
}

}  // namespace kestramo

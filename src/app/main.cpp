// SPDX-License-Identifier: GPL-3.0-or-later
// KESTRAMO: the desktop program.
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "app/start_options.h"
#include "kestramo/vault_location.h"
#include "mainwindow/frm_main.h"
#include "platform/qt_shell_info.h"
#include "platform/raise_request.h"
#include "platform/resource_library.h"
#include "platform/single_instance.h"

int main(int argc, char** argv) {
  kestramo::StartOptions options = kestramo::ReadStartOptions(argc, argv);
  if (options.exitStatus >= 0) return options.exitStatus;
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
    std::fprintf(stderr, "kestramo: no display to show the window on (set DISPLAY or QT_QPA_PLATFORM)\n");
    return 1;
  }
  kestramo::PreferX11OnWayland(options);
  // A second copy says why it ends, asks the first to show its window, and leaves it alone.
  const kestramo::SingleInstance instance;
  if (!instance.Problem().isEmpty()) std::fprintf(stderr, "kestramo: %s\n", qPrintable(instance.Problem()));
  if (instance.IsAlreadyRunning()) {
    QCoreApplication asker(argc, argv);
    kestramo::RaiseRequests().AskRunning();
    return 0;
  }

  QApplication app(argc, argv);
  // The desktop matches the window to its menu entry by this id: the window class on X11
  // (taken from the application name), the application id on Wayland.
  const QString desktopId = QStringLiteral("org.kestramo.Kestramo");
  QApplication::setApplicationName(desktopId);
  QApplication::setDesktopFileName(desktopId);
  kestramo::RaiseRequests raiseRequests;
  raiseRequests.Listen();
  if (!kestramo::ResourceLibrary::Load()) {
    // Without its skin the window would be an empty black shape: say what is missing instead.
    QMessageBox::critical(nullptr, QStringLiteral("KESTRAMO"),
                          QStringLiteral("The program's pictures are missing: %1 was not found.")
                              .arg(kestramo::ResourceLibrary::DefaultPath()));
    return 1;
  }
  if (options.vault.empty()) {
    options.vault = kestramo::api::DefaultVaultDir(QCoreApplication::applicationDirPath().toStdString());
    // The user's own vault folder, made on first use.
    if (!kestramo::api::MakePrivateDir(options.vault)) {
      QMessageBox::critical(
          nullptr, QStringLiteral("KESTRAMO"),
          QStringLiteral("The vault folder %1 cannot be made.").arg(QString::fromStdString(options.vault.string())));
      return 1;
    }
  }
  kestramo::QtShellInfo::UseDesktopIconTheme();
  kestramo::FrmMain window(options.vault);
  // Left at a passphrase, or at an index that was refused or not taken.
  if (window.Declined()) return window.Refused() ? 1 : 0;
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/kqx/appicon")));
  QObject::connect(&raiseRequests, &kestramo::RaiseRequests::RaiseRequested, &window, &kestramo::FrmMain::BringForward);
  window.show();
  return app.exec();
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The vault-wide commands of the main window: the password or passphrase, hardening, the
// health check, find and the manual.
#include <QGuiApplication>

#include "dialogs/frm_harden.h"
#include "dialogs/frm_login.h"
#include "dialogs/frm_message.h"
#include "dialogs/health_check.h"
#include "mainwindow/frm_main.h"
#include "mainwindow/main_commands.h"
#include "mainwindow/work_notes.h"
#include "platform/desktop_open.h"
#include "platform/help_viewer.h"
#include "platform/program_files.h"

namespace kestramo {

bool MainCommands::CurrentPassphraseGiven() {
  // Whoever finds the safe open must not lock its owner out: the passphrase in use comes first.
  // It is tried on a reading open of the same vault, which leaves this one as it is.
  FrmLogin login(&window_);
  login.SetPassphraseCheck(
      [this](const std::string& typed) {
        api::Vault probe;
        api::OpenOptions options;
        options.base = vault_.Base();
        options.write = false;
        options.passphrase = typed;
        return probe.Open(options).code != api::Code::Locked;
      },
      static_cast<int>(api::kMaxPassphraseChars), QStringLiteral("Current passphrase:"));
  return login.exec() == kResultOk;
}

bool MainCommands::cmdPassword() {
  const bool hardened = vault_.VaultFormat() == api::Format::Hardened;
  if (hardened && !CurrentPassphraseGiven()) return false;
  dialogs_.password->SetLimits(hardened ? static_cast<int>(api::kMinPassphraseChars) : 0,
                               static_cast<int>(hardened ? api::kMaxPassphraseChars : api::kMaxPasswordChars));
  dialogs_.password->SetPassphrase(hardened);
  if (dialogs_.password->exec() != kResultOk) return false;
  const std::string typed = dialogs_.password->Password().toStdString();
  LoggedIn = true;
  if (!hardened) {
    Saved(vault_.ChangePassword({typed}));
    return true;
  }
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);  // a new key is derived
  api::PassphraseOptions options;
  options.passphrase = typed;
  const api::Status changed = vault_.ChangePassphrase(options);
  QGuiApplication::restoreOverrideCursor();
  if (changed.code == api::Code::NoMemory) {
    ShowMessageDialog(QStringLiteral("There is not enough memory to derive the new key: the passphrase is unchanged."),
                      &window_);
    return false;
  }
  // Said only once the index under the new key is on the disk.
  if (Saved(changed)) ShowSuccessDialog(QStringLiteral("The passphrase has been successfully changed."), &window_);
  return true;
}

void MainCommands::cmdHarden() {
  if (vault_.VaultFormat() == api::Format::Hardened) return;
  api::Leftovers leftovers;
  if (!vault_.FindLeftovers(&leftovers).ok()) return;
  if (!leftovers.recovered.empty() || !leftovers.removed.empty()) {
    QStringList parts;
    if (!leftovers.recovered.empty())
      parts << QStringLiteral("re-seals %1 that no record lists into the box \"%2\"")
                   .arg(Counted(static_cast<qint64>(leftovers.recovered.size()), QStringLiteral("item file")),
                        QString::fromLatin1(api::kRecoveryBox));
    if (!leftovers.removed.empty())
      parts << QStringLiteral("removes %1 the classic format left (index copies, scratch files)")
                   .arg(Counted(static_cast<qint64>(leftovers.removed.size()), QStringLiteral("other file")));
    dialogs_.confirm->SetQuestion(QStringLiteral("Hardening also ") + parts.join(QStringLiteral(", and ")) +
                                  QStringLiteral(". Go on?"));
    if (dialogs_.confirm->exec() != kResultOk) return;
  }
  FrmHarden harden(&window_);
  harden.SetConversion([this](const std::string& passphrase, const auto& onItem, std::string* error) {
    api::HardenOptions options;
    options.passphrase = passphrase;
    options.onItem = onItem;
    const api::Status hardened = vault_.Harden(options);
    *error = hardened.message;
    return hardened.ok();
  });
  if (harden.exec() != kResultOk) return;
  RefreshView(-1);
  ShowSuccessDialog(QStringLiteral("The vault is hardened. Without its passphrase nothing in it can be read, not even "
                                   "by us: keep the passphrase safe, it cannot be recovered."),
                    &window_);
}

void MainCommands::cmdCheckHealth() {
  const api::VaultHealth health = RunHealthCheck(*dialogs_.status, vault_);
  window_.Image().update();
  if (health.Healthy() && !health.stopped) {
    ShowSuccessDialog(HealthReport(health), &window_);
  } else {
    ShowMessageDialog(HealthReport(health), &window_);
  }
}

QString MainCommands::HelpFilePath() const { return ProgramFile(QStringLiteral("help/KESTRAMO.html")); }

void MainCommands::ShowHelp() { HelpViewer::Show(HelpFilePath(), &window_); }

void MainCommands::ShowFind() { dialogs_.find->exec(); }

void MainCommands::cmdHelp() {
  // Where the desktop has no program for the manual, the program shows it itself.
  if (!OpenWithDesktop(HelpFilePath())) ShowHelp();
}

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/vault_start_up.h"
#include "dialogs/frm_confirm.h"
#include "dialogs/frm_login.h"
#include "dialogs/frm_message.h"

namespace kestramo {

namespace {

bool Ask(const QString& question, QWidget* parent) {
  FrmConfirm confirm(parent);
  confirm.SetQuestion(question);
  return confirm.exec() == kResultOk;
}

}  // namespace

VaultStartUp::VaultStartUp(api::Vault& vault, const std::filesystem::path& base) : vault_(vault) {
  options_.base = base;
  options_.create = true;  // the program's own folder: a first start makes the vault
  options_.witness = api::DefaultWitnessFile();
  options_.recordRollbacks = true;
}

void VaultStartUp::Open(QWidget* parent) {
  status_ = vault_.Open(options_, &report_);
  if (!vault_.HoldsLock()) return;
  if (status_.code == api::Code::Locked) AskPassphrase(parent);
  if (!declined_) SettleRefusedIndex(parent);
}

void VaultStartUp::AskPassphrase(QWidget* parent) {
  // A hardened index cannot be read without its passphrase: asked before anything shows.
  FrmLogin login(parent);
  login.SetPassphraseCheck(
      [this](const std::string& typed) {
        options_.passphrase = typed;
        status_ = vault_.Open(options_, &report_);
        return status_.code != api::Code::Locked;
      },
      static_cast<int>(api::kMaxPassphraseChars));
  declined_ = login.exec() != kResultOk;
}

QString VaultStartUp::Trouble() const {
  if (status_.code == api::Code::Busy)
    return QStringLiteral("The vault is in use by another KESTRAMO program. Close it and start again.");
  if (status_.code == api::Code::Refused && !vault_.HoldsLock()) {
    // A link or another thing where the vault's folders belong, or a vanished hardened vault.
    return QStringLiteral("The vault was not opened: %1.").arg(QString::fromStdString(status_.message));
  }
  if (!vault_.HoldsLock()) {
    return QStringLiteral(
               "The vault beside the program cannot be opened for writing (%1). "
               "Install KESTRAMO in a folder that belongs to you.")
        .arg(QString::fromStdString(status_.message));
  }
  // An unreadable index was asked about already; a restored one, or items without their
  // files, are told before anything is used.
  if (report_.outcome == api::OpenReport::Outcome::Restored || !report_.missingItems.empty())
    return QString::fromStdString(report_.notice);
  return {};
}

void VaultStartUp::SettleRefusedIndex(QWidget* parent) {
  using Outcome = api::OpenReport::Outcome;
  const QString message = QString::fromStdString(report_.notice);
  switch (report_.outcome) {
    case Outcome::Unreadable:
      if (!report_.hardened) {
        // Going on would show an empty vault in place of the user's: only by choice.
        if (!Ask(message + QStringLiteral("\rStart with an empty vault?"), parent)) declined_ = refused_ = true;
        return;
      }
      [[fallthrough]];  // an empty classic vault must never take a hardened one's place
    case Outcome::Downgraded:
      ShowMessageDialog(message, parent);
      declined_ = refused_ = true;
      return;
    case Outcome::RolledBack:
      if (!Ask(message + QStringLiteral("\rOpen it all the same?"), parent)) {
        declined_ = refused_ = true;
        return;
      }
      options_.acceptOlderIndex = true;
      status_ = vault_.Open(options_, &report_);
      return;
    default: return;
  }
}

}  // namespace kestramo

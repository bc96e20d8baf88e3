// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <filesystem>

#include "kestramo/vault.h"

class QWidget;

namespace kestramo {

// Opening the vault as the window starts: the passphrase of a hardened vault, an index that
// may not simply be used, and what the user must hear before the safe is used.
class VaultStartUp {
 public:
  // The vault in `base` (the program's folder in use), made there on a first start.
  VaultStartUp(api::Vault& vault, const std::filesystem::path& base);
  // Opens the vault, asking over `parent` what has to be asked first.
  void Open(QWidget* parent);
  // What the user must read once the window shows, or an empty text.
  QString Trouble() const;
  const api::OpenReport& Report() const { return report_; }
  // The user left at the passphrase, or the vault was refused: the window is not to be shown.
  bool Declined() const { return declined_; }
  // The vault was refused (a downgraded or replaced one, or one not to be used as it is): the
  // program ends with a failure.
  bool Refused() const { return refused_; }

 private:
  void AskPassphrase(QWidget* parent);
  // An index refused or unreadable at start: the user says whether to go on with it (an older
  // one) or with an empty vault, or the program ends; a classic index where a hardened vault
  // was always ends it.
  void SettleRefusedIndex(QWidget* parent);

  api::Vault& vault_;
  api::OpenOptions options_;
  api::Status status_;
  api::OpenReport report_;
  bool declined_ = false;
  bool refused_ = false;
};

}  // namespace kestramo

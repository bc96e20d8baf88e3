// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

#include "dialogs/skinned_dialog.h"

class QLabel;
class QLineEdit;

namespace kestramo {

// Asks for the access password, or a hardened vault's passphrase; result 1 only when it
// opens the vault.
class FrmLogin : public SkinnedDialog {
  Q_OBJECT

 public:
  explicit FrmLogin(QWidget* parent = nullptr);

  // Before showing: what accepts a typed access password (at most 8 characters).
  void SetPasswordCheck(std::function<bool(const std::string& typed)> accepts);
  // Before showing: what accepts a typed text, and how many characters the field takes.
  void SetCheck(std::function<bool(const std::string& typed)> accepts, int maxChars);
  // Before showing: a hardened vault's passphrase, said as such; its check derives a key and
  // takes a moment, shown by a busy pointer.
  void SetPassphraseCheck(std::function<bool(const std::string& typed)> accepts, int maxChars,
                          const QString& prompt = QStringLiteral("Please input the passphrase:"));

  void btnOkClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool PreviewKey(int key, QWidget* focused) override;

 private:
  QLineEdit* edtPassword_;
  QLabel* lblPrompt_;
  bool passphrase_ = false;
  std::function<bool(const std::string&)> accepts_;
};

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/skinned_dialog.h"

class QLabel;
class QLineEdit;

namespace kestramo {

// Asks for a new access password twice; result 1 when both agree (both empty included).
class FrmPassword : public SkinnedDialog {
  Q_OBJECT

 public:
  explicit FrmPassword(QWidget* parent = nullptr);
  // After result 1: the new password.
  QString Password() const;
  // Before showing: how many characters a new password has at least and at most (a hardened
  // vault's passphrase: 8 to 64; an access password: 0 to 8).
  void SetLimits(int minChars, int maxChars);
  // On: a hardened vault's passphrase, said as such; the caller says it was changed once it
  // is saved.
  void SetPassphrase(bool on);

  void btnOkClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool PreviewKey(int key, QWidget* focused) override;

 private:
  void Restart();

  QLineEdit* edtPassword_;
  QLineEdit* edtConfirm_;
  int minChars_ = 0;
  bool passphrase_ = false;
  QLabel* lblNew_;
  QLabel* lblConfirm_;
};

}  // namespace kestramo

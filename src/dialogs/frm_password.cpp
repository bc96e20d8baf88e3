// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frm_password.h"

#include <QLabel>

#include <QLineEdit>

#include "controls/region_button.h"
#include "dialogs/frm_message.h"

namespace kestramo {

FrmPassword::FrmPassword(QWidget* parent) : SkinnedDialog(QStringLiteral("password"), QSize(282, 152), parent) {
  lblNew_ = AddLabel(QStringLiteral("Input new password:"), 90, 40);
  edtPassword_ = AddEdit(90, 56, 180, 21, 8, true);
  edtPassword_->setObjectName(QStringLiteral("edtPassword"));
  lblConfirm_ = AddLabel(QStringLiteral("Confirm new password:"), 90, 82);
  edtConfirm_ = AddEdit(90, 98, 180, 21, 8, true);
  edtConfirm_->setObjectName(QStringLiteral("edtConfirm"));
  setTabOrder(edtPassword_, edtConfirm_);
  connect(AddButton(QStringLiteral("ok"), 153, 126), &RegionButton::clicked, this, &FrmPassword::btnOkClick);
  connect(AddButton(QStringLiteral("cancel"), 218, 126), &RegionButton::clicked, this, [this] { done(kResultCancel); });
}

QString FrmPassword::Password() const { return edtPassword_->text(); }

void FrmPassword::SetLimits(int minChars, int maxChars) {
  minChars_ = minChars;
  edtPassword_->setMaxLength(maxChars);
  edtConfirm_->setMaxLength(maxChars);
}

void FrmPassword::SetPassphrase(bool on) {
  passphrase_ = on;
  lblNew_->setText(on ? QStringLiteral("Input new passphrase:") : QStringLiteral("Input new password:"));
  lblConfirm_->setText(on ? QStringLiteral("Confirm new passphrase:") : QStringLiteral("Confirm new password:"));
  lblNew_->adjustSize();
  lblConfirm_->adjustSize();
}

void FrmPassword::btnOkClick() {
  if (edtPassword_->text() != edtConfirm_->text()) {
    ShowMessageDialog(passphrase_
                          ? QStringLiteral("The new and confirmed passphrases do not match. Please type them again.")
                          : QStringLiteral("The new and confirmed passwords do not match. Please type them again."),
                      this);
    Restart();
    return;
  }
  // Characters, not UTF-16 units: the vault counts a passphrase the same way.
  if (edtPassword_->text().toUcs4().size() < minChars_) {
    ShowMessageDialog(QStringLiteral("The passphrase must have at least %1 characters.").arg(minChars_), this);
    Restart();
    return;
  }
  if (!passphrase_) ShowMessageDialog(QStringLiteral("The password has been successfully changed."), this);
  done(kResultOk);
}

void FrmPassword::Restart() {
  edtPassword_->clear();
  edtConfirm_->clear();
  edtPassword_->setFocus();
}

void FrmPassword::showEvent(QShowEvent* event) {
  CentreOverMainWindow();
  SkinnedDialog::showEvent(event);
  Restart();
}

bool FrmPassword::PreviewKey(int key, QWidget* focused) {
  return EscCancelsEnterConfirms(key, focused == edtPassword_ || focused == edtConfirm_, [this] { btnOkClick(); });
}

}  // namespace kestramo

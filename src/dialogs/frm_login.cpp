// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frm_login.h"

#include <QGuiApplication>
#include <QLabel>
#include <algorithm>

#include <QLineEdit>

#include "controls/region_button.h"
#include "dialogs/frm_message.h"
#include "kestramo/vault.h"

namespace kestramo {

FrmLogin::FrmLogin(QWidget* parent) : SkinnedDialog(QStringLiteral("login"), QSize(279, 112), parent) {
  lblPrompt_ = AddLabel(QStringLiteral("Please input password:"), 90, 40);
  edtPassword_ = AddEdit(90, 56, 180, 21, 8, true);
  edtPassword_->setObjectName(QStringLiteral("edtPassword"));
  connect(AddButton(QStringLiteral("ok"), 148, 84), &RegionButton::clicked, this, &FrmLogin::btnOkClick);
  connect(AddButton(QStringLiteral("cancel"), 217, 84), &RegionButton::clicked, this, [this] { done(kResultCancel); });
}

void FrmLogin::SetPasswordCheck(std::function<bool(const std::string&)> accepts) {
  SetCheck(std::move(accepts), static_cast<int>(api::kMaxPasswordChars));
}

void FrmLogin::SetCheck(std::function<bool(const std::string&)> accepts, int maxChars) {
  accepts_ = std::move(accepts);
  edtPassword_->setMaxLength(maxChars);
  passphrase_ = false;
  lblPrompt_->setText(QStringLiteral("Please input password:"));
  lblPrompt_->adjustSize();
}

void FrmLogin::SetPassphraseCheck(std::function<bool(const std::string&)> accepts, int maxChars,
                                  const QString& prompt) {
  SetCheck(std::move(accepts), maxChars);
  passphrase_ = true;
  lblPrompt_->setText(prompt);
  lblPrompt_->adjustSize();
}

void FrmLogin::btnOkClick() {
  if (edtPassword_->text().isEmpty()) {
    ShowMessageDialog(
        passphrase_ ? QStringLiteral("Please input the passphrase.") : QStringLiteral("Please input password."), this);
    edtPassword_->setFocus();
    return;
  }
  if (passphrase_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);  // the key is being derived
  std::string typed = edtPassword_->text().toStdString();
  const bool accepted = accepts_ && accepts_(typed);
  std::fill(typed.begin(), typed.end(), '\0');
  if (passphrase_) QGuiApplication::restoreOverrideCursor();
  if (!accepted) {
    ShowMessageDialog(passphrase_ ? QStringLiteral("The passphrase is wrong, or the vault's index is damaged.")
                                  : QStringLiteral("Uncorrect password."),
                      this);
    edtPassword_->setFocus();
    return;
  }
  done(kResultOk);
}

void FrmLogin::showEvent(QShowEvent* event) {
  CentreOnDesktop();
  SkinnedDialog::showEvent(event);
  edtPassword_->clear();
  edtPassword_->setFocus();
}

bool FrmLogin::PreviewKey(int key, QWidget* focused) {
  return EscCancelsEnterConfirms(key, focused == edtPassword_, [this] { btnOkClick(); });
}

}  // namespace kestramo

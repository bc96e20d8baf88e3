#include "dialogs/dlg_login.h"

#include <QLineEdit>

#include "controls/region_button.h"
#include "dialogs/dlg_message.h"
#include "storage/vault/index_file.h"

namespace kestramo {

FrmLogin::FrmLogin(QWidget* parent) : SkinnedDialog(QStringLiteral("login"), QSize(279, 112), parent) {
  AddLabel(QStringLiteral("Please input password:"), 90, 40);
  edtPassword_ = AddEdit(90, 56, 180, 21, 8, true);
  edtPassword_->setObjectName(QStringLiteral("edtPassword"));
  connect(AddButton(QStringLiteral("ok"), 148, 84), &RegionButton::clicked, this, &FrmLogin::btnOkClick);
  connect(AddButton(QStringLiteral("cancel"), 217, 84), &RegionButton::clicked, this, [this] { done(kResultCancel); });
}

void FrmLogin::SetMasterKey(const std::string& key) {
  SetCheck([key](const std::string& typed) { return kMasterKeyPrefix + typed == key; }, static_cast<int>(kMaxPasswordChars));
}

void FrmLogin::SetCheck(std::function<bool(const std::string&)> accepts, int maxChars) {
  accepts_ = std::move(accepts);
  edtPassword_->setMaxLength(maxChars);
}

void FrmLogin::btnOkClick() {
  if (edtPassword_->text().isEmpty()) {
    ShowMessageDialog(QStringLiteral("Please input password."), this);
    edtPassword_->setFocus();
    return;
  }
  if (!accepts_ || !accepts_(edtPassword_->text().toStdString())) {
    ShowMessageDialog(QStringLiteral("Uncorrect password."), this);
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

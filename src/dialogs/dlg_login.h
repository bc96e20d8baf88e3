#pragma once

#include <string>

#include "dialogs/skinned_dialog.h"

class QLineEdit;

namespace kestramo {

// Asks for the access password; result 1 only when it opens the vault.
class FrmLogin : public SkinnedDialog {
  Q_OBJECT

 public:
  explicit FrmLogin(QWidget* parent = nullptr);

  // Before showing: the vault's master key, which the fixed prefix and the typed password must equal.
  void SetMasterKey(const std::string& key) { masterKey_ = key; }

  void btnOkClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool PreviewKey(int key, QWidget* focused) override;

 private:
  QLineEdit* edtPassword_;
  std::string masterKey_;
};

}  // namespace kestramo

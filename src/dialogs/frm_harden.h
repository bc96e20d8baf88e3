// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "dialogs/skinned_dialog.h"

class QLabel;
class QLineEdit;

namespace kestramo {

class SkinProgressBar;

// Turns a classic vault into a hardened one: says in plain words what each format protects,
// asks for the passphrase twice with a hint of its strength, and shows the items re-sealed.
// Result 1 once the hardened index is saved.
class FrmHarden : public SkinnedDialog {
  Q_OBJECT

 public:
  // Converts under the passphrase, telling each item done; false with *error when nothing changed.
  using Conversion =
      std::function<bool(const std::string& passphrase,
                         const std::function<void(std::size_t done, std::size_t total)>& onItem, std::string* error)>;

  explicit FrmHarden(QWidget* parent = nullptr);
  void SetConversion(Conversion conversion) { conversion_ = std::move(conversion); }

  // "weak", "fair" or "strong": length and variety, as a hint, not a rule.
  static QString StrengthOf(const QString& passphrase);

  void btnOkClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool PreviewKey(int key, QWidget* focused) override;

 private:
  void ShowStrength();
  void Restart();

  QLineEdit* edtPassphrase_;
  QLineEdit* edtConfirm_;
  QLabel* lblStrength_;
  SkinProgressBar* progress_;
  Conversion conversion_;
};

}  // namespace kestramo

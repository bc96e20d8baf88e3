// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/skinned_dialog.h"

class QLabel;
class QLineEdit;

namespace kestramo {

// Asks for a name: of a new box or a box's new name, refusing empty and existing names, or
// any other name that a check of the caller's takes.
class FrmNew : public SkinnedDialog {
  Q_OBJECT

 public:
  // Takes the name typed: nothing when it was taken, else why it was refused.
  using NameCheck = std::function<std::optional<QString>(const QString&)>;

  explicit FrmNew(QWidget* parent = nullptr);

  // Before showing: the names of every existing box, and the text to start from
  // (empty for a new box, the current name when renaming).
  void SetBoxNames(std::vector<std::string> names);
  void SetBoxName(const QString& name);
  // Asks with `prompt` for a name of at most `maxLength` characters that `check` takes.
  void AskFor(const QString& prompt, int maxLength, NameCheck check);
  // After result 1: the text as typed.
  QString BoxName() const;

  void btnOkClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool PreviewKey(int key, QWidget* focused) override;

 private:
  QLabel* lblPrompt_;
  QLineEdit* edtBoxName_;
  NameCheck check_;
};

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/skinned_dialog.h"

class QLabel;
class QPlainTextEdit;

namespace kestramo {

// Edits an item's comment; any text, a lone line break included, is accepted, nothing else.
class FrmComment : public SkinnedDialog {
  Q_OBJECT

 public:
  explicit FrmComment(QWidget* parent = nullptr);

  // The stored form: line breaks as carriage return and line feed.
  void SetComment(const QString& text);
  QString Comment() const;
  // The item commented, named beside the buttons.
  void SetItemName(const QString& name);
  QString ItemName() const;

  void btnOkClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool PreviewKey(int key, QWidget* focused) override;

 private:
  QPlainTextEdit* edtComment_;
  QLabel* lblItem_;
};

}  // namespace kestramo

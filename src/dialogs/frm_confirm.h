// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/skinned_dialog.h"

class QLabel;

namespace kestramo {

// A yes/no question: result 1 Yes, 2 No. Y or Enter on the focused Yes answers yes; N or Esc no.
class FrmConfirm : public SkinnedDialog {
  Q_OBJECT

 public:
  explicit FrmConfirm(QWidget* parent = nullptr);
  // Carriage returns in the question start new lines.
  void SetQuestion(const QString& text);
  QString Question() const;

 protected:
  void showEvent(QShowEvent* event) override;
  bool PreviewKey(int key, QWidget* focused) override;

 private:
  RegionButton* btnYes_;

 private:
  QLabel* lblInfo_;
};

// The delete questions, saying how much goes: `count` chosen items, or a box with its items.
QString DeleteItemsQuestion(int count);
QString DeleteBoxQuestion(const QString& box, int items);

}  // namespace kestramo

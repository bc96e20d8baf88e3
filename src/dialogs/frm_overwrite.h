// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/skinned_dialog.h"
#include "kestramo/vault.h"

class QLabel;

namespace kestramo {

// The question asked when an extracted file exists already: it names the file's path inside
// the item and the size and date of both copies. Its result is an OverwriteAnswer.
class FrmOverwrite : public SkinnedDialog {
  Q_OBJECT

 public:
  enum Answer { Yes = 1, No, YesToAll, NoToAll, Cancel };

  explicit FrmOverwrite(QWidget* parent = nullptr);
  void SetCase(const api::ExistingFile& existing);
  QString Text() const;
  // The window's own close request stops, as Cancel does.
  void reject() override { done(Cancel); }

 protected:
  void showEvent(QShowEvent* event) override;
  bool PreviewKey(int key, QWidget* focused) override;

 private:
  QLabel* lblPath_;
  QLabel* lblExisting_;
  QLabel* lblNew_;
};

// One extraction's answers: "to all" holds for every further file of the same command, and
// Cancel stops the command.
class OverwriteAnswers {
 public:
  // Asks `dialog` unless an earlier answer holds for all; true replaces the file.
  bool Ask(FrmOverwrite& dialog, const api::ExistingFile& existing);
  bool Stopped() const { return stopped_; }

 private:
  int forAll_ = 0;  // YesToAll or NoToAll once given
  bool stopped_ = false;
};

}  // namespace kestramo

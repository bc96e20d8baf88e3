#pragma once

#include "dialogs/skinned_dialog.h"

class QLabel;

namespace kestramo {

// A yes/no question: result 1 Yes, 2 No. Enter does nothing.
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
  QLabel* lblInfo_;
};

}  // namespace kestramo

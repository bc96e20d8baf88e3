#pragma once

#include <string>
#include <vector>

#include "dialogs/skinned_dialog.h"

class QLineEdit;

namespace kestramo {

// Asks for the name of a new box, or a box's new name; refuses empty and existing names.
class FrmNew : public SkinnedDialog {
  Q_OBJECT

 public:
  explicit FrmNew(QWidget* parent = nullptr);

  // Before showing: the names of every existing box, and the text to start from
  // (empty for a new box, the current name when renaming).
  void SetBoxNames(std::vector<std::string> names) { boxNames_ = std::move(names); }
  void SetBoxName(const QString& name);
  // After result 1: the text as typed.
  QString BoxName() const;

  void btnOkClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool PreviewKey(int key, QWidget* focused) override;

 private:
  QLineEdit* edtBoxName_;
  std::vector<std::string> boxNames_;
};

}  // namespace kestramo

#include "dialogs/dlg_new.h"

#include <QLineEdit>

#include "controls/region_button.h"
#include "dialogs/dlg_message.h"
#include "storage/vault/box_rules.h"

namespace kestramo {

FrmNew::FrmNew(QWidget* parent) : SkinnedDialog(QStringLiteral("name"), QSize(301, 112), parent) {
  AddLabel(QStringLiteral("Input the name of the file box:"), 90, 40);
  edtBoxName_ = AddEdit(90, 58, 202, 21, 80, false);
  edtBoxName_->setObjectName(QStringLiteral("edtBoxName"));
  connect(AddButton(QStringLiteral("ok"), 173, 86), &RegionButton::clicked, this, &FrmNew::btnOkClick);
  connect(AddButton(QStringLiteral("cancel"), 240, 86), &RegionButton::clicked, this, [this] { done(kResultCancel); });
}

void FrmNew::SetBoxName(const QString& name) { edtBoxName_->setText(name); }

QString FrmNew::BoxName() const { return edtBoxName_->text(); }

void FrmNew::btnOkClick() {
  const std::string typed = edtBoxName_->text().toStdString();
  // Also refuses a name of blanks only, which would make a box without a name.
  if (const auto refusal = CheckBoxName(boxNames_, typed)) {
    ShowMessageDialog(*refusal, this);
    edtBoxName_->setFocus();
    return;
  }
  done(kResultOk);
}

void FrmNew::showEvent(QShowEvent* event) {
  CentreOverMainWindow();
  SkinnedDialog::showEvent(event);
  edtBoxName_->setFocus();
}

bool FrmNew::PreviewKey(int key, QWidget* focused) {
  return EscCancelsEnterConfirms(key, focused == edtBoxName_, [this] { btnOkClick(); });
}

}  // namespace kestramo

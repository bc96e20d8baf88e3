// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frm_new.h"

#include <QLabel>
#include <QLineEdit>

#include "controls/region_button.h"
#include "dialogs/frm_message.h"
#include "kestramo/box_names.h"

namespace kestramo {

FrmNew::FrmNew(QWidget* parent) : SkinnedDialog(QStringLiteral("name"), QSize(301, 112), parent) {
  lblPrompt_ = AddLabel(QStringLiteral("Input the name of the file box:"), 90, 40);
  edtBoxName_ = AddEdit(90, 58, 202, 21, 80, false);
  edtBoxName_->setObjectName(QStringLiteral("edtBoxName"));
  connect(AddButton(QStringLiteral("ok"), 173, 86), &RegionButton::clicked, this, &FrmNew::btnOkClick);
  connect(AddButton(QStringLiteral("cancel"), 240, 86), &RegionButton::clicked, this, [this] { done(kResultCancel); });
  SetBoxNames({});
}

void FrmNew::SetBoxNames(std::vector<std::string> names) {
  check_ = [names = std::move(names)](const QString& typed) -> std::optional<QString> {
    // Also refuses a name of blanks only, which would make a box without a name.
    const auto refusal = api::CheckBoxName(names, typed.toStdString());
    return refusal ? std::optional<QString>(QString::fromStdString(*refusal)) : std::nullopt;
  };
}

void FrmNew::SetBoxName(const QString& name) { edtBoxName_->setText(name); }

void FrmNew::AskFor(const QString& prompt, int maxLength, NameCheck check) {
  lblPrompt_->setText(prompt);
  lblPrompt_->adjustSize();
  edtBoxName_->setMaxLength(maxLength);
  edtBoxName_->clear();
  check_ = std::move(check);
}

QString FrmNew::BoxName() const { return edtBoxName_->text(); }

void FrmNew::btnOkClick() {
  if (const auto refusal = check_ ? check_(edtBoxName_->text()) : std::nullopt) {
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

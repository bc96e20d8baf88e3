// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frm_comment.h"

#include <QGuiApplication>

#include <QLabel>
#include <QPlainTextEdit>

#include "controls/region_button.h"
#include "dialogs/frm_message.h"

namespace kestramo {

FrmComment::FrmComment(QWidget* parent) : SkinnedDialog(QStringLiteral("comment"), QSize(316, 186), parent) {
  AddLabel(QStringLiteral("Please input the comment:"), 90, 40);
  edtComment_ = AddMemo(90, 56, 215, 97);
  edtComment_->setObjectName(QStringLiteral("edtComment"));
  lblItem_ = AddLabel(QString(), 10, 161);
  lblItem_->setObjectName(QStringLiteral("lblItem"));
  connect(AddButton(QStringLiteral("ok"), 187, 161, false, QStringLiteral("OK (Ctrl+Enter)")), &RegionButton::clicked,
          this, &FrmComment::btnOkClick);
  connect(AddButton(QStringLiteral("cancel"), 254, 161), &RegionButton::clicked, this, [this] { done(kResultCancel); });
}

void FrmComment::SetComment(const QString& text) { edtComment_->setPlainText(DisplayLines(text)); }

void FrmComment::SetItemName(const QString& name) {
  // Beside the buttons, so the user sees which item the comment goes to.
  constexpr int kRoom = 170;
  lblItem_->setText(lblItem_->fontMetrics().elidedText(QStringLiteral("Item: ") + name, Qt::ElideMiddle, kRoom));
  lblItem_->setToolTip(name);
  lblItem_->adjustSize();
}

QString FrmComment::ItemName() const { return lblItem_->toolTip(); }

QString FrmComment::Comment() const {
  QString text = edtComment_->toPlainText();
  text.replace(QChar('\n'), QStringLiteral("\r\n"));
  return text;
}

void FrmComment::btnOkClick() {
  if (edtComment_->toPlainText().isEmpty()) {
    ShowMessageDialog(QStringLiteral("Please input the comment."), this);
    edtComment_->setFocus();
    return;
  }
  done(kResultOk);
}

void FrmComment::showEvent(QShowEvent* event) {
  CentreOverMainWindow();
  SkinnedDialog::showEvent(event);
}

bool FrmComment::PreviewKey(int key, QWidget*) {
  // Enter makes a new line in the memo; Ctrl+Enter confirms, as OK does.
  const bool ctrl = QGuiApplication::keyboardModifiers() & Qt::ControlModifier;
  return EscCancelsEnterConfirms(key, ctrl, [this] { btnOkClick(); });
}

}  // namespace kestramo

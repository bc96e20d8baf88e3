#include "dialogs/dlg_message.h"

#include <QLabel>

#include "controls/region_button.h"

namespace kestramo {

QString DisplayLines(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QChar('\r'), QChar('\n'));
  return text;
}

FrmMessage::FrmMessage(QWidget* parent) : SkinnedDialog(QStringLiteral("message"), QSize(301, 100), parent) {
  lblMessage_ = AddLabel(QString(), 90, 37);
  lblMessage_->setObjectName(QStringLiteral("lblMessage"));
  lblMessage_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  SetMessage(QString());
  connect(AddButton(QStringLiteral("ok"), 154, 73), &RegionButton::clicked, this, [this] { done(kResultOk); });
}

void FrmMessage::SetMessage(const QString& text) {
  lblMessage_->setText(DisplayLines(text));
  FitWrapped(lblMessage_, QSize(202, 31));
}

QString FrmMessage::Message() const { return lblMessage_->text(); }

void FrmMessage::showEvent(QShowEvent* event) {
  CentreOverMainWindow();
  SkinnedDialog::showEvent(event);
}

bool FrmMessage::PreviewKey(int key, QWidget*) {
  if (key != Qt::Key_Escape && !IsEnterKey(key)) return false;
  done(kResultOk);
  return true;
}

void FrmMessage::reject() { done(kResultOk); }

void ShowMessageDialog(const QString& text, QWidget* parent) {
  FrmMessage dialog(parent);
  dialog.SetMessage(text);
  dialog.exec();
}

void ShowMessageDialog(const std::string& text, QWidget* parent) {
  ShowMessageDialog(QString::fromStdString(text), parent);
}

}  // namespace kestramo

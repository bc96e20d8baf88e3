#include "dialogs/frm_message.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>

#include "controls/region_button.h"

namespace kestramo {

namespace {

const QRect kTextRoom(90, 37, 202, 31);
constexpr int kScrollBarWidth = 7;
constexpr int kLongTextPoints = 7;

}  // namespace

QString DisplayLines(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QChar('\r'), QChar('\n'));
  return text;
}

FrmMessage::FrmMessage(QWidget* parent) : SkinnedDialog(QStringLiteral("message"), QSize(301, 100), parent) {
  // The room for the text is small; a long message (a list of paths, say) scrolls in it
  // rather than losing its end, and can be selected and copied.
  scrMessage_ = new QScrollArea(this);
  scrMessage_->setObjectName(QStringLiteral("scrMessage"));
  scrMessage_->setGeometry(kTextRoom);
  scrMessage_->setFrameShape(QFrame::NoFrame);
  scrMessage_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scrMessage_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  scrMessage_->setStyleSheet(
      QStringLiteral(
          "QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"
          "QScrollBar:vertical { width: %1px; background: rgba(0, 0, 0, 90); border: none; margin: 0; }"
          "QScrollBar::handle:vertical { background: rgb(201, 162, 74); border-radius: 3px; min-height: 8px; }"
          "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
          "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
          .arg(kScrollBarWidth));
  lblMessage_ = AddLabel(QString(), 0, 0);
  lblMessage_->setObjectName(QStringLiteral("lblMessage"));
  lblMessage_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblMessage_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblMessage_->setFocusPolicy(Qt::NoFocus);
  scrMessage_->setWidget(lblMessage_);
  SetMessage(QString());
  connect(AddButton(QStringLiteral("ok"), 154, 73, false, QStringLiteral("OK (Enter or Esc)")), &RegionButton::clicked,
          this, [this] { done(kResultOk); });
}

void FrmMessage::SetMessage(const QString& text) {
  lblMessage_->setText(DisplayLines(text));
  FitWrapped(lblMessage_, kTextRoom.size());
  if (lblMessage_->heightForWidth(kTextRoom.width()) > kTextRoom.height()) {
    QFont font = lblMessage_->font();
    font.setPointSize(kLongTextPoints);
    lblMessage_->setFont(font);
    const int width = kTextRoom.width() - kScrollBarWidth - 2;
    lblMessage_->resize(width, lblMessage_->heightForWidth(width));
  }
  scrMessage_->verticalScrollBar()->setValue(0);
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

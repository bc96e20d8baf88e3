// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frm_message.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

#include "controls/region_button.h"

namespace kestramo {

namespace {

const QRect kTextRoom(90, 37, 202, 31);
constexpr int kScrollBarWidth = 7;
// A long message makes the dialog taller, up to this share of the screen; beyond, it scrolls.
constexpr double kMostOfScreen = 0.7;

int MostTextHeight() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int screenHeight = screen ? screen->availableGeometry().height() : 600;
  return std::max(kTextRoom.height(), int(screenHeight * kMostOfScreen) - (100 - kTextRoom.height()));
}

}  // namespace

QString DisplayLines(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QChar('\r'), QChar('\n'));
  return text;
}

QString AsSentence(const std::string& text) {
  QString sentence = QString::fromStdString(text);
  if (sentence.isEmpty()) return sentence;
  sentence[0] = sentence[0].toUpper();
  if (!sentence.endsWith(QLatin1Char('.'))) sentence += QLatin1Char('.');
  return sentence;
}

FrmMessage::FrmMessage(QWidget* parent, Kind kind)
    : SkinnedDialog(kind == Kind::Success ? QStringLiteral("inform") : QStringLiteral("message"), QSize(301, 100),
                    parent) {
  // The room for the text is small; a long message (a list of paths, say) makes the dialog
  // taller, and scrolls only past most of the screen's height. It can be selected and copied.
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
  // A message of a few lines keeps the design's size, in a smaller font if it must.
  int width = kTextRoom.width();
  int needed = WrappedHeight(lblMessage_, kTextRoom.size());
  const int most = MostTextHeight();
  if (needed > most) {
    width -= kScrollBarWidth + 2;
    needed = lblMessage_->heightForWidth(width);
  }
  const int room = std::clamp(needed, kTextRoom.height(), most);
  GrowAtBand(kPlainBandTop, kPlainBandBottom, room - kTextRoom.height());
  scrMessage_->setGeometry(kTextRoom.x(), kTextRoom.y(), kTextRoom.width(), room);
  lblMessage_->resize(width, std::max(needed, room));
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

namespace {

void Show(const QString& text, QWidget* parent, FrmMessage::Kind kind) {
  FrmMessage dialog(parent, kind);
  dialog.SetMessage(text);
  dialog.exec();
}

}  // namespace

void ShowMessageDialog(const QString& text, QWidget* parent) { Show(text, parent, FrmMessage::Kind::Problem); }

void ShowSuccessDialog(const QString& text, QWidget* parent) { Show(text, parent, FrmMessage::Kind::Success); }

void ShowMessageDialog(const std::string& text, QWidget* parent) {
  ShowMessageDialog(QString::fromStdString(text), parent);
}

}  // namespace kestramo

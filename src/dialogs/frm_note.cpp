// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frm_note.h"

#include <QDir>
#include <QLabel>

namespace kestramo {

namespace {

constexpr int kShownMilliseconds = 4000;
const QSize kTextRoom(201, 34);

}  // namespace

QString Counted(qint64 n, const QString& noun) {
  return QStringLiteral("%1 %2%3").arg(n).arg(noun, n == 1 ? QString() : QStringLiteral("s"));
}

QString ItemCount(int n) { return Counted(n, QStringLiteral("item")); }

QString ShortFolder(const QString& path) {
  const QString home = QDir::homePath();
  if (path == home) return QStringLiteral("~");
  return path.startsWith(home + QLatin1Char('/')) ? QStringLiteral("~") + path.mid(home.size()) : path;
}

FrmNote::FrmNote(QWidget* parent) : SkinnedDialog(QStringLiteral("note"), QSize(301, 72), parent) {
  setModal(false);
  // The keyboard stays with the main window: the note only takes the pointer.
  setWindowFlag(Qt::WindowDoesNotAcceptFocus, true);
  setAttribute(Qt::WA_ShowWithoutActivating);
  lblNote_ = AddLabel(QString(), 90, 30);
  lblNote_->setObjectName(QStringLiteral("lblNote"));
  setToolTip(QStringLiteral("Click to close"));
  timerHide_.setSingleShot(true);
  timerHide_.setInterval(kShownMilliseconds);
  connect(&timerHide_, &QTimer::timeout, this, &QWidget::hide);
}

void FrmNote::ShowNote(const QString& text) {
  lblNote_->setText(text);
  FitWrapped(lblNote_, kTextRoom);
  show();
  raise();
  timerHide_.start();
}

QString FrmNote::Note() const { return lblNote_->text(); }

void FrmNote::showEvent(QShowEvent* event) {
  CentreOverMainWindow();
  SkinnedDialog::showEvent(event);
}

void FrmNote::mousePressEvent(QMouseEvent*) { hide(); }

}  // namespace kestramo

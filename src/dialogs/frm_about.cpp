// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frm_about.h"

#include <QLabel>
#include <QMouseEvent>
#include <QVersionNumber>

#include "kestramo/version.h"

namespace kestramo {

FrmAbout::FrmAbout(QWidget* parent) : SkinnedDialog(QStringLiteral("about"), QSize(320, 240), parent) {
  QLabel* lblOS = AddLabel(PlatformText(), 68, 178);
  lblOS->setObjectName(QStringLiteral("lblOS"));
  lblOS->setAttribute(Qt::WA_TransparentForMouseEvents);  // a click on it closes like one on the picture
  QLabel* lblLicense = AddLabel(QString::fromLatin1(kLicense), 12, 212);
  lblLicense->setObjectName(QStringLiteral("lblLicense"));
  lblLicense->setWordWrap(true);
  lblLicense->setFixedWidth(296);
  lblLicense->setAttribute(Qt::WA_TransparentForMouseEvents);
}

QString FrmAbout::PlatformText() {
#if defined(Q_OS_LINUX)
  const QString system = QStringLiteral("Linux (X11)");
#elif defined(Q_OS_UNIX)
  const QString system = QStringLiteral("Unix (X11)");
#else
  const QString system = QSysInfo::kernelType();
#endif
  const QVersionNumber qt = QVersionNumber::fromString(QLatin1String(QT_VERSION_STR));
  return QStringLiteral("for %1 with Qt %2.%3").arg(system).arg(qt.majorVersion()).arg(qt.minorVersion());
}

void FrmAbout::reject() { done(kResultOk); }

void FrmAbout::showEvent(QShowEvent* event) {
  CentreOverMainWindow();
  SkinnedDialog::showEvent(event);
}

void FrmAbout::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) done(kResultOk);
}

bool FrmAbout::PreviewKey(int key, QWidget*) {
  if (key != Qt::Key_Escape && !IsEnterKey(key)) return false;
  done(kResultOk);
  return true;
}

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
// What the window does when the index it found may not simply be used.
#include "dialogs/frm_confirm.h"
#include "dialogs/frm_message.h"
#include "mainwindow/frm_main.h"

namespace kestramo {

namespace {

bool Ask(const QString& question, QWidget* parent) {
  FrmConfirm confirm(parent);
  confirm.SetQuestion(question);
  return confirm.exec() == kResultOk;
}

}  // namespace

void FrmMain::SettleRefusedIndex() {
  using Outcome = api::OpenReport::Outcome;
  const QString message = QString::fromStdString(loadReport_.notice);
  switch (loadReport_.outcome) {
    case Outcome::Unreadable:
      if (!loadReport_.hardened) {
        // Going on would show an empty vault in place of the user's: only by choice.
        if (!Ask(message + QStringLiteral("\rStart with an empty vault?"), this)) Declined = Refused = true;
        return;
      }
      [[fallthrough]];  // an empty classic vault must never take a hardened one's place
    case Outcome::Downgraded:
      ShowMessageDialog(message, this);
      Declined = Refused = true;
      return;
    case Outcome::RolledBack:
      if (!Ask(message + QStringLiteral("\rOpen it all the same?"), this)) {
        Declined = Refused = true;
        return;
      }
      openOptions_.acceptOlderIndex = true;
      openStatus_ = vault_.Open(openOptions_, &loadReport_);
      return;
    default: return;
  }
}

}  // namespace kestramo

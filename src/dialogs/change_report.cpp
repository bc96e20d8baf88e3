// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/change_report.h"

#include "dialogs/frm_message.h"

namespace kestramo {

bool ReportChange(const api::Status& status, bool unsaved, QWidget* parent) {
  if (status.ok()) return true;
  if (unsaved) {
    QString text = QStringLiteral("The index could not be saved. Is the disk full?");
    if (!status.message.empty()) text += QLatin1Char('\r') + AsSentence(status.message);
    ShowMessageDialog(text, parent);
  } else {
    ShowMessageDialog(status.message.empty() ? QStringLiteral("The change was not made.") : AsSentence(status.message),
                      parent);
  }
  return false;
}

}  // namespace kestramo

#include "dialogs/change_report.h"

#include "dialogs/frm_message.h"

namespace kestramo {

namespace {

QString Sentence(const std::string& text) {
  QString sentence = QString::fromStdString(text);
  if (sentence.isEmpty()) return sentence;
  sentence[0] = sentence[0].toUpper();
  if (!sentence.endsWith(QLatin1Char('.'))) sentence += QLatin1Char('.');
  return sentence;
}

}  // namespace

bool ReportChange(const api::Status& status, bool unsaved, QWidget* parent) {
  if (status.ok()) return true;
  if (unsaved) {
    QString text = QStringLiteral("The index could not be saved. Is the disk full?");
    if (!status.message.empty()) text += QLatin1Char('\r') + Sentence(status.message);
    ShowMessageDialog(text, parent);
  } else {
    ShowMessageDialog(status.message.empty() ? QStringLiteral("The change was not made.") : Sentence(status.message),
                      parent);
  }
  return false;
}

}  // namespace kestramo

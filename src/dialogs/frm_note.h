// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>

#include "dialogs/skinned_dialog.h"

class QLabel;

namespace kestramo {

// A short note of what a command did ("2 items extracted to ~/Restored"). It does not wait
// for an answer: it stands over the middle of the main window, where the status dialog's
// Cancel was, for a few seconds, and a click on it closes it. So a click meant for
// Cancel that comes after the work ended lands on the note, never on the list beneath.
class FrmNote : public SkinnedDialog {
  Q_OBJECT

 public:
  explicit FrmNote(QWidget* parent = nullptr);
  void ShowNote(const QString& text);
  QString Note() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QLabel* lblNote_;
  QTimer timerHide_;
};

// "1 item" or "3 items"; Counted(n, "file") the same for another noun.
QString Counted(qint64 n, const QString& noun);
QString ItemCount(int n);
// A folder as the note names it: below the home folder as "~/...".
QString ShortFolder(const QString& path);

}  // namespace kestramo

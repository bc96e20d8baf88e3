// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/skinned_dialog.h"

class QLabel;
class QScrollArea;

namespace kestramo {

// Shows one message with an OK button.
class FrmMessage : public SkinnedDialog {
  Q_OBJECT

 public:
  // A problem or refusal shows the exclamation mark; a success the sign of information.
  enum class Kind { Problem, Success };
  explicit FrmMessage(QWidget* parent = nullptr, Kind kind = Kind::Problem);
  // Carriage returns in the text start new lines.
  void SetMessage(const QString& text);
  QString Message() const;

 protected:
  void showEvent(QShowEvent* event) override;
  bool PreviewKey(int key, QWidget* focused) override;
  void reject() override;

 private:
  QScrollArea* scrMessage_;
  QLabel* lblMessage_;
};

// The one way to show a message that is not a question: modal, returns when it is closed.
// Centred over the main window, the outermost parent of `parent`.
void ShowMessageDialog(const QString& text, QWidget* parent = nullptr);
// The same for news of a success, which waits to be read but is no warning.
void ShowSuccessDialog(const QString& text, QWidget* parent = nullptr);
void ShowMessageDialog(const std::string& text, QWidget* parent = nullptr);

// The program's line breaks (carriage return, or carriage return and line feed) as the
// line feeds that widgets show.
QString DisplayLines(QString text);
// The storage's lower-case account of a failure as a sentence: capital first, full stop last.
QString AsSentence(const std::string& text);

}  // namespace kestramo

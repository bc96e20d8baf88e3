// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "dialogs/frm_message.h"
#include "dialogs/frm_overwrite.h"

namespace kestramo::testing {

// Answers the modal windows that open while a test waits inside a modal loop: a message
// dialog is closed with Enter, a question box or the overwrite question with `answer`
// (Yes, else No), by a click on its button; each text is recorded.
// `onTick` runs on every poll, for a test that acts while work is running.
class ModalWatch {
 public:
  explicit ModalWatch(QMessageBox::StandardButton answer = QMessageBox::No) : answer_(answer) {
    timer_.setInterval(2);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
  }

  QStringList messages;
  QStringList questions;
  QStringList questionTitles;
  std::function<void()> onTick;

 private:
  void Poll() {
    if (onTick) onTick();
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* message = qobject_cast<FrmMessage*>(modal)) {
      messages << message->Message();
      QTest::keyClick(message, Qt::Key_Return);
    } else if (auto* question = qobject_cast<FrmOverwrite*>(modal)) {
      questions << question->Text();
      const char* button = answer_ == QMessageBox::Yes ? "btn_yes" : "btn_no";
      QTest::mouseClick(question->findChild<QWidget*>(button), Qt::LeftButton, {}, QPoint(25, 7));
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      questions << box->text();
      questionTitles << box->windowTitle();
      box->button(answer_)->click();
    }
  }

  QMessageBox::StandardButton answer_;
  QTimer timer_;
};

}  // namespace kestramo::testing

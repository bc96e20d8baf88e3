// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <deque>
#include <functional>

#include "dialogs/frm_message.h"

namespace kestramo::testing {

// Plays the user's part in the modal dialogs that a command opens: each expected dialog
// gets the next step of the script; messages are recorded and closed.
class DialogScript {
 public:
  DialogScript() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
  }

  // The next dialog of type D is handed to `step`.
  template <typename D>
  DialogScript& Then(std::function<void(D*)> step) {
    steps_.push_back(
        {[](QWidget* w) { return qobject_cast<D*>(w) != nullptr; }, [step](QWidget* w) { step(qobject_cast<D*>(w)); }});
    return *this;
  }
  bool Done() const { return steps_.empty(); }

  QStringList messages;

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) last_ = nullptr;
    if (!modal || modal == last_) return;
    if (auto* message = qobject_cast<FrmMessage*>(modal)) {
      messages << message->Message();
      last_ = modal;
      QTimer::singleShot(0, message, [message] { message->done(1); });
      return;
    }
    if (steps_.empty() || !steps_.front().first(modal)) return;
    // The step runs from the event loop, not from this poll: it may open modal windows itself.
    auto run = steps_.front().second;
    steps_.pop_front();
    last_ = modal;
    QTimer::singleShot(0, modal, [this, run, modal] {
      run(modal);
      if (!modal->isVisible()) last_ = nullptr;  // the same dialog may come back for the next step
    });
  }

  std::deque<std::pair<std::function<bool(QWidget*)>, std::function<void(QWidget*)>>> steps_;
  QWidget* last_ = nullptr;
  QTimer timer_;
};

// Typing into a dialog's named field.
template <typename T>
void Type(QWidget* dialog, const char* field, const QString& text) {
  if (auto* edit = dialog->findChild<T*>(QString::fromLatin1(field))) {
    if constexpr (std::is_same_v<T, QPlainTextEdit>) {
      edit->setPlainText(text);
    } else {
      edit->setText(text);
    }
  }
}

}  // namespace kestramo::testing

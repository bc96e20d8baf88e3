// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/status_hand_over.h"

#include <QMetaObject>

#include "dialogs/frm_status.h"

namespace kestramo {

template <typename F>
void StatusHandOver::HandOver(F&& change) {
  // Queued calls to one receiver run in the order they were posted.
  QMetaObject::invokeMethod(&dialog_, std::forward<F>(change), Qt::QueuedConnection);
}

void StatusHandOver::SetStatusText(const std::string& text) {
  HandOver([d = &dialog_, t = QString::fromStdString(text)] { d->SetStatusText(t); });
}

void StatusHandOver::SetPhase(api::Phase phase) {
  HandOver([d = &dialog_, phase] { d->SetPhase(phase); });
}

void StatusHandOver::EnableCancel() {
  HandOver([d = &dialog_] { d->EnableCancel(); });
}

void StatusHandOver::SetProgress(int position, int maximum) {
  HandOver([d = &dialog_, position, maximum] { d->SetProgress(position, maximum); });
}

void StatusHandOver::Close() {
  HandOver([d = &dialog_] { d->FinishWork(); });
}

void StatusHandOver::ShowMessage(const std::string& text) {
  std::lock_guard<std::mutex> lock(messagesMutex_);
  messages_.push_back(text);
}

std::vector<std::string> StatusHandOver::TakeMessages() {
  std::lock_guard<std::mutex> lock(messagesMutex_);
  return std::exchange(messages_, {});
}

}  // namespace kestramo

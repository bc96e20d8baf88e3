// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "kestramo/status_sink.h"

namespace kestramo {

class FrmStatus;

// The status protocol as a worker thread speaks it: every call is handed to the status
// dialog on the main thread, in the order made, without waiting for it to be shown.
// Messages are kept for the caller to show once the dialog has closed.
class StatusHandOver : public api::StatusSink {
 public:
  explicit StatusHandOver(FrmStatus& dialog) : dialog_(dialog) {}

  void SetStatusText(const std::string& text) override;
  void SetPhase(api::Phase phase) override;
  void EnableCancel() override;
  void SetProgress(int position, int maximum) override;
  void Close() override;
  void ShowMessage(const std::string& text) override;

  std::vector<std::string> TakeMessages();

 private:
  template <typename F>
  void HandOver(F&& change);

  FrmStatus& dialog_;
  std::mutex messagesMutex_;
  std::vector<std::string> messages_;
};

}  // namespace kestramo

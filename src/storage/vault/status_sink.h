// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "kestramo/status_sink.h"
#include "storage/vault/work_status.h"

namespace kestramo {

// Ends an operation's status display exactly once: marks it closable and closes it,
// on every path out of a pipeline, an unexpected failure included.
class StatusCloser {
 public:
  StatusCloser(api::StatusSink& sink, WorkStatus& work) : sink_(sink), work_(work) {}
  ~StatusCloser() { Close(); }
  StatusCloser(const StatusCloser&) = delete;
  StatusCloser& operator=(const StatusCloser&) = delete;

  void Close() {
    if (closed_) return;
    closed_ = true;
    work_.MarkClosable();
    sink_.Close();
  }
  // Closes first, so that the message comes after the status display is gone.
  void CloseWithMessage(const std::string& text) {
    Close();
    sink_.ShowMessage(text);
  }

 private:
  api::StatusSink& sink_;
  WorkStatus& work_;
  bool closed_ = false;
};

// Shows nothing and keeps the last message: for runs that have no one to show progress to.
class QuietStatus : public api::StatusSink {
 public:
  void SetStatusText(const std::string&) override {}
  void SetPhase(api::Phase) override {}
  void EnableCancel() override {}
  void SetProgress(int, int) override {}
  void Close() override {}
  void ShowMessage(const std::string& text) override { message = text; }
  std::string message;
};

}  // namespace kestramo

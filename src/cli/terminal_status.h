// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "kestramo/status_sink.h"

namespace kestramo::cli {

// Shows a pipeline's stage and progress as one redrawn line on standard error when it
// is a terminal; messages always go to standard error, after the program's name. Texts are
// escaped: a name may hold anything, terminal controls included.
class TerminalStatus : public api::StatusSink {
 public:
  TerminalStatus();
  void SetStatusText(const std::string& text) override;
  void SetPhase(api::Phase) override {}
  void EnableCancel() override {}
  void SetProgress(int position, int maximum) override;
  void Close() override;
  void ShowMessage(const std::string& text) override;

  const std::string& LastMessage() const { return lastMessage_; }
  // Leaves the progress bar where it is and moves below it, for a question.
  void EndLine();

 private:
  void Draw();

  bool tty_;
  std::string label_;
  int position_ = 0;
  int maximum_ = 100;
  bool drawn_ = false;
  std::string lastMessage_;
};

}  // namespace kestramo::cli

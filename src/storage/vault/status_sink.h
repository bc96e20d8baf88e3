#pragma once

#include <string>

#include "storage/vault/work_status.h"

namespace kestramo {

// What a pipeline tells the user while it works. The desktop program hands each call to
// its main thread in order; the command-line tool draws on the terminal; tests record.
class StatusSink {
 public:
  virtual ~StatusSink() = default;
  // A verb phrase, a carriage return, then the item's name.
  virtual void SetStatusText(const std::string& text) = 0;
  // Also restarts the animation of that phase.
  virtual void SetPhase(Phase phase) = 0;
  virtual void EnableCancel() = 0;
  // Only positions that differ from the last one shown reach the sink.
  virtual void SetProgress(int position, int maximum) = 0;
  // The operation is over: the status display may go away.
  virtual void Close() = 0;
  // A message for the user, shown after Close.
  virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace kestramo

namespace kestramo {

// Ends an operation's status display exactly once: marks it closable and closes it,
// on every path out of a pipeline, an unexpected failure included.
class StatusCloser {
 public:
  StatusCloser(StatusSink& sink, WorkStatus& work) : sink_(sink), work_(work) {}
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
  StatusSink& sink_;
  WorkStatus& work_;
  bool closed_ = false;
};

// Shows nothing and keeps the last message: for runs that have no one to show progress to.
class QuietStatus : public StatusSink {
 public:
  void SetStatusText(const std::string&) override {}
  void SetPhase(Phase) override {}
  void EnableCancel() override {}
  void SetProgress(int, int) override {}
  void Close() override {}
  void ShowMessage(const std::string& text) override { message = text; }
  std::string message;
};

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace kestramo::api {

// The stage a worker is in; chooses the status animation and what Cancel stops.
enum class Phase : int { Encrypting = 0, Decrypting = 1, Compressing = 2, Decompressing = 3 };

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

}  // namespace kestramo::api

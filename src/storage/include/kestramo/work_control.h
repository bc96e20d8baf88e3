// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "kestramo/status_sink.h"

namespace kestramo::api {

// The flags one import or export shares with whoever watches it: Cancel may be pressed on
// any thread, and the watcher reads the stage and whether the status display may close.
// An operation given a control obeys its Cancel while it runs; Reset() readies it for the
// next operation.
class WorkControl {
 public:
  WorkControl();
  ~WorkControl();
  WorkControl(const WorkControl&) = delete;
  WorkControl& operator=(const WorkControl&) = delete;

  // Stops the running packing or cipher stage at its next check; before an operation
  // starts, marks it cancelled all the same.
  void Cancel();
  bool Cancelled() const;
  bool CanClose() const;
  Phase CurrentPhase() const;
  void Reset();
  // The operation is over (the storage marks its own; a front end marks the work it runs).
  void MarkClosable();

  struct Impl;
  Impl& Internal() { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace kestramo::api

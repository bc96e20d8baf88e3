// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>

#include "kestramo/status_sink.h"

namespace kestramo {

class ZipComponent;
class CipherManager;

// The flags shared between a worker and the thread that watches it. Each is written by
// one thread and read by the other, so they are atomics and need no lock.
class WorkStatus {
 public:
  // The starting state of one operation: closable only at its end, not cancelled.
  void Reset() {
    canClose_ = false;
    cancelled_ = false;
  }
  void SetPhase(api::Phase p) { phase_ = static_cast<int>(p); }
  api::Phase CurrentPhase() const { return static_cast<api::Phase>(phase_.load()); }
  bool Cancelled() const { return cancelled_; }
  bool CanClose() const { return canClose_; }
  void MarkClosable() { canClose_ = true; }
  // Cancel pressed while no stage runs: the operation stops before its next one.
  void MarkCancelled() { cancelled_ = true; }

  // Cancel pressed: stops the running packing or cipher operation at its next check
  // and marks the operation cancelled, so the pipeline cleans up after that stage.
  void Cancel(ZipComponent& zip, CipherManager& cipher);

 private:
  std::atomic<int> phase_{static_cast<int>(api::Phase::Compressing)};
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> canClose_{false};
};

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "storage/vault/status_sink.h"

namespace kestramo {

class Vault;

// Turns the archive's percentages and the cipher's byte counts into positions of a
// progress bar, and drops every report that would not move the bar: the cipher reports
// every 4096 bytes, which must never flood a user interface.
class ProgressTranslator {
 public:
  explicit ProgressTranslator(api::StatusSink& sink) : sink_(sink) {}

  void ZipPercent(int percent);
  void CipherProgress(int64_t current, int64_t maximal);
  // Off around index saves, so that sealing the index does not move the bar.
  void SetEnabled(bool on) { enabled_ = on; }

 private:
  void Show(int position);

  api::StatusSink& sink_;
  bool enabled_ = true;
  int maximum_ = 100;
  int position_ = -1;
};

// Connects a vault's archive and cipher progress to a translator for one operation.
class ProgressBinding {
 public:
  ProgressBinding(Vault& vault, ProgressTranslator& translator);
  ~ProgressBinding();
  ProgressBinding(const ProgressBinding&) = delete;
  ProgressBinding& operator=(const ProgressBinding&) = delete;

 private:
  Vault& vault_;
};

}  // namespace kestramo

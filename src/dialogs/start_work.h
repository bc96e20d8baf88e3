// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include "dialogs/work_thread.h"

namespace kestramo {

class FrmStatus;
class OverwriteAnswers;

// What one import or export came to, beyond success: the storage's reason for a failure and
// the existing files an extraction kept because the answer said so.
struct WorkOutcome {
  std::string reason;
  std::size_t declined = 0;
};

// Runs one import or export on a worker thread while `status` is shown modally, and
// returns once the work has closed it and the worker has ended; the pipeline's messages
// follow through ShowMessageDialog. The caller may then read status.Cancelled().
// `repaintMain`, when given, runs as soon as the dialog has closed. True when the item
// was added, or exported completely.
// An extraction that meets files which exist already asks about each through the skinned
// overwrite question; `answers`, when given, carries "to all" and Cancel across the items
// of one command.
bool StartWork(FrmStatus& status, api::Vault& vault, api::ShellInfo& shell, const WorkRequest& request,
               const std::function<void()>& repaintMain = {}, OverwriteAnswers* answers = nullptr,
               WorkOutcome* outcome = nullptr);

}  // namespace kestramo

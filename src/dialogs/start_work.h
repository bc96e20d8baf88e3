#pragma once

#include <functional>

#include "dialogs/work_thread.h"

namespace kestramo {

class FrmStatus;

// Runs one import or export on a worker thread while `status` is shown modally, and
// returns once the work has closed it and the worker has ended; the pipeline's messages
// follow through ShowMessageDialog. The caller may then read status.Cancelled().
// `repaintMain`, when given, runs as soon as the dialog has closed. True when the item
// was added, or exported completely.
bool StartWork(FrmStatus& status, Vault& vault, ShellInfo& shell, const WorkRequest& request,
               const std::function<void()>& repaintMain = {});

// The question asked when an extracted file exists: Yes/No, titled "File Exists Alert".
bool AskReplaceFile(QWidget* parent, const std::string& fileName);

}  // namespace kestramo

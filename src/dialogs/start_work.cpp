// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/start_work.h"

#include <QCoreApplication>

#include "dialogs/frm_message.h"
#include "dialogs/frm_overwrite.h"
#include "dialogs/frm_status.h"
#include "platform/gui_thread_shell_info.h"

namespace kestramo {

bool StartWork(FrmStatus& status, api::Vault& vault, api::ShellInfo& shell, const WorkRequest& request,
               const std::function<void()>& repaintMain, OverwriteAnswers* answers, WorkOutcome* outcome) {
  status.PrepareForWork();
  OverwriteAnswers ownAnswers;
  OverwriteAnswers& given = answers ? *answers : ownAnswers;
  // Asked on the main thread while the worker waits for the answer; Cancel stops the work
  // as the status dialog's own Cancel does.
  api::OverwriteQuestion ask = [&](const api::ExistingFile& existing) {
    bool replace = false;
    QMetaObject::invokeMethod(
        &status,
        [&] {
          FrmOverwrite question(&status);
          replace = given.Ask(question, existing);
          if (given.Stopped()) status.Work().Cancel();
        },
        Qt::BlockingQueuedConnection);
    return replace;
  };
  GuiThreadShellInfo shellOnGuiThread(shell);
  WorkThread worker(vault, shellOnGuiThread, {status.Sink(), status.Work()}, std::move(ask), request);
  worker.start();
  status.exec();
  // The worker is done with the vault before anyone else uses it.
  worker.wait();
  QCoreApplication::sendPostedEvents(&status, QEvent::MetaCall);
  if (repaintMain) repaintMain();
  for (const std::string& message : status.TakeMessages()) ShowMessageDialog(message, status.parentWidget());
  if (outcome) *outcome = {worker.Reason(), worker.Declined()};
  return worker.Succeeded();
}

}  // namespace kestramo

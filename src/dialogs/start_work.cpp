#include "dialogs/start_work.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "dialogs/dlg_message.h"
#include "dialogs/dlg_status.h"
#include "platform/gui_thread_shell_info.h"
#include "storage/zip/zip_component.h"

namespace kestramo {

bool AskReplaceFile(QWidget* parent, const std::string& fileName) {
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(kFileExistsTitle),
                  QString::fromStdString(ReplaceFileQuestion(fileName)), QMessageBox::Yes | QMessageBox::No, parent);
  return box.exec() == QMessageBox::Yes;
}

bool StartWork(FrmStatus& status, Vault& vault, ShellInfo& shell, const WorkRequest& request,
               const std::function<void()>& repaintMain) {
  status.PrepareForWork(vault.Zip(), vault.Cipher());
  // Asked on the main thread while the worker waits for the answer.
  OverwriteQuestion ask = [&status](const std::string& name) {
    bool replace = false;
    QMetaObject::invokeMethod(
        &status, [&] { replace = AskReplaceFile(&status, name); }, Qt::BlockingQueuedConnection);
    return replace;
  };
  GuiThreadShellInfo shellOnGuiThread(shell);
  WorkThread worker(vault, shellOnGuiThread, WorkContext{status.Sink(), status.Work()}, std::move(ask), request);
  worker.start();
  status.exec();
  // The worker is done with the vault before anyone else uses it.
  worker.wait();
  QCoreApplication::sendPostedEvents(&status, QEvent::MetaCall);
  if (repaintMain) repaintMain();
  for (const std::string& message : status.TakeMessages()) ShowMessageDialog(message, status.parentWidget());
  return worker.Succeeded();
}

}  // namespace kestramo

#include "dialogs/work_thread.h"

namespace kestramo {

WorkThread::WorkThread(Vault& vault, ShellInfo& shell, WorkContext context, OverwriteQuestion ask, WorkRequest request,
                       QObject* parent)
    : QThread(parent),
      vault_(vault),
      shell_(shell),
      context_(context),
      ask_(std::move(ask)),
      request_(std::move(request)) {}

void WorkThread::run() {
  // The pipelines close the status display on every path, failures included.
  if (request_.AddMode) {
    succeeded_ = AddItem(vault_, request_.SourcePath, request_.BoxName, context_, shell_);
  } else {
    succeeded_ = ExtractItem(vault_, request_.ExtractDir, context_, ask_) == ExportResult::Done;
  }
}

}  // namespace kestramo

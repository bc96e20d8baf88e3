#include "dialogs/work_thread.h"

namespace kestramo {

WorkThread::WorkThread(api::Vault& vault, ShellInfo& shell, WorkerContext context, api::OverwriteQuestion ask,
                       WorkRequest request, QObject* parent)
    : QThread(parent),
      vault_(vault),
      shell_(shell),
      context_(context),
      ask_(std::move(ask)),
      request_(std::move(request)) {}

void WorkThread::run() {
  // The operations close the status display on every path, failures included.
  if (request_.AddMode) {
    succeeded_ =
        vault_.Import({request_.SourcePath, request_.BoxName, &context_.status, &shell_, &context_.control}).ok();
  } else {
    api::ExportOptions options;
    options.item = request_.Item;
    options.destination = request_.ExtractDir;
    options.ask = ask_;
    options.status = &context_.status;
    options.control = &context_.control;
    succeeded_ = vault_.Export(options).ok();
  }
}

}  // namespace kestramo

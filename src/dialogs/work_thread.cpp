// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/work_thread.h"

#include <algorithm>

namespace kestramo {

WorkThread::WorkThread(api::Vault& vault, api::ShellInfo& shell, WorkerContext context, api::OverwriteQuestion ask,
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
    const api::Status imported =
        vault_.Import({request_.SourcePath, request_.BoxName, &context_.status, &shell_, &context_.control});
    succeeded_ = imported.ok();
    reason_ = imported.message;
  } else {
    api::ExportOptions options;
    options.item = request_.Item;
    options.destination = request_.ExtractDir;
    options.ask = ask_;
    options.status = &context_.status;
    options.control = &context_.control;
    api::ExportReport report;
    const api::Status exported = vault_.Export(options, &report);
    succeeded_ = exported.ok();
    reason_ = exported.message;
    declined_ = static_cast<std::size_t>(
        std::count_if(report.kept.begin(), report.kept.end(), [](const auto& kept) { return kept.declined; }));
  }
}

}  // namespace kestramo

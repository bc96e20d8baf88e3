// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QThread>
#include <cstdint>
#include <filesystem>
#include <string>

#include "kestramo/vault.h"

namespace kestramo {

// One import or one export.
struct WorkRequest {
  std::filesystem::path SourcePath;  // import: the file or folder; empty for an export
  std::string BoxName;               // import: the receiving box; empty for an export
  std::filesystem::path ExtractDir;  // export: the destination directory; empty for an import
  bool AddMode = true;               // true imports, false exports
  int32_t Item = 0;                  // export: the item's Index
};

// What a worker reports through and obeys: the status protocol and the operation's flags.
struct WorkerContext {
  api::StatusSink& status;
  api::WorkControl& control;
};

// Runs one import or export of `vault` off the main thread, reporting through `status`.
class WorkThread : public QThread {
  Q_OBJECT

 public:
  WorkThread(api::Vault& vault, api::ShellInfo& shell, WorkerContext context, api::OverwriteQuestion ask,
             WorkRequest request, QObject* parent = nullptr);

  // After the thread finished: the item was added, or exported completely.
  bool Succeeded() const { return succeeded_; }
  // Why it did not succeed, as the storage said it (empty when it did, or when it gave none).
  const std::string& Reason() const { return reason_; }
  // Existing files an extraction left as they were because the answer said so.
  std::size_t Declined() const { return declined_; }

 protected:
  void run() override;

 private:
  api::Vault& vault_;
  api::ShellInfo& shell_;
  WorkerContext context_;
  api::OverwriteQuestion ask_;
  WorkRequest request_;
  bool succeeded_ = false;
  std::string reason_;
  std::size_t declined_ = 0;
};

}  // namespace kestramo

#pragma once

#include <QThread>
#include <filesystem>
#include <string>

#include "storage/vault/item_export.h"
#include "storage/vault/item_import.h"

namespace kestramo {

// One import or one export.
struct WorkRequest {
  std::filesystem::path SourcePath;  // import: the file or folder; empty for an export
  std::string BoxName;               // import: the receiving box; empty for an export
  std::filesystem::path ExtractDir;  // export: the destination directory; empty for an import
  bool AddMode = true;               // true imports, false exports the table's current record
};

// Runs one import or export of `vault` off the main thread, reporting through `status`.
class WorkThread : public QThread {
  Q_OBJECT

 public:
  WorkThread(Vault& vault, ShellInfo& shell, WorkContext context, OverwriteQuestion ask, WorkRequest request,
             QObject* parent = nullptr);

  // After the thread finished: the item was added, or exported completely.
  bool Succeeded() const { return succeeded_; }

 protected:
  void run() override;

 private:
  Vault& vault_;
  ShellInfo& shell_;
  WorkContext context_;
  OverwriteQuestion ask_;
  WorkRequest request_;
  bool succeeded_ = false;
};

}  // namespace kestramo

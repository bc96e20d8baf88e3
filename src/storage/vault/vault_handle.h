// SPDX-License-Identifier: GPL-3.0-or-later
// What stands behind the interface's handles: an opened vault with its lock, and the flags
// of one operation bound to the components its Cancel must reach.
#pragma once

#include <memory>
#include <mutex>

#include "kestramo/vault.h"
#include "kestramo/work_control.h"
#include "storage/vault/vault.h"
#include "storage/vault/vault_lock.h"
#include "storage/vault/work_status.h"

namespace kestramo {

struct api::WorkControl::Impl {
  WorkStatus work;
  std::mutex mutex;
  kestramo::Vault* vault = nullptr;  // guarded by mutex: the vault whose stage Cancel stops

  void Cancel();
};

// Binds a control (or a private one, when the caller gave none) to a vault for the span of
// one operation; a Cancel after it ends finds nothing to stop.
class WorkBinding {
 public:
  WorkBinding(api::WorkControl* control, Vault& vault);
  ~WorkBinding();
  WorkBinding(const WorkBinding&) = delete;
  WorkBinding& operator=(const WorkBinding&) = delete;

  WorkStatus& Work() { return impl_.work; }

 private:
  std::unique_ptr<api::WorkControl> own_;
  api::WorkControl::Impl& impl_;
};

// An operation whose every change reached the disk; one that may not outlast a power cut
// fails, saying so.
inline api::Status Durable(Vault& v) {
  const std::string unsynced = v.TakeUnsynced();
  if (unsynced.empty()) return api::Status::Ok();
  return api::Status::Fail(api::Code::IoError, "the change was made, but " + v.Layout().ShownText(unsynced) +
                                                   ": it may not outlast a power cut");
}

// A save whose index reached the disk while this user's record of hardened vaults did not:
// an older index could then pass for this one, which the user must hear.
inline api::Status RecordedSave(Vault& v) {
  if (api::Status durable = Durable(v); !durable.ok()) return durable;
  if (v.RecordProblem().empty()) return api::Status::Ok();
  return api::Status::Fail(api::Code::IoError, "the index was saved, but " + v.RecordProblem());
}

// Saves the index and says how it went, the record included.
inline api::Status Saved(Vault& v) {
  if (v.SaveIndex()) return RecordedSave(v);
  v.TakeUnsynced();  // the failure says more
  if (!v.SaveProblem().empty())
    return api::Status::Fail(api::Code::IoError, "the index could not be saved: " + v.SaveProblem());
  return api::Status::Fail(api::Code::IoError, "the index could not be saved",
                           v.Layout().Shown(v.Layout().IndexFile()));
}

struct api::Vault::Impl {
  std::unique_ptr<kestramo::Vault> vault;  // none while no index may be used
  VaultLock lock;
  std::filesystem::path lockedBase;  // kept across tries to open the same vault
  bool olderOrRestored = false;
};

}  // namespace kestramo

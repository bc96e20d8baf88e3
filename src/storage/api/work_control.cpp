// SPDX-License-Identifier: GPL-3.0-or-later
#include "kestramo/work_control.h"

#include "storage/vault/vault_handle.h"

namespace kestramo {

void api::WorkControl::Impl::Cancel() {
  std::lock_guard<std::mutex> lock(mutex);
  if (vault) {
    work.Cancel(vault->Zip(), vault->Cipher());
  } else {
    work.MarkCancelled();
  }
}

namespace api {

WorkControl::WorkControl() : impl_(std::make_unique<Impl>()) {}
WorkControl::~WorkControl() = default;
void WorkControl::Cancel() { impl_->Cancel(); }
bool WorkControl::Cancelled() const { return impl_->work.Cancelled(); }
bool WorkControl::CanClose() const { return impl_->work.CanClose(); }
api::Phase WorkControl::CurrentPhase() const { return impl_->work.CurrentPhase(); }
void WorkControl::Reset() { impl_->work.Reset(); }
void WorkControl::MarkClosable() { impl_->work.MarkClosable(); }

}  // namespace api

WorkBinding::WorkBinding(api::WorkControl* control, Vault& vault)
    : own_(control ? nullptr : std::make_unique<api::WorkControl>()),
      impl_(control ? control->Internal() : own_->Internal()) {
  std::lock_guard<std::mutex> lock(impl_.mutex);
  impl_.vault = &vault;
}

WorkBinding::~WorkBinding() {
  std::lock_guard<std::mutex> lock(impl_.mutex);
  impl_.vault = nullptr;
}

}  // namespace kestramo

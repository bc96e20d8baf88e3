// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/work_status.h"

#include "storage/cipher/cipher_manager.h"
#include "storage/zip/zip_component.h"

namespace kestramo {

void WorkStatus::Cancel(ZipComponent& zip, CipherManager& cipher) {
  // Recorded before the stop, so a worker that sees its stage end early always knows why.
  cancelled_ = true;
  const api::Phase p = CurrentPhase();
  if (p == api::Phase::Compressing || p == api::Phase::Decompressing) {
    zip.CancelOperation();
  } else {
    cipher.ContinueFlag() = false;
  }
}

}  // namespace kestramo

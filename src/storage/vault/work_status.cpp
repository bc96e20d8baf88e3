#include "storage/vault/work_status.h"

#include "storage/cipher/cipher_manager.h"
#include "storage/zip/zip_component.h"

namespace kestramo {

void WorkStatus::Cancel(ZipComponent& zip, CipherManager& cipher) {
  const Phase p = CurrentPhase();
  if (p == Phase::Compressing || p == Phase::Decompressing) {
    zip.CancelOperation();
  } else {
    cipher.ContinueFlag() = false;
  }
  cancelled_ = true;
}

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/hardened/secret_guard.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace kestramo {

bool GuardProcessSecrets() {
  const rlimit none{0, 0};
  const bool noCore = ::setrlimit(RLIMIT_CORE, &none) == 0;
  return ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0 && noCore;
}

}  // namespace kestramo

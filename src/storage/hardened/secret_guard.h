// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kestramo {

// Keeps this process's memory out of core files and away from other processes of the same
// user (no core dump, no ptrace attach), from the first moment a hardened vault's secrets
// are in it until the process ends. True when both took effect.
bool GuardProcessSecrets();

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "kestramo/status.h"
#include "storage/hardened/hardened_keys.h"

namespace kestramo {

inline constexpr const char* kRecoveryBox = "Recovered";

class Vault;

// Turns a loaded classic vault into a hardened one under `passphrase`: every item is
// re-sealed under a key of its own into temp/hardening/, then the hardened index is saved,
// which is the one moment the vault changes format; only after it are the classic files
// replaced. A kill at any moment leaves a vault that opens, classic or hardened, with every
// item. Item files that no record lists but that open under the vault's key are re-sealed
// into the box kRecoveryBox; those and every other file with classic material (see
// FindClassicLeftovers, for the caller to show first) are listed in the hardened index and
// removed once it is saved. A failure when nothing changed, or (its message says so) when the
// vault is hardened but some re-sealed items wait in temp/hardening/ for the next open to move
// them in. `onItem` hears of each item re-sealed.
api::Status HardenVault(Vault& vault, std::string_view passphrase, const KdfCost& cost,
                        const std::function<void(std::size_t done, std::size_t total)>& onItem = {});

// After a load or a save of re-sealed items: finishes a conversion that a kill interrupted
// once the hardened index was saved (the leftovers it lists removed, then the list saved
// away; re-sealed items moved into place; classic index generations replaced), or clears
// away one interrupted before it. Empty when it is done;
// else what it could not do: the staged copies then stay in temp/hardening/ for the next
// open to move in, never deleted while their records need them.
std::string SettleHardening(Vault& vault);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
// A health check of a vault: every item opened as it would be taken out and judged, the
// files in coffrel/ that no record lists, and (in a hardened vault) files still in the
// classic format.
#pragma once

#include <filesystem>
#include <functional>
#include <vector>

#include "kestramo/health.h"

namespace kestramo {

class Vault;

// Checks every item of the vault (it uses temp/): each is decoded through to its end, or,
// `quick`, only deciphered and its directory read. `beforeItem(done, total)` is called
// before each item; when it returns false the check stops there.
api::VaultHealth CheckVaultHealth(Vault& vault, const std::function<bool(std::size_t, std::size_t)>& beforeItem = {},
                                  bool quick = false);

// Removes item files that no record lists, for good (the folder is synced); returns those
// that could not be removed.
std::vector<std::filesystem::path> RemoveUnrecordedFiles(Vault& vault, const std::vector<std::filesystem::path>& files);

}  // namespace kestramo

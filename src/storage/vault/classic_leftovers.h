// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <vector>

namespace kestramo {

class Vault;

// What a classic vault's folder holds besides its recorded items and its index: copies of
// damaged indexes set aside, item files no record lists, scratch files. Each still opens with
// the classic keys, so a conversion must not leave them behind.
struct ClassicLeftovers {
  std::vector<std::filesystem::path> recoverable;  // item files that open under the vault's key: kept, re-sealed
  std::vector<std::filesystem::path> doomed;       // the rest: removed once the conversion is saved
  // Item files that could not be read just now: nothing tells whether they hold an item, so
  // no conversion may go on while they are there.
  std::vector<std::filesystem::path> unreadable;

  bool Empty() const { return recoverable.empty() && doomed.empty(); }
};

ClassicLeftovers FindClassicLeftovers(Vault& vault);

// In a hardened vault: removes the leftover files its index lists (see IndexSeal), but never
// one in a hardened format nor the file of a recorded item, which a staged copy replaces.
// What could not be removed, or made durable as removed; empty when all is done.
std::vector<std::filesystem::path> RemoveListedLeftovers(Vault& vault);

// In a hardened vault: every file that is not in a hardened format (or the first hardened
// item format of a recorded item) and would give something away to a copy of the folder.
std::vector<std::filesystem::path> ClassicFilesIn(const Vault& vault);

// Whether an item file deciphers under `key` into something shaped like a ZIP archive; nothing
// plain is written anywhere.
bool OpensAsArchive(Vault& vault, const std::filesystem::path& itemFile, const std::string& key);

}  // namespace kestramo

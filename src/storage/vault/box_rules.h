// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "kestramo/box_names.h"
#include "storage/table/item_table.h"
#include "storage/vault/vault.h"

namespace kestramo {

// The boxes of the table: every distinct Box value, box records and items alike, in
// record order at first appearance, compared ignoring case.
std::vector<std::string> BoxNames(const ItemTable& table);

// Appends the box record of a new box (its name trimmed).
void AddBoxRecord(Vault& vault, const std::string& name);
// Moves every record of the box `from` (compared exactly) to `to`.
void RenameBoxRecords(Vault& vault, const std::string& from, const std::string& to);

}  // namespace kestramo

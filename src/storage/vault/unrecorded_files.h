// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <vector>

#include "storage/vault/vault.h"

namespace kestramo {

// The label of an item file set aside because a new item was given its number.
inline constexpr const char* kUnrecordedLabel = "unrecorded";

// Files in coffrel/ that hold an item no record lists, sorted by name: numbered item files
// without a record (a kill between a deletion's save and the removal of its file leaves
// one, and so does a lost index), and item files set aside as unrecorded. The file of a
// recorded item is never among them. *listed (when given): whether coffrel/ could be listed
// whole, without which the files found may not be all.
std::vector<std::filesystem::path> UnrecordedItemFiles(const Vault& vault, bool* listed = nullptr);

}  // namespace kestramo

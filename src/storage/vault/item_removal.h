// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/vault/vault.h"

namespace kestramo {

// Removes the given items of a box (records, and item files once the index is saved), or
// with `wholeBox` the box record and every item listed. The caller asks the user first and
// saves afterwards.
// `items` are the box's listed item numbers; an item file already missing is no obstacle.
void DeleteItems(Vault& vault, const std::string& box, const std::vector<int32_t>& items, bool wholeBox);

// Deletes the record with this Index (in any box), and its item file with the next save.
void DeleteItemByIndex(Vault& vault, int32_t index);

// Puts `text` into the Comment of the first record with this Index; false when there is none.
bool SetItemComment(Vault& vault, int32_t index, const std::string& text);

}  // namespace kestramo

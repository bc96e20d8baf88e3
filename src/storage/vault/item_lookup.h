// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "storage/table/item_table.h"

namespace kestramo {

// Moves the table to the first item record, in table order, with this Index and, when
// `box` is given, in that box (compared exactly). False, and the position undefined, when none.
bool MoveToItem(ItemTable& table, int32_t index, const std::string* box = nullptr);

}  // namespace kestramo

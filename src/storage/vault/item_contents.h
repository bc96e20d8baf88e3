// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "storage/table/item_table.h"
#include "storage/zip/zip_component.h"

namespace kestramo {

// Why the archive loaded in `zip` (an item file's contents, read back) is not the item that
// `record` describes, or "" when it is: a file item holds one entry named as the item, a
// folder item only entries inside the folder of that name, and the sizes add up to the
// record's. An item file swapped with another's, or put back under the wrong number, fails.
std::string ContentsMismatch(const ZipComponent& zip, const ItemRecord& record);

}  // namespace kestramo

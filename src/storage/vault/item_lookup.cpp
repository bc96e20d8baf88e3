// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/item_lookup.h"

namespace kestramo {

bool MoveToItem(ItemTable& table, int32_t index, const std::string* box) {
  for (int r = 1; r <= table.RecordCount(); ++r) {
    table.MoveTo(r);
    if (table.Field(ItemField::Name).IsNull() || table.Field(ItemField::Index).AsInteger() != index) continue;
    if (!box || table.Field(ItemField::Box).AsString() == *box) return true;
  }
  return false;
}

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/table/item_fields.h"

#include "storage/text/utf8.h"

namespace kestramo {

const std::array<FieldDef, kItemFieldCount>& ItemFieldDefs() {
  static const std::array<FieldDef, kItemFieldCount> defs{{
      {"Index", FieldType::Integer, 0},
      {"Name", FieldType::Text, 0},
      {"Size", FieldType::LargeInteger, 0},
      {"Type", FieldType::Text, 79},
      {"Date", FieldType::DateTime, 0},
      {"Icon", FieldType::Image, 0},
      {"IconMask", FieldType::Image, 0},
      {"Box", FieldType::Text, 80},
      {"Folder", FieldType::Boolean, 0},
      {"Password", FieldType::Text, 44},  // a classic master key, or a hardened item's key in base64
      {"Comment", FieldType::Text, 0},
  }};
  return defs;
}

std::optional<ItemField> FieldByNameLookup(std::string_view name) {
  const auto& defs = ItemFieldDefs();
  for (std::size_t i = 0; i < defs.size(); ++i) {
    if (api::EqualsIgnoreCase(defs[i].name, name)) return static_cast<ItemField>(i);
  }
  return std::nullopt;
}

}  // namespace kestramo

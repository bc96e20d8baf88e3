// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "storage/table/field_value.h"

namespace kestramo {

// The eleven fields of the index table, in their stored order.
enum class ItemField : uint8_t { Index, Name, Size, Type, Date, Icon, IconMask, Box, Folder, Password, Comment };
inline constexpr std::size_t kItemFieldCount = 11;

struct FieldDef {
  std::string_view name;
  FieldType type;
  std::size_t maxChars;  // text fields only; 0 means no limit
};

// One record of the index table: a value for each field, in the order of ItemField.
using ItemRecord = std::array<FieldValue, kItemFieldCount>;

inline const FieldValue& FieldOf(const ItemRecord& r, ItemField f) { return r[static_cast<std::size_t>(f)]; }

const std::array<FieldDef, kItemFieldCount>& ItemFieldDefs();
inline const FieldDef& DefOf(ItemField f) { return ItemFieldDefs()[static_cast<std::size_t>(f)]; }
// Field by name, ignoring case as the table's callers spell them.
std::optional<ItemField> FieldByNameLookup(std::string_view name);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/box_rules.h"

#include <unordered_set>

#include "storage/text/utf8.h"

namespace kestramo {

std::vector<std::string> BoxNames(const ItemTable& table) {
  std::vector<std::string> names;
  std::unordered_set<std::u32string> seen;
  for (const ItemRecord& r : table.AllRecords()) {
    const std::string& box = r[static_cast<std::size_t>(ItemField::Box)].AsString();
    if (seen.insert(api::FoldCase(box)).second) names.push_back(box);
  }
  return names;
}

std::optional<std::string> api::CheckBoxName(const std::vector<std::string>& boxes, const std::string& typed) {
  const std::string trimmed = api::Trim(typed);
  // A name of blanks alone would make a box without a name: refused like an empty one.
  if (trimmed.empty()) return std::string(api::kEmptyBoxNameMessage);
  // The field would cut a longer name, and two long names could become one box.
  if (api::Utf8Length(typed) > api::kMaxBoxNameChars) return std::string(api::kLongBoxNameMessage);
  for (const std::string& box : boxes) {
    if (api::EqualsIgnoreCase(api::Trim(box), trimmed)) return std::string(api::kDuplicateBoxMessage);
  }
  return std::nullopt;
}

void AddBoxRecord(Vault& vault, const std::string& name) {
  ItemTable& t = vault.Items();
  t.Append();
  t.SetField(ItemField::Box, FieldValue::Text(api::Trim(name)));
  t.Post();
}

void RenameBoxRecords(Vault& vault, const std::string& from, const std::string& to) {
  ItemTable& t = vault.Items();
  for (int r = 1; r <= t.RecordCount(); ++r) {
    t.MoveTo(r);
    if (t.Field(ItemField::Box).AsString() != from) continue;
    t.Edit();
    t.SetField(ItemField::Box, FieldValue::Text(to));
    t.Post();
  }
}

}  // namespace kestramo

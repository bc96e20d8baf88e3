// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/item_removal.h"

#include <unordered_set>

#include "storage/vault/file_helpers.h"
#include "storage/vault/item_lookup.h"

namespace kestramo {

namespace {

bool IsItem(const ItemRecord& r) { return !FieldOf(r, ItemField::Name).IsNull(); }

void DeleteItemFiles(Vault& vault, const std::vector<ItemRecord>& removed) {
  for (const ItemRecord& r : removed) {
    if (IsItem(r)) vault.RemoveItemFileAfterSave(FieldOf(r, ItemField::Index).AsInteger());
  }
}

}  // namespace

void DeleteItems(Vault& vault, const std::string& box, const std::vector<int32_t>& itemNumbers, bool wholeBox) {
  // A whole box goes with every record that names it, however many items it holds.
  const std::unordered_set<int32_t> chosen(itemNumbers.begin(), itemNumbers.end());
  bool boxRecordSeen = false;
  const auto removed = vault.Items().DeleteWhere([&](const ItemRecord& r) {
    if (FieldOf(r, ItemField::Box).AsString() != box) return false;
    if (!IsItem(r)) {
      if (!wholeBox || boxRecordSeen) return false;
      boxRecordSeen = true;
      return true;
    }
    return wholeBox || chosen.count(FieldOf(r, ItemField::Index).AsInteger()) > 0;
  });
  DeleteItemFiles(vault, removed);
}

void DeleteItemByIndex(Vault& vault, int32_t index) {
  bool done = false;
  const auto removed = vault.Items().DeleteWhere([&](const ItemRecord& r) {
    if (done || !IsItem(r) || FieldOf(r, ItemField::Index).AsInteger() != index) return false;
    return done = true;
  });
  DeleteItemFiles(vault, removed);
}

bool SetItemComment(Vault& vault, int32_t index, const std::string& text) {
  ItemTable& items = vault.Items();
  if (!MoveToItem(items, index)) return false;
  items.Edit();
  items.SetField(ItemField::Comment, FieldValue::Text(text));
  items.Post();
  return true;
}

}  // namespace kestramo

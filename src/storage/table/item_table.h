// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "storage/table/field_value.h"
#include "storage/table/item_fields.h"

namespace kestramo {

// The in-memory index table: one flat list of box and item records in insertion
// order, a current record and an edit buffer (append/edit, then post). Record numbers run
// from 1 to RecordCount().
// Not thread-safe: one thread uses it at a time.
class ItemTable {
 public:
  ItemTable();

  int RecordCount() const;
  int RecNo() const { return recNo_; }  // 0 when the table is empty
  bool MoveTo(int recNo);
  bool Eof() const { return recNo_ == 0 || recNo_ > RecordCount(); }

  // The current record's field, or the edit buffer's while appending or editing.
  const FieldValue& FieldByName(std::string_view name) const;
  const FieldValue& Field(ItemField f) const;
  // Only in append or edit state; text is cut to the field's limit.
  void SetField(ItemField f, FieldValue v);
  void SetFieldByName(std::string_view name, FieldValue v);

  void Append();
  void Edit();
  void Post();
  void Cancel();
  // Deletes the current record; the records behind it move up by one.
  void Delete();
  // Deletes every record that `match` accepts, in one pass;
  // returns the deleted records in table order.
  std::vector<ItemRecord> DeleteWhere(const std::function<bool(const ItemRecord&)>& match);
  void Clear();

  // Every record in table order (for views and saving).
  const std::vector<ItemRecord>& AllRecords() const { return rows_; }
  void ReplaceAll(std::vector<ItemRecord> rows);
  // Grows with every change to the records (a post, a deletion, a replacement), so that a
  // save can tell whether there is anything to write.
  uint64_t Changes() const { return changes_; }

 private:
  enum class State { Browse, Append, Edit };
  std::size_t RowOf(int recNo) const;

  std::vector<ItemRecord> rows_;
  int recNo_ = 0;
  uint64_t changes_ = 0;
  State state_ = State::Browse;
  ItemRecord buffer_;
};

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/table/item_table.h"

#include <stdexcept>

#include "storage/text/utf8.h"

namespace kestramo {
namespace {

const FieldValue& NullValue() {
  static const FieldValue null;
  return null;
}

}  // namespace

ItemTable::ItemTable() = default;

int ItemTable::RecordCount() const { return static_cast<int>(rows_.size()); }

std::size_t ItemTable::RowOf(int recNo) const { return static_cast<std::size_t>(recNo - 1); }

bool ItemTable::MoveTo(int recNo) {
  if (state_ != State::Browse) Post();
  if (recNo < 1 || recNo > RecordCount()) return false;
  recNo_ = recNo;
  return true;
}

const FieldValue& ItemTable::Field(ItemField f) const {
  const auto i = static_cast<std::size_t>(f);
  if (state_ != State::Browse) return buffer_[i];
  if (recNo_ < 1 || recNo_ > RecordCount()) return NullValue();
  return rows_[RowOf(recNo_)][i];
}

const FieldValue& ItemTable::FieldByName(std::string_view name) const {
  const auto f = FieldByNameLookup(name);
  if (!f) throw std::invalid_argument("Field '" + std::string(name) + "' not found");
  return Field(*f);
}

void ItemTable::SetField(ItemField f, FieldValue v) {
  if (state_ == State::Browse) throw std::logic_error("Table not in edit or insert mode");
  const FieldDef& def = DefOf(f);
  if (def.type == FieldType::Text && def.maxChars > 0 && api::Utf8Length(v.AsString()) > def.maxChars) {
    v = FieldValue::Text(api::Utf8Truncate(v.AsString(), def.maxChars));
  }
  buffer_[static_cast<std::size_t>(f)] = std::move(v);
}

void ItemTable::SetFieldByName(std::string_view name, FieldValue v) {
  const auto f = FieldByNameLookup(name);
  if (!f) throw std::invalid_argument("Field '" + std::string(name) + "' not found");
  SetField(*f, std::move(v));
}

void ItemTable::Append() {
  if (state_ != State::Browse) Post();
  buffer_ = ItemRecord{};
  state_ = State::Append;
}

void ItemTable::Edit() {
  if (state_ != State::Browse) return;
  if (recNo_ < 1 || recNo_ > RecordCount()) throw std::logic_error("Cannot edit: no current record");
  buffer_ = rows_[RowOf(recNo_)];
  state_ = State::Edit;
}

void ItemTable::Post() {
  if (state_ != State::Browse) ++changes_;
  if (state_ == State::Append) {
    rows_.push_back(std::move(buffer_));
    state_ = State::Browse;
    // The new record becomes current.
    recNo_ = RecordCount();
  } else if (state_ == State::Edit) {
    const std::size_t row = RowOf(recNo_);
    rows_[row] = std::move(buffer_);
    state_ = State::Browse;
    if (recNo_ > RecordCount()) recNo_ = RecordCount();
  }
  buffer_ = ItemRecord{};
}

void ItemTable::Cancel() {
  state_ = State::Browse;
  buffer_ = ItemRecord{};
}

void ItemTable::Delete() {
  if (state_ == State::Append) {
    Cancel();
    return;
  }
  state_ = State::Browse;
  if (recNo_ < 1 || recNo_ > RecordCount()) return;
  ++changes_;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(RowOf(recNo_)));
  if (recNo_ > RecordCount()) recNo_ = RecordCount();
}

std::vector<ItemRecord> ItemTable::DeleteWhere(const std::function<bool(const ItemRecord&)>& match) {
  if (state_ != State::Browse) Post();
  std::vector<ItemRecord> removed;
  std::vector<ItemRecord> kept;
  kept.reserve(rows_.size());
  for (ItemRecord& row : rows_) (match(row) ? removed : kept).push_back(std::move(row));
  rows_ = std::move(kept);
  if (!removed.empty()) ++changes_;
  if (recNo_ > RecordCount()) recNo_ = RecordCount();
  return removed;
}

void ItemTable::Clear() { ReplaceAll({}); }

void ItemTable::ReplaceAll(std::vector<ItemRecord> rows) {
  state_ = State::Browse;
  buffer_ = ItemRecord{};
  rows_ = std::move(rows);
  ++changes_;
  recNo_ = RecordCount() > 0 ? 1 : 0;
}

}  // namespace kestramo

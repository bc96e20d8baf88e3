// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/table/field_value.h"

namespace kestramo {

FieldValue FieldValue::Text(std::string v) {
  if (v.empty()) return FieldValue();
  return FieldValue(Storage(std::move(v)));
}

FieldValue FieldValue::Image(api::Picture v) {
  if (!v || v->empty()) return FieldValue();
  return FieldValue(Storage(std::move(v)));
}

int32_t FieldValue::AsInteger() const { return static_cast<int32_t>(AsInteger64()); }

int64_t FieldValue::AsInteger64() const {
  if (const auto* v = std::get_if<int64_t>(&value_)) return *v;
  if (const auto* b = std::get_if<bool>(&value_)) return *b ? 1 : 0;
  return 0;
}

const std::string& FieldValue::AsString() const {
  static const std::string empty;
  const auto* v = std::get_if<std::string>(&value_);
  return v ? *v : empty;
}

api::LocalDateTime FieldValue::AsDateTime() const {
  const auto* v = std::get_if<api::LocalDateTime>(&value_);
  return v ? *v : api::LocalDateTime{};
}

bool FieldValue::AsBoolean() const {
  if (const auto* v = std::get_if<bool>(&value_)) return *v;
  return AsInteger() != 0;
}

const api::Picture& FieldValue::AsPicture() const {
  static const api::Picture none;
  const auto* v = std::get_if<api::Picture>(&value_);
  return v ? *v : none;
}

bool operator==(const FieldValue& a, const FieldValue& b) {
  const auto* pa = std::get_if<api::Picture>(&a.value_);
  const auto* pb = std::get_if<api::Picture>(&b.value_);
  if (pa && pb) return **pa == **pb;  // pictures compare by content
  return a.value_ == b.value_;
}

}  // namespace kestramo

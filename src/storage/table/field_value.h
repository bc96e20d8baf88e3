// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "kestramo/local_date_time.h"
#include "kestramo/picture.h"

namespace kestramo {

// A LargeInteger holds 64 bits; the index's byte form widens it only when a value needs it.
enum class FieldType : uint8_t { Integer, Text, DateTime, Boolean, Image, LargeInteger };

// One field value of a record. An empty (null) value reads as 0, "", false or no picture.
class FieldValue {
 public:
  FieldValue() = default;
  static FieldValue Integer(int64_t v) { return FieldValue(Storage(v)); }
  static FieldValue Text(std::string v);  // an empty text is stored as null
  static FieldValue DateTime(api::LocalDateTime v) { return FieldValue(Storage(v)); }
  static FieldValue Boolean(bool v) { return FieldValue(Storage(v)); }
  static FieldValue Image(api::Picture v);  // no picture or an empty one is null

  bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }
  int32_t AsInteger() const;  // for 32-bit fields
  int64_t AsInteger64() const;
  const std::string& AsString() const;
  api::LocalDateTime AsDateTime() const;
  bool AsBoolean() const;
  const api::Picture& AsPicture() const;

  friend bool operator==(const FieldValue& a, const FieldValue& b);

 private:
  using Storage = std::variant<std::monostate, int64_t, std::string, api::LocalDateTime, bool, api::Picture>;
  explicit FieldValue(Storage v) : value_(std::move(v)) {}
  Storage value_;
};

}  // namespace kestramo

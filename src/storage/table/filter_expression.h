// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "kestramo/status.h"
#include "storage/table/item_fields.h"

namespace kestramo {

// A parsed filter over the index table. The language: field IS [NOT] NULL,
// field LIKE 'pattern' (quotes inside doubled), field = 'text', NOT, AND, OR
// and parentheses; keywords and field names ignore case.
class FilterExpression {
 public:
  using FieldReader = std::function<const FieldValue&(ItemField)>;

  // Parses; InvalidArgument with a readable reason when the text is no filter.
  static api::Result<std::unique_ptr<FilterExpression>> Parse(std::string_view text, bool caseInsensitive);

  virtual ~FilterExpression() = default;
  virtual bool Matches(const FieldReader& field) const = 0;
  bool MatchesRecord(const ItemRecord& row) const {
    return Matches([&row](ItemField f) -> const FieldValue& { return FieldOf(row, f); });
  }
};

// The filter of a search for a text in names and comments. A leading and a trailing
// asterisk are dropped (one each); what remains is matched anywhere in either field.
// Quotes in the text are doubled so that every text yields a valid expression.
std::string FindFilterFor(std::string_view searchText);

}  // namespace kestramo

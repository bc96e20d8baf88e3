// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/item_lookup.h"

#include <cstdio>

#include "cli/cli_error.h"
#include "cli/composed_text.h"
#include "cli/output_text.h"
#include "kestramo/text.h"

namespace kestramo::cli {

std::string FindBox(const std::vector<std::string>& boxes, const std::string& typed) {
  for (const std::string& box : boxes) {
    if (box == typed) return box;
  }
  for (const std::string& box : boxes) {
    if (api::EqualsIgnoreCase(Composed(box), Composed(typed))) return box;
  }
  throw CliError("there is no box named \"" + typed + "\"");
}

void RequireItem(const api::Vault& vault, int32_t index) {
  if (!vault.Item(index, nullptr).ok()) throw CliError("there is no item " + std::to_string(index));
}

int32_t ParseIndex(const std::string& text) {
  std::size_t used = 0;
  long value = 0;
  try {
    value = std::stol(text, &used);
  } catch (...) {
    used = 0;
  }
  if (used != text.size() || value < 1 || value > 0x7FFFFFFF)
    throw UsageError("\"" + text + "\" is not an item number");
  return static_cast<int32_t>(value);
}

namespace {

std::string IsoDate(const api::LocalDateTime& t) {
  const auto c = t.ToCivil();
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", c.year, c.month, c.day, c.hour, c.minute, c.second);
  return text;
}

}  // namespace

std::string ListLine(const api::ItemInfo& item) {
  return std::to_string(item.index) + "\t" + Escaped(item.box) + "\t" + Escaped(item.name) + "\t" +
         std::to_string(item.size) + "\t" + Escaped(item.type) + "\t" + IsoDate(item.date) + "\t" +
         (item.folder ? "1" : "0") + "\t" + Escaped(item.comment);
}

}  // namespace kestramo::cli

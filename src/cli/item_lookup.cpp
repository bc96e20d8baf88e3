#include "cli/item_lookup.h"

#include <cstdio>

#include "cli/cli_error.h"
#include "cli/composed_text.h"
#include "cli/output_text.h"
#include "storage/text/utf8.h"
#include "storage/vault/item_lookup.h"

namespace kestramo::cli {

std::string FindBox(const std::vector<std::string>& boxes, const std::string& typed) {
  for (const std::string& box : boxes) {
    if (box == typed) return box;
  }
  for (const std::string& box : boxes) {
    if (EqualsIgnoreCase(Composed(box), Composed(typed))) return box;
  }
  throw CliError("there is no box named \"" + typed + "\"");
}

void MoveToItem(Vault& vault, int32_t index) {
  if (kestramo::MoveToItem(vault.Items(), index)) return;
  throw CliError("there is no item " + std::to_string(index));
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

std::string IsoDate(const LocalDateTime& t) {
  const auto c = t.ToCivil();
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", c.year, c.month, c.day, c.hour, c.minute, c.second);
  return text;
}

}  // namespace

std::string ListLine(const ItemRecord& r) {
  auto f = [&r](ItemField field) -> const FieldValue& { return r[static_cast<std::size_t>(field)]; };
  return std::to_string(f(ItemField::Index).AsInteger()) + "\t" + Escaped(f(ItemField::Box).AsString()) + "\t" +
         Escaped(f(ItemField::Name).AsString()) + "\t" + std::to_string(f(ItemField::Size).AsInteger64()) + "\t" +
         Escaped(f(ItemField::Type).AsString()) + "\t" + IsoDate(f(ItemField::Date).AsDateTime()) + "\t" +
         (f(ItemField::Folder).AsBoolean() ? "1" : "0") + "\t" + Escaped(f(ItemField::Comment).AsString());
}

}  // namespace kestramo::cli

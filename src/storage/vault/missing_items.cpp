// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/missing_items.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string_view>
#include <system_error>

#include "storage/text/named_list.h"
#include "storage/vault/vault.h"

namespace kestramo {

namespace fs = std::filesystem;

namespace {

// The numbers of the item files in coffrel/, sorted; nothing when it cannot be listed whole.
std::optional<std::vector<int64_t>> ItemFileNumbers(const fs::path& coffrel) {
  // Read straight from the folder: at tens of thousands of items, a path per entry would
  // cost the open more than the check is worth.
  DIR* dir = ::opendir(coffrel.c_str());
  if (!dir) return std::nullopt;
  std::vector<int64_t> numbers;
  errno = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (!VaultLayout::IsItemFileName(name)) continue;
    int64_t number = 0;
    for (const char digit : name.substr(4, 10)) number = number * 10 + (digit - '0');
    numbers.push_back(number);
  }
  const bool whole = errno == 0;
  ::closedir(dir);
  if (!whole) return std::nullopt;
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

}  // namespace

std::vector<MissingItem> MissingItemFiles(const Vault& vault) {
  // A folder that cannot be listed says nothing of its files: extracting will tell.
  const auto present = ItemFileNumbers(vault.Layout().CoffrelDir());
  if (!present) return {};
  std::vector<MissingItem> missing;
  std::error_code ec;
  for (const ItemRecord& row : vault.Items().AllRecords()) {
    if (FieldOf(row, ItemField::Name).IsNull()) continue;
    const int32_t index = FieldOf(row, ItemField::Index).AsInteger();
    // A negative number's file has no item file's name: it is looked for by its own.
    const bool there = index >= 0 ? std::binary_search(present->begin(), present->end(), index)
                                  : fs::exists(vault.Layout().ItemFile(index), ec);
    if (!there) missing.push_back({index, FieldOf(row, ItemField::Name).AsString()});
  }
  return missing;
}

std::string MissingItemsWarning(const std::vector<MissingItem>& missing) {
  if (missing.empty()) return {};
  std::vector<std::string> names;
  for (const MissingItem& item : missing) {
    names.push_back("\"" + item.name + "\" (item " + std::to_string(item.index) + ")");
  }
  const bool one = missing.size() == 1;
  return std::string(one ? "The item " : "The items ") + NamedList(names, 5) + (one ? " has" : " have") +
         " no file in coffrel/ and cannot be extracted. The vault may be an incomplete copy, made or synced "
         "while an item was being added: copy the missing files from where it came from.";
}

}  // namespace kestramo

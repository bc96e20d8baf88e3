#include "storage/vault/missing_items.h"

#include <system_error>
#include <unordered_set>

#include "storage/text/named_list.h"
#include "storage/vault/vault.h"

namespace kestramo {

namespace fs = std::filesystem;

std::vector<MissingItem> MissingItemFiles(const Vault& vault) {
  std::unordered_set<std::string> present;
  std::error_code ec;
  for (fs::directory_iterator it(vault.Layout().CoffrelDir(), ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (VaultLayout::IsItemFileName(name)) present.insert(std::move(name));
  }
  // A folder that cannot be listed says nothing of its files: extracting will tell.
  if (ec) return {};
  std::vector<MissingItem> missing;
  for (const ItemRecord& row : vault.Items().AllRecords()) {
    if (FieldOf(row, ItemField::Name).IsNull()) continue;
    const int32_t index = FieldOf(row, ItemField::Index).AsInteger();
    if (!present.count(VaultLayout::ItemBaseName(index) + ".dat")) {
      missing.push_back({index, FieldOf(row, ItemField::Name).AsString()});
    }
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/unrecorded_files.h"

#include <algorithm>
#include <set>
#include <string>
#include <system_error>

namespace kestramo {

namespace fs = std::filesystem;

std::vector<fs::path> UnrecordedItemFiles(const Vault& vault, bool* listed) {
  std::set<std::string> recorded;
  for (const ItemRecord& r : vault.Items().AllRecords()) {
    if (FieldOf(r, ItemField::Name).IsNull()) continue;
    recorded.insert(vault.Layout().ItemFile(FieldOf(r, ItemField::Index).AsInteger()).filename().string());
  }
  const std::string setAside = std::string(".") + kUnrecordedLabel + "-";
  std::vector<fs::path> found;
  std::error_code ec;
  for (fs::directory_iterator it(vault.Layout().CoffrelDir(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const std::string itemName = name.substr(0, VaultLayout::kItemFileNameLength);
    if (!VaultLayout::IsItemFileName(itemName)) continue;
    const bool numbered = name == itemName && !recorded.count(name);
    if (numbered || name.compare(itemName.size(), setAside.size(), setAside) == 0) found.push_back(it->path());
  }
  if (listed) *listed = !ec || ec == std::errc::no_such_file_or_directory;
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace kestramo

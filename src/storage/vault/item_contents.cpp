// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/item_contents.h"

#include "storage/zip/entry_name.h"

namespace kestramo {

std::string ContentsMismatch(const ZipComponent& zip, const ItemRecord& record) {
  const std::string& name = FieldOf(record, ItemField::Name).AsString();
  const bool isFolder = FieldOf(record, ItemField::Folder).AsBoolean();
  const auto& entries = zip.Entries();
  if (!isFolder && entries.size() != 1) {
    return "it holds " + std::to_string(entries.size()) + " entries, not the one file \"" + name + "\"";
  }
  uint64_t total = 0;
  for (const auto& entry : entries) {
    const std::string stored = zip::DecodeEntryName(entry.rawName, entry.flags, zip.OEMConvert());
    const bool belongs = isFolder ? stored.rfind(name + "/", 0) == 0 : stored == name;
    if (!belongs) return "it holds \"" + stored + "\", which is not part of \"" + name + "\"";
    total += entry.uncompressedSize;
  }
  if (total != static_cast<uint64_t>(FieldOf(record, ItemField::Size).AsInteger64()))
    return "its size does not match the index";
  return {};
}

}  // namespace kestramo

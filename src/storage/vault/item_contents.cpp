#include "storage/vault/item_contents.h"

#include "storage/zip/entry_name.h"

namespace kestramo {

std::string ContentsMismatch(const ZipComponent& zip, const ItemRecord& record) {
  auto f = [&record](ItemField field) -> const FieldValue& { return record[static_cast<std::size_t>(field)]; };
  const std::string& name = f(ItemField::Name).AsString();
  const bool isFolder = f(ItemField::Folder).AsBoolean();
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
  if (total != static_cast<uint64_t>(f(ItemField::Size).AsInteger64())) return "its size does not match the index";
  return {};
}

}  // namespace kestramo

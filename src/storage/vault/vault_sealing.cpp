// SPDX-License-Identifier: GPL-3.0-or-later
// How a vault seals its item files and opens them again, in either format.
#include "storage/hardened/sealed_item.h"
#include "storage/hardened/sealed_view.h"
#include "storage/vault/durable_file.h"
#include "storage/vault/file_helpers.h"
#include "storage/vault/vault.h"
#include "storage/vault/vault_hardening.h"

namespace kestramo {

namespace fs = std::filesystem;

namespace {

ChunkWatch WatchOf(CipherManager& cipher) {
  cipher.ContinueFlag().store(true);
  return {cipher.OnProgress(), &cipher.ContinueFlag()};
}

}  // namespace

std::optional<std::string> Vault::SealItem(const fs::path& archive, const fs::path& sealed, int32_t index,
                                           std::string* why) {
  if (!hardened_) {
    // On the disk before the index that will list it: after a power cut, a recorded item
    // must not be an empty or cut-short file.
    if (cipher_.EncryptFile(archive, sealed, masterKey_).ok() && SyncFile(sealed)) return masterKey_;
    if (why) *why = "its encrypted copy could not be written";
    return std::nullopt;
  }
  const KeyBytes key = KeyBytes::Random();
  if (!SealItemFile(archive, zip_.ScratchInUse(), sealed, key, BindingOf(index), WatchOf(cipher_), why)) {
    return std::nullopt;
  }
  // The number is free (it is being given to a new item): its file is bound from now on.
  std::erase(seal_.legacyItems, index);
  return ItemKeyText(key);
}

std::optional<Vault::ItemSealer> Vault::StartSealedItem(const fs::path& sealed, int32_t index) {
  if (!hardened_) return std::nullopt;
  ItemSealer sealer{KeyBytes::Random(), nullptr};
  sealer.stream = std::make_unique<SealingStream>(sealed, sealer.key, BindingOf(index));
  return sealer;
}

std::optional<std::string> Vault::FinishSealedItem(ItemSealer& sealer, int32_t index, std::string* why) {
  if (!sealer.stream->Finish()) {
    if (why) *why = "its sealed copy could not be written";
    return std::nullopt;
  }
  std::erase(seal_.legacyItems, index);  // the number is being given to a new item
  return ItemKeyText(sealer.key);
}

api::Status Vault::OpenItem(const fs::path& itemFile, const std::string& recordKey, int32_t index,
                            const fs::path& archive) {
  using api::Code;
  using api::Status;
  if (!hardened_) {
    const CipherRun run = cipher_.DecryptFile(itemFile, archive, recordKey);
    if (run.ok()) return Status::Ok();
    if (run.fault == CipherFault::Destination) {
      return Status::Fail(
          Code::NoSpace,
          "its file cannot be decrypted into the vault's temp folder (is the vault's disk full?): " + run.failure,
          archive);
    }
    return Status::Fail(Code::Damaged, "its file cannot be read: " + run.failure, itemFile);
  }
  const auto key = ItemKeyFromText(recordKey);
  if (!key) return Status::Fail(Code::Damaged, "its record's key is damaged", itemFile);
  zip_.RenewScratch();
  std::string why;
  if (!OpenItemFile(itemFile, *key, BindingOf(index), SealingOf(index), archive, zip_.ScratchInUse(), WatchOf(cipher_),
                    &why)) {
    return Status::Fail(Code::Damaged, why, itemFile);
  }
  return Status::Ok();
}

api::Result<fs::path> Vault::ReadableArchive(const fs::path& itemFile, const std::string& recordKey, int32_t index,
                                             const fs::path& archive) {
  const auto key = hardened_ ? ItemKeyFromText(recordKey) : std::nullopt;
  if (!key || SealingOf(index) != ItemSealing::Bound) {
    if (api::Status opened = OpenItem(itemFile, recordKey, index, archive); !opened.ok()) return opened;
    return archive;
  }
  std::string why;
  std::shared_ptr<SealedItemView> view = SealedItemView::Open(itemFile, *key, BindingOf(index), &why);
  if (!view) return api::Status::Fail(api::Code::Damaged, why, itemFile);
  zip_.RenewScratch();
  zip_.ReadThrough(std::move(view));
  return itemFile;
}

bool Vault::ResealItems(std::string* why, const std::function<void(std::size_t, std::size_t)>& onItem) {
  if (!hardened_) return false;
  const fs::path stage = layout_.HardeningDir();
  ShellDeleteTree(stage);
  std::error_code ec;
  if (!fs::create_directories(stage, ec)) {
    if (why) *why = "temp/hardening cannot be created";
    return false;
  }
  SyncDirectory(layout_.TempDir(), &unsynced_);
  const std::vector<ItemRecord> before = items_.AllRecords();
  const IndexSeal sealBefore = seal_;
  std::vector<ItemRecord> after = before;
  std::size_t total = 0, done = 0;
  for (const ItemRecord& row : after) total += FieldOf(row, ItemField::Name).IsNull() ? 0 : 1;
  auto fail = [&](const std::string& text) {
    DeleteMatchingFiles(layout_.TempDir(), "item*.*");
    ShellDeleteTree(stage);
    if (why) *why = text;
    return false;
  };
  // Each item goes through the sealed scratch into a staged copy under a new key; the staged
  // copies move in once an index naming their keys is saved.
  for (ItemRecord& row : after) {
    if (FieldOf(row, ItemField::Name).IsNull()) continue;
    const int32_t index = FieldOf(row, ItemField::Index).AsInteger();
    const std::string what =
        "item " + std::to_string(index) + " (\"" + FieldOf(row, ItemField::Name).AsString() + "\")";
    const fs::path archive = layout_.TempArchive(index);
    const api::Status opened =
        OpenItem(layout_.ItemFile(index), FieldOf(row, ItemField::Password).AsString(), index, archive);
    if (!opened.ok()) return fail(what + " cannot be opened: " + opened.message);
    std::string problem;
    const KeyBytes key = KeyBytes::Random();
    const bool sealed = SealItemFile(archive, zip_.ScratchInUse(), stage / layout_.ItemFile(index).filename(), key,
                                     BindingOf(index), WatchOf(cipher_), &problem);
    ForceDeleteFile(archive);
    if (!sealed) return fail(what + " cannot be re-sealed: " + problem);
    row[static_cast<std::size_t>(ItemField::Password)] = FieldValue::Text(ItemKeyText(key));
    if (onItem) onItem(++done, total);
  }
  SyncDirectory(stage, &unsynced_);
  items_.ReplaceAll(std::move(after));
  seal_.legacyItems.clear();
  savedKey_.clear();  // no generation may keep the old item keys
  if (!SaveIndex()) {
    items_.ReplaceAll(before);
    seal_ = sealBefore;
    return fail("the index could not be saved (is the disk full?); every item keeps its old key");
  }
  if (std::string stuck = SettleHardening(*this); !stuck.empty()) {
    if (why) *why = "the items were re-sealed, but " + stuck;
    return false;
  }
  return true;
}

}  // namespace kestramo

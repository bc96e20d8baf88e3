// SPDX-License-Identifier: GPL-3.0-or-later
// How a vault seals its item files and opens them again, in either format.
#include <cerrno>

#include "storage/hardened/sealed_item.h"
#include "storage/hardened/sealed_pieces.h"
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

api::Result<std::string> Vault::SealItem(const fs::path& archive, const fs::path& sealed, int32_t index) {
  if (!hardened_) {
    // On the disk before the index that will list it: after a power cut, a recorded item
    // must not be an empty or cut-short file.
    if (cipher_.EncryptFile(archive, sealed, masterKey_).ok() && SyncFile(sealed)) return masterKey_;
    return api::Status::Fail(api::Code::IoError, "its encrypted copy could not be written", sealed);
  }
  const KeyBytes key = KeyBytes::Random();
  if (api::Status s = SealItemFile(archive, zip_.ScratchInUse(), sealed, key, BindingOf(index), WatchOf(cipher_));
      !s.ok()) {
    return s;
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

api::Result<std::string> Vault::FinishSealedItem(ItemSealer& sealer, int32_t index) {
  if (!sealer.stream->Finish())
    return WriteFault(layout_.TempEncrypted(index), errno, "its sealed copy could not be written");
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
  return OpenItemFile(itemFile, *key, BindingOf(index), SealingOf(index), archive, zip_.ScratchInUse(),
                      WatchOf(cipher_));
}

api::Result<fs::path> Vault::ReadableArchive(const fs::path& itemFile, const std::string& recordKey, int32_t index,
                                             const fs::path& archive) {
  const auto key = hardened_ ? ItemKeyFromText(recordKey) : std::nullopt;
  if (!key || SealingOf(index) != ItemSealing::Bound) {
    if (api::Status opened = OpenItem(itemFile, recordKey, index, archive); !opened.ok()) return opened;
    return archive;
  }
  auto view = SealedItemView::Open(itemFile, *key, BindingOf(index));
  if (!view.ok()) return view.status();
  zip_.RenewScratch();
  zip_.ReadThrough(std::move(*view));
  return itemFile;
}

api::Status Vault::ResealItems(const std::function<void(std::size_t, std::size_t)>& onItem) {
  using api::Code;
  using api::Status;
  if (!hardened_) return Status::Fail(Code::InvalidArgument, "the vault is not hardened");
  const fs::path stage = layout_.HardeningDir();
  ShellDeleteTree(stage);
  std::error_code ec;
  if (!fs::create_directories(stage, ec)) return Status::Fail(Code::IoError, "temp/hardening cannot be created", stage);
  SyncDirectory(layout_.TempDir(), &unsynced_);
  const std::vector<ItemRecord> before = items_.AllRecords();
  const IndexSeal sealBefore = seal_;
  std::vector<ItemRecord> after = before;
  std::size_t total = 0, done = 0;
  for (const ItemRecord& row : after) total += FieldOf(row, ItemField::Name).IsNull() ? 0 : 1;
  auto fail = [&](const Status& why, const std::string& text) {
    DeleteMatchingFiles(layout_.TempDir(), "item*.*");
    ShellDeleteTree(stage);
    return Status::Fail(why.code, text, why.path);
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
    if (!opened.ok()) return fail(opened, what + " cannot be opened: " + opened.message);
    const KeyBytes key = KeyBytes::Random();
    const api::Status sealed = SealItemFile(archive, zip_.ScratchInUse(), stage / layout_.ItemFile(index).filename(),
                                            key, BindingOf(index), WatchOf(cipher_));
    ForceDeleteFile(archive);
    if (!sealed.ok()) return fail(sealed, what + " cannot be re-sealed: " + sealed.message);
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
    return fail(Status::Fail(Code::IoError, {}, layout_.IndexFile()),
                "the index could not be saved (is the disk full?); every item keeps its old key");
  }
  if (std::string stuck = SettleHardening(*this); !stuck.empty()) {
    return Status::Fail(Code::IoError, "the items were re-sealed, but " + stuck);
  }
  return Status::Ok();
}

}  // namespace kestramo

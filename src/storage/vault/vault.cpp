#include "storage/vault/vault.h"

#include <algorithm>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "storage/text/utf8.h"
#include "storage/vault/durable_file.h"
#include "storage/vault/file_helpers.h"
#include "storage/vault/index_file.h"
#include "storage/vault/vault_hardening.h"

namespace kestramo {

namespace fs = std::filesystem;

std::string IndexLoadReport::Message() const {
  switch (outcome) {
    case Outcome::Restored:
      return "The index file could not be read (" + detail + "). It was restored from " + restoredFrom.string() +
             "; items added after that copy was made may be missing from the boxes." +
             (setAside.empty() ? std::string() : " The damaged file was kept as " + setAside.string() + ".");
    case Outcome::Locked: return "The vault cannot be opened: " + detail + ".";
    case Outcome::Unreadable:
      return "The index file could not be read (" + detail + ") and no backup copy could be read either. " +
             "The vault starts empty; no item file was deleted." +
             (setAside.empty() ? std::string() : " The damaged file was kept as " + setAside.string() + ".");
    default: return {};
  }
}

Vault::Vault(fs::path base) : layout_(std::move(base)), masterKey_(kMasterKeyPrefix) {}

void Vault::OfferPassphrase(std::string passphrase) { unlocker_.Offer(std::move(passphrase)); }

void Vault::AdoptHardenedKeys(HardenedKeys keys) {
  hardened_.emplace(std::move(keys));
  zip_.SetScratchMasking(true);
}

void Vault::ReturnToClassic() {
  hardened_.reset();
  zip_.SetScratchMasking(false);
}

bool Vault::ChangePassphrase(std::string_view passphrase, const KdfCost& cost) {
  return hardened_ && hardened_->Rewrap(passphrase, cost);
}

std::string Vault::KeyIdentity() const {
  if (!hardened_) return masterKey_;
  const std::vector<uint8_t> wrap = hardened_->Wrap().Bytes();
  return std::string(wrap.begin(), wrap.end());
}

void Vault::SetPassword(const std::string& password) {
  masterKey_ = std::string(kMasterKeyPrefix) + Utf8Truncate(password, kMaxPasswordChars);
}

bool Vault::HasPassword() const { return masterKey_.size() > std::string(kMasterKeyPrefix).size(); }

bool Vault::HasItemFiles() const {
  std::error_code ec;
  for (fs::directory_iterator it(layout_.CoffrelDir(), ec), end; !ec && it != end; it.increment(ec)) {
    if (VaultLayout::IsItemFileName(it->path().filename().string())) return true;
  }
  return false;
}

IndexLoadReport Vault::LoadIndex() {
  IndexLoadReport report;
  layout_.EnsureDirectories();
  // Working files of a run that was killed: plain archives above all. Only the index
  // generations in temp/ may serve below.
  DeleteMatchingFiles(layout_.TempDir(), "item*.*");
  ShellDeleteTree(layout_.TempDir() / "verify");

  const fs::path main = layout_.IndexFile();
  std::error_code ec;
  const bool mainExists = fs::exists(main, ec);
  const LoadResult first = mainExists ? LoadFrom(main, &report.detail) : LoadResult::Damaged;
  if (first == LoadResult::Opened) {
    MarkSaved();
    SettleHardening(*this);
    return report;
  }
  if (!mainExists) report.detail = "it is missing";
  // A hardened index that the passphrase does not open: whether it or its generations are
  // damaged cannot be told without the right one, so nothing is touched.
  bool locked = first == LoadResult::Locked;
  const std::string mainDetail = report.detail;
  // A classic generation beside a hardened index is one from before the conversion (a kill
  // cut its save short): it would undo the conversion and give the items away.
  const bool mainHardened = mainExists && FileLooksHardened(main);

  // The older generations, newest first.
  std::vector<fs::path> candidates;
  for (const fs::path& c : {layout_.TempIndexFile(), layout_.BackupIndexFile()}) {
    if (fs::is_regular_file(c, ec)) candidates.push_back(c);
  }
  std::sort(candidates.begin(), candidates.end(), [](const fs::path& a, const fs::path& b) {
    std::error_code e;
    return fs::last_write_time(a, e) > fs::last_write_time(b, e);
  });

  for (const fs::path& candidate : candidates) {
    if (mainHardened && !FileLooksHardened(candidate)) continue;
    std::string why;
    const LoadResult result = LoadFrom(candidate, &why);
    locked = locked || result == LoadResult::Locked;
    if (result != LoadResult::Opened) continue;
    if (mainExists) report.setAside = SetAsideFile(main, "damaged");
    report.outcome = IndexLoadReport::Outcome::Restored;
    savedKey_ = KeyIdentity();  // the key the files on disk hold: no reason yet to rewrite the backup
    report.restoredFrom = candidate;
    // Put the good generation back in place, unless the damaged file could not be moved aside.
    const bool mainFree = !mainExists || !report.setAside.empty();
    if (const auto bytes = ReadWholeFile(candidate); bytes && mainFree) {
      fs::path staging = main;
      staging += ".tmp";
      if (ReplaceFileDurably(main, staging, *bytes)) MarkSaved();
    }
    SettleHardening(*this);
    return report;
  }

  items_.Clear();
  ReturnToClassic();
  masterKey_ = kMasterKeyPrefix;
  savedKey_ = masterKey_;
  if (locked) {
    report.outcome = IndexLoadReport::Outcome::Locked;
    report.detail = first == LoadResult::Locked ? mainDetail : "the vault is hardened and its index needs the right passphrase";
    return report;
  }
  // No index, no readable generation and no item file: a new vault, or one whose very first
  // save was cut short (a partial staging file is all it holds). Nothing can be lost.
  if (!mainExists && !HasItemFiles()) {
    report.outcome = IndexLoadReport::Outcome::Created;
    report.detail.clear();
    SaveIndex();
    return report;
  }
  // Nothing could be read: the generations are kept aside too, so that no later save can
  // overwrite what an expert might still recover.
  if (mainExists) report.setAside = SetAsideFile(main, "damaged");
  for (const fs::path& candidate : candidates) SetAsideFile(candidate, "damaged");
  report.outcome = IndexLoadReport::Outcome::Unreadable;
  return report;
}

bool Vault::ReadIndex(std::string* error, bool* locked) {
  const LoadResult result = LoadFrom(layout_.IndexFile(), error);
  if (locked) *locked = result == LoadResult::Locked;
  return result == LoadResult::Opened;
}

Vault::LoadResult Vault::LoadFrom(const fs::path& file, std::string* error) {
  const auto bytes = ReadWholeFile(file);
  if (!bytes) {
    if (error) *error = "it is missing or cannot be read";
    return LoadResult::Damaged;
  }
  if (LooksHardened(*bytes)) {
    std::optional<HardenedKeys> keys;
    std::vector<ItemRecord> rows;
    const auto result = unlocker_.Open(*bytes, &keys, &rows, error);
    if (result == IndexUnlocker::Result::Locked) return LoadResult::Locked;
    if (result == IndexUnlocker::Result::Damaged) return LoadResult::Damaged;
    AdoptHardenedKeys(std::move(*keys));
    masterKey_ = kMasterKeyPrefix;  // the passphrase guards the doors too
    items_.ReplaceAll(std::move(rows));
    return LoadResult::Opened;
  }
  auto decoded = DecodeIndexFile(indexCipher_, *bytes, error);
  if (!decoded) return LoadResult::Damaged;
  ReturnToClassic();
  masterKey_ = std::move(decoded->masterKey);
  items_.ReplaceAll(std::move(decoded->rows));
  return LoadResult::Opened;
}

std::vector<uint8_t> Vault::EncodeIndex() {
  if (hardened_) return EncodeHardenedIndex(hardened_->Wrap(), hardened_->VaultKey(), items_);
  return EncodeIndexFile(indexCipher_, items_, masterKey_);
}

bool Vault::SaveIndex() {
  const fs::path main = layout_.IndexFile();
  std::error_code ec;
  // A backup under an older password would open the vault without the new one: after a
  // change of key the backup gets the new generation too.
  const bool keyChanged = KeyIdentity() != savedKey_;
  if (!keyChanged && fs::exists(main, ec)) CopyFileDurably(main, layout_.BackupIndexFile());  // may fail

  const std::vector<uint8_t> bytes = EncodeIndex();
  if (bytes.empty() || !ReplaceFileDurably(main, layout_.TempIndexFile(), bytes)) return false;
  if (keyChanged) ReplaceFileDurably(layout_.BackupIndexFile(), layout_.TempIndexFile(), bytes);
  MarkSaved();
  RemovePendingItemFiles();
  return true;
}

bool Vault::TakePendingRemoval(int32_t index) {
  const auto it = std::find(pendingRemovals_.begin(), pendingRemovals_.end(), index);
  if (it == pendingRemovals_.end()) return false;
  pendingRemovals_.erase(it);
  return true;
}

void Vault::RemovePendingItemFiles() {
  if (pendingRemovals_.empty()) return;
  // A number may have been given to a new item since: its file is that item's now.
  std::unordered_set<int32_t> inUse;
  for (const ItemRecord& row : items_.AllRecords()) {
    if (!FieldOf(row, ItemField::Name).IsNull()) inUse.insert(FieldOf(row, ItemField::Index).AsInteger());
  }
  for (const int32_t index : pendingRemovals_) {
    if (!inUse.count(index)) ForceDeleteFile(layout_.ItemFile(index));
  }
  pendingRemovals_.clear();
}

void Vault::MarkSaved() {
  savedChanges_ = items_.Changes();
  savedKey_ = KeyIdentity();
}

int32_t Vault::NextItemIndex() const {
  const auto& rows = items_.AllRecords();
  if (rows.empty()) return 1;
  auto number = [](const ItemRecord& row) -> int64_t {
    return row[static_cast<std::size_t>(ItemField::Index)].AsInteger();
  };
  // In one pass rather than a sort: with n records, the first gap lies within n above the smallest.
  int64_t smallest = number(rows.front());
  for (const ItemRecord& row : rows) smallest = std::min(smallest, number(row));
  std::vector<char> present(rows.size() + 1, 0);
  for (const ItemRecord& row : rows) {
    const int64_t offset = number(row) - smallest;
    if (offset < static_cast<int64_t>(present.size())) present[static_cast<std::size_t>(offset)] = 1;
  }
  std::size_t gap = 1;
  while (present[gap]) ++gap;
  return static_cast<int32_t>(smallest + static_cast<int64_t>(gap));
}

}  // namespace kestramo

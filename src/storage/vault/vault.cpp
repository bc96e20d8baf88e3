// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/vault.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <unordered_set>
#include <vector>

#include <sodium.h>

#include "storage/hardened/secret_guard.h"
#include "storage/text/utf8.h"
#include "storage/vault/durable_file.h"
#include "storage/vault/file_helpers.h"
#include "storage/vault/index_file.h"
#include "storage/vault/vault_hardening.h"

namespace kestramo {

namespace fs = std::filesystem;

std::string IndexLoadReport::Message() const {
  std::string message = Account();
  if (!warning.empty()) message += (message.empty() ? "" : " ") + ("The vault was opened, but " + warning + ".");
  return message;
}

std::string IndexLoadReport::Account() const {
  switch (outcome) {
    case Outcome::Restored:
      return "The index file could not be read (" + detail + "). It was restored from " + restoredFrom.string() +
             "; items added after that copy was made may be missing from the boxes." +
             (setAside.empty() ? std::string() : " The damaged file was kept as " + setAside.string() + ".");
    case Outcome::Locked: return "The vault cannot be opened: " + detail + ".";
    case Outcome::Downgraded:
    case Outcome::RolledBack:
    case Outcome::Unsafe: return "The vault was not opened: " + detail + ".";
    case Outcome::ReadFailed:
      return "The vault was not opened: " + detail + ". Nothing was changed; try again once the disk reads.";
    case Outcome::Unreadable:
      if (hardened) {
        return "The hardened vault's index could not be read (" + detail +
               ") and no saved copy of it could be read either. Nothing was changed.";
      }
      return "The index file could not be read (" + detail + ") and no backup copy could be read either. " +
             "The vault starts empty; no item file was deleted." +
             (setAside.empty() ? std::string() : " The damaged file was kept as " + setAside.string() + ".");
    default: return {};
  }
}

Vault::Vault(fs::path base) : layout_(std::move(base)), masterKey_(kMasterKeyPrefix) {}

void Vault::OfferPassphrase(const api::Secret& passphrase) {
  if (!passphrase.empty()) GuardProcessSecrets();
  unlocker_.Offer(passphrase);
}

void Vault::AdoptHardenedKeys(HardenedKeys keys) {
  GuardProcessSecrets();
  hardened_.emplace(std::move(keys));
  zip_.SetScratchSealing(true);
  zip_.SetZstdEntries(true);
}

void Vault::ReturnToClassic() {
  hardened_.reset();
  zip_.SetScratchSealing(false);
  zip_.SetZstdEntries(false);
}

bool Vault::ChangePassphrase(std::string_view passphrase, const KdfCost& cost) {
  if (!hardened_) return false;
  auto keys = HardenedKeys::Create(passphrase, cost);
  if (!keys) return false;
  hardened_.emplace(std::move(*keys));
  return true;
}

void Vault::StartIdentity() {
  seal_ = IndexSeal{};
  RequireSodium();
  randombytes_buf(seal_.vaultId.data(), seal_.vaultId.size());
}

ItemSealing Vault::SealingOf(int32_t index) const {
  const auto& legacy = seal_.legacyItems;
  return std::find(legacy.begin(), legacy.end(), index) != legacy.end() ? ItemSealing::Legacy : ItemSealing::Bound;
}

std::string Vault::KeyIdentity() const {
  if (!hardened_) return masterKey_;
  const std::vector<uint8_t> wrap = hardened_->Wrap().Bytes();
  return std::string(wrap.begin(), wrap.end());
}

void Vault::SetPassword(const std::string& password) {
  masterKey_ = std::string(kMasterKeyPrefix) + api::Utf8Truncate(password, kMaxPasswordChars);
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
  openedOlder_ = false;
  if (api::Status opened = layout_.EnsureDirectories(); !opened.ok()) {
    report.detail = opened.message;
    report.outcome = IndexLoadReport::Outcome::Unsafe;
    return report;
  }

  const fs::path main = layout_.IndexFile();
  std::error_code ec;
  // A link is there too: it is refused when read, and moved aside like any damaged index.
  const bool mainExists = fs::exists(fs::symlink_status(main, ec));
  const api::Status first = mainExists ? LoadFrom(main) : api::Status::Fail(api::Code::Damaged);
  report.detail = first.message;
  // A read that failed tells nothing of the index: nothing is set aside or restored for it.
  auto readFailed = [&](const fs::path& file, const std::string& why) {
    ForgetIndex();
    report.outcome = IndexLoadReport::Outcome::ReadFailed;
    report.hardened = true;  // as for a hardened vault: nothing may take its place meanwhile
    report.detail = layout_.Shown(file).string() + " could not be read (" + why + ")";
    return report;
  };
  if (first.code == api::Code::IoError) return readFailed(main, report.detail);
  if (first.ok()) {
    if (!Admit(&report)) return report;
    ClearScratch();
    MarkSaved();
    KeepIdentity(&report);
    SettleHardening(*this);
    WitnessOpen(&report);
    return report;
  }
  if (!mainExists) report.detail = "it is missing";
  // A hardened index that the passphrase does not open: whether it or its generations are
  // damaged cannot be told without the right one, so nothing is touched.
  bool locked = first.code == api::Code::Locked;
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
    const api::Status result = LoadFrom(candidate);
    if (result.code == api::Code::IoError) return readFailed(candidate, result.message);
    locked = locked || result.code == api::Code::Locked;
    if (!result.ok()) continue;
    if (!Admit(&report)) return report;
    ClearScratch();
    if (mainExists) report.setAside = layout_.Shown(SetAsideFile(main, "damaged"));
    report.outcome = IndexLoadReport::Outcome::Restored;
    savedKey_ = KeyIdentity();  // the key the files on disk hold: no reason yet to rewrite the backup
    report.restoredFrom = layout_.Shown(candidate);
    // Put the good generation back in place, unless the damaged file could not be moved aside.
    const bool mainFree = !mainExists || !report.setAside.empty();
    std::string notPutBack;
    if (const auto bytes = ReadWholeFile(candidate, kMaxIndexFileBytes); bytes.ok() && mainFree) {
      fs::path staging = main;
      staging += ".tmp";
      if (ReplaceFileDurably(main, staging, *bytes, &unsynced_)) {
        MarkSaved();
      } else {
        notPutBack = layout_.Shown(main).string() + " could not be written (" + std::strerror(errno) +
                     "); the index is restored again at the next start";
      }
    }
    KeepIdentity(&report);
    SettleHardening(*this);
    WitnessOpen(&report);
    if (report.warning.empty()) report.warning = notPutBack;
    if (report.warning.empty() && !unsynced_.empty())
      report.warning = layout_.ShownText(TakeUnsynced()) + ": the restored index may not outlast a power cut";
    return report;
  }

  ForgetIndex();
  if (locked) {
    report.outcome = IndexLoadReport::Outcome::Locked;
    report.detail =
        first.code == api::Code::Locked ? mainDetail : "the vault is hardened and its index needs the right passphrase";
    return report;
  }
  // Where a hardened vault lives, nothing is set aside or made new without its passphrase:
  // the damaged files are all an expert has to recover it from.
  const std::vector<fs::path> traces = HardenedTraces();
  // No index, no readable generation and no item file: a new vault, or one whose very first
  // save was cut short (a partial staging file is all it holds). Nothing can be lost.
  if (!mainExists && !HasItemFiles() && traces.empty()) {
    report.outcome = IndexLoadReport::Outcome::Created;
    report.detail.clear();
    if (!SaveIndex()) report.warning = "the new vault's first index could not be written: " + saveProblem_;
    return report;
  }
  report.outcome = IndexLoadReport::Outcome::Unreadable;
  report.hardened = !traces.empty();
  if (report.hardened) return report;
  // Nothing could be read: the generations are kept aside too, so that no later save can
  // overwrite what an expert might still recover.
  ClearScratch();
  if (mainExists) report.setAside = layout_.Shown(SetAsideFile(main, "damaged"));
  for (const fs::path& candidate : candidates) SetAsideFile(candidate, "damaged");
  return report;
}

void Vault::ClearScratch() {
  // Working files of a run that was killed: plain archives above all. Only the index
  // generations in temp/ may serve.
  DeleteMatchingFiles(layout_.TempDir(), "item*.*");
  ShellDeleteTree(layout_.TempDir() / "verify");
  // Staging files of index writes a cut left half done.
  for (const fs::path& dir : {layout_.CoffrelDir(), layout_.BackupDir()}) {
    DeleteMatchingFiles(dir, "index.dat.tmp");
    DeleteMatchingFiles(dir, "index.dat.new");
  }
}

void Vault::ForgetIndex() {
  items_.Clear();
  ReturnToClassic();
  masterKey_ = kMasterKeyPrefix;
  savedKey_ = masterKey_;
}

std::vector<fs::path> Vault::HardenedTraces() const {
  std::vector<fs::path> traces;
  // temp/index.dat is not one: a hardened one there beside a classic index is the staging
  // file of a conversion whose save was cut short.
  for (const fs::path& generation : {layout_.IndexFile(), layout_.BackupIndexFile()}) {
    if (FileLooksHardened(generation)) traces.push_back(generation);
  }
  if (witness_) {
    // An unreadable record tells nothing here: it refuses hardened indexes, not classic ones.
    const auto seen = witness_->Read();
    if (seen.ok() && VaultWitness::ForFolder(*seen, layout_.Canonical())) traces.push_back(witness_->File());
  }
  std::error_code ec;
  for (fs::directory_iterator it(layout_.CoffrelDir(), ec), end; !ec && it != end; it.increment(ec)) {
    if (VaultLayout::IsItemFileName(it->path().filename().string()) && FileLooksLikeSealedItem(it->path())) {
      traces.push_back(it->path());
      break;
    }
  }
  return traces;
}

std::string Vault::VanishedHardenedVault() const {
  if (!witness_ || layout_.HoldsVault()) return {};
  const auto entries = witness_->Read();
  const auto here = entries.ok() ? VaultWitness::ForFolder(*entries, layout_.Canonical()) : std::nullopt;
  if (!here) return {};
  return "this user's record of hardened vaults, " + witness_->File().string() + ", says that the hardened vault " +
         VaultIdText(here->id) + " lived in this folder, and none of its files are here: nothing was made. " +
         "Put its files back; if it is gone for good, remove its line from the record to make a new vault here";
}

bool Vault::Admit(IndexLoadReport* report) {
  if (!hardened_) {
    const std::vector<fs::path> traces = HardenedTraces();
    if (traces.empty()) return true;
    std::string named;
    for (const fs::path& trace : traces) named += (named.empty() ? "" : ", ") + layout_.Shown(trace).string();
    report->outcome = IndexLoadReport::Outcome::Downgraded;
    report->detail = "its index " + layout_.Shown(layout_.IndexFile()).string() +
                     " is in the classic format, but a hardened vault lives in this folder (" + named +
                     "); a classic index there is never used";
    ForgetIndex();
    return false;
  }
  if (!witness_) return true;
  const auto entries = witness_->Read();
  std::string problem = entries.status().message;
  if (!entries.ok()) {
    // Fails closed: without the record, an older index cannot be told from the newest.
  } else if (const auto seen = VaultWitness::ForVault(*entries, seal_.vaultId);
             seen && seen->counter > seal_.saveCounter) {
    problem = "its index is older than one this user has opened (save " + std::to_string(seal_.saveCounter) +
              ", seen save " + std::to_string(seen->counter) + "): it may have been rolled back";
    seal_.saveCounter = seen->counter;  // accepted, the next save is newer than both
  } else if (const auto here = VaultWitness::ForFolder(*entries, layout_.Canonical());
             here && here->id != seal_.vaultId) {
    problem = "this folder held another hardened vault (" + VaultIdText(here->id) + ", now " +
              VaultIdText(seal_.vaultId) + "): it may have been replaced";
  }
  if (problem.empty()) return true;
  if (acceptOlder_) {
    openedOlder_ = true;
    return true;
  }
  report->outcome = IndexLoadReport::Outcome::RolledBack;
  report->detail = problem;
  ForgetIndex();
  return false;
}

void Vault::Witness() {
  recordProblem_.clear();
  if (!hardened_ || !witness_ || witness_->File().empty()) return;
  recordProblem_ = witness_->Record(seal_.vaultId, seal_.saveCounter, layout_.Canonical()).message;
}

void Vault::KeepIdentity(IndexLoadReport* report) {
  if (!legacyIndex_) return;
  // An index of the first hardened format carries no identity: it gets one now, saved (both
  // generations) before anything else, so that every later open sees the same one.
  if (!SaveIndex()) report->warning = "its new identity could not be saved, so its rollbacks cannot be detected yet";
}

void Vault::WitnessOpen(IndexLoadReport* report) {
  if (legacyIndex_) return;  // an identity never saved is not worth remembering
  Witness();
  report->warning = recordProblem_;
  if (hardened_ && witness_ && witness_->File().empty()) {
    report->warning =
        "rollbacks of it cannot be detected: this user has no folder for the record of hardened vaults "
        "(neither XDG_STATE_HOME nor HOME is set)";
  }
}

api::Status Vault::ReadIndex() {
  // The program that holds the vault may save between this read of the index and that of
  // the record, which then names a newer save: the index is read again, as long as each
  // read finds a newer generation. The same one read twice is refused.
  constexpr int kMostReads = 5;
  uint64_t lastCounter = 0;
  for (int read = 1;; ++read) {
    if (api::Status loaded = LoadFrom(layout_.IndexFile()); !loaded.ok()) return loaded;
    const uint64_t counter = seal_.saveCounter;
    IndexLoadReport report;
    if (Admit(&report)) return api::Status::Ok();
    const bool moved = read == 1 || counter != lastCounter;
    if (report.outcome != IndexLoadReport::Outcome::RolledBack || !moved || read == kMostReads) {
      return api::Status::Fail(api::Code::Refused, report.detail, layout_.IndexFile());
    }
    lastCounter = counter;
  }
}

api::Status Vault::LoadFrom(const fs::path& file) {
  const auto bytes = ReadWholeFile(file, kMaxIndexFileBytes);
  if (!bytes.ok()) {
    const api::Status& read = bytes.status();
    return api::Status::Fail(read.code == api::Code::IoError ? api::Code::IoError : api::Code::Damaged, read.message,
                             file);
  }
  if (LooksHardened(*bytes)) {
    std::optional<HardenedKeys> keys;
    OpenedIndex opened;
    if (api::Status unlocked = unlocker_.Open(*bytes, &keys, &opened); !unlocked.ok()) {
      unlocked.path = file;
      return unlocked;
    }
    AdoptHardenedKeys(std::move(*keys));
    masterKey_ = kMasterKeyPrefix;  // the passphrase guards the doors too
    legacyIndex_ = !opened.seal;
    if (opened.seal) {
      seal_ = std::move(*opened.seal);
    } else {
      // A vault hardened before indexes were bound: it gets its identity now, and its item
      // files, which carry none, are opened the old way until they are sealed again.
      StartIdentity();
      for (const ItemRecord& row : opened.rows) {
        if (!FieldOf(row, ItemField::Name).IsNull())
          seal_.legacyItems.push_back(FieldOf(row, ItemField::Index).AsInteger());
      }
    }
    items_.ReplaceAll(std::move(opened.rows));
    return api::Status::Ok();
  }
  auto decoded = DecodeIndexFile(indexCipher_, *bytes);
  if (!decoded.ok()) return api::Status::Fail(api::Code::Damaged, decoded.status().message, file);
  legacyIndex_ = false;
  ReturnToClassic();
  masterKey_ = std::move(decoded->masterKey);
  items_.ReplaceAll(std::move(decoded->rows));
  return api::Status::Ok();
}

std::vector<uint8_t> Vault::EncodeIndex(const IndexSeal& seal) {
  if (hardened_) return EncodeHardenedIndex(hardened_->Wrap(), hardened_->VaultKey(), seal, items_);
  return EncodeIndexFile(indexCipher_, items_, masterKey_);
}

IndexSeal Vault::NextSeal() const {
  IndexSeal next = seal_;
  ++next.saveCounter;
  // Only records still listed keep their old sealing: a number given to a new item is bound.
  std::unordered_set<int32_t> inUse;
  for (const ItemRecord& row : items_.AllRecords()) {
    if (!FieldOf(row, ItemField::Name).IsNull()) inUse.insert(FieldOf(row, ItemField::Index).AsInteger());
  }
  std::erase_if(next.legacyItems, [&](int32_t index) { return !inUse.count(index); });
  return next;
}

bool Vault::SaveIndex() {
  const fs::path main = layout_.IndexFile();
  std::error_code ec;
  // A backup under an older password would open the vault without the new one: after a
  // change of key the backup gets the new generation too.
  const bool keyChanged = KeyIdentity() != savedKey_;
  saveProblem_.clear();
  const auto failed = [this](const fs::path& file) {
    saveProblem_ = layout_.Shown(file).string() + " could not be written (" + std::strerror(errno) + ")";
    return false;
  };
  // The backup is the generation a damaged index falls back on: a save that cannot refresh
  // it fails before the index changes, rather than leave a fallback one change older.
  if (!keyChanged && fs::exists(main, ec) && !CopyFileDurably(main, layout_.BackupIndexFile(), &unsynced_))
    return failed(layout_.BackupIndexFile());

  const IndexSeal next = NextSeal();
  const std::vector<uint8_t> bytes = EncodeIndex(next);
  if (bytes.empty()) return false;
  // Under a new key of the same format the backup goes first: a cut between the two writes
  // leaves the old index in place, and no generation that opens under the old key once the
  // new one is used. A change of format is made by the main index alone, so it goes first.
  const bool formatChanged =
      LooksHardened(std::vector<uint8_t>(savedKey_.begin(), savedKey_.end())) != hardened_.has_value();
  // Never both keys at once: a backup that cannot take the new key fails the save, which
  // leaves the old key in force in every generation.
  if (keyChanged && !formatChanged &&
      !ReplaceFileDurably(layout_.BackupIndexFile(), layout_.TempIndexFile(), bytes, &unsynced_)) {
    return failed(layout_.BackupIndexFile());
  }
  if (!ReplaceFileDurably(main, layout_.TempIndexFile(), bytes, &unsynced_)) {
    failed(main);
    if (keyChanged && !formatChanged) CopyFileDurably(main, layout_.BackupIndexFile(), &unsynced_);  // the old key back
    return false;
  }
  // After a change of format, a backup left in the old one is settled once the items are.
  if (keyChanged && formatChanged)
    ReplaceFileDurably(layout_.BackupIndexFile(), layout_.TempIndexFile(), bytes, &unsynced_);
  seal_ = next;
  legacyIndex_ = false;
  MarkSaved();
  Witness();
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
  SyncDirectory(layout_.CoffrelDir(), &unsynced_);  // a removed file must not come back after a power cut
}

void Vault::MarkSaved() {
  savedChanges_ = items_.Changes();
  // A generation of the first hardened format is rewritten whole, the backup included.
  savedKey_ = legacyIndex_ ? std::string() : KeyIdentity();
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

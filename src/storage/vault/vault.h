// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kestramo/format.h"
#include "kestramo/status.h"
#include "storage/cipher/cipher_manager.h"
#include "storage/hardened/hardened_keys.h"
#include "storage/hardened/sealed_item.h"
#include "storage/table/item_table.h"
#include "storage/vault/vault_layout.h"
#include "storage/vault/vault_witness.h"
#include "storage/zip/zip_component.h"

namespace kestramo {

// What LoadIndex found, for the user to be told after the window shows.
struct IndexLoadReport {
  enum class Outcome {
    Loaded,      // coffrel/index.dat read as it is
    Created,     // a new vault: an empty index was written
    Restored,    // the index was missing or damaged and a saved generation took its place
    Unreadable,  // no generation could be read: the vault starts empty, nothing was overwritten
    Locked,      // a hardened index that the offered passphrase (or none) does not open: nothing was touched
    Downgraded,  // a classic index where a hardened vault was: refused, nothing was touched
    RolledBack,  // an older index than this user has seen, or another vault in this folder:
                 // refused unless accepted, nothing was touched
    Unsafe,      // a link or another thing where one of the vault's folders belongs: refused,
                 // nothing was touched
    ReadFailed,  // a generation could not be read just now (an I/O error): nothing was touched
  };
  Outcome outcome = Outcome::Loaded;
  std::filesystem::path restoredFrom;  // Restored: the generation that was used
  std::filesystem::path setAside;      // the damaged index, kept under another name
  std::string detail;                  // why the index could not be read
  std::string warning;                 // opened, but its rollbacks may go unnoticed or a repair did not last: why
  bool hardened = false;               // Unreadable: a hardened vault lives here, so nothing may replace it

  bool NeedsAttention() const { return outcome == Outcome::Restored || outcome == Outcome::Unreadable; }
  // Whether the vault may be used: a refused index leaves it empty and must end the run.
  bool Refused() const {
    return outcome == Outcome::Locked || outcome == Outcome::Downgraded || outcome == Outcome::RolledBack ||
           outcome == Outcome::Unsafe || outcome == Outcome::ReadFailed;
  }
  std::string Message() const;

 private:
  std::string Account() const;  // the outcome alone
};

// One vault: its directories, the index table, the master key, and the cipher and
// archive components its operations use. Used by one thread at a time.
class Vault {
 public:
  explicit Vault(std::filesystem::path base);

  const VaultLayout& Layout() const { return layout_; }
  // Opens the vault's folder, and those of its folders that exist, without making anything;
  // Refused (naming it) when a link or another thing stands where a folder belongs.
  api::Status OpenFolder() { return layout_.Open(false); }
  // Why no new vault may be made in this opened folder: it holds none of a vault's files, but
  // this user's record says a hardened vault lived here. Empty when one may.
  std::string VanishedHardenedVault() const;
  ItemTable& Items() { return items_; }
  const ItemTable& Items() const { return items_; }
  CipherManager& Cipher() { return cipher_; }
  ZipComponent& Zip() { return zip_; }

  api::Format Format() const { return hardened_ ? api::Format::Hardened : api::Format::Classic; }
  const HardenedKeys* Hardened() const { return hardened_ ? &*hardened_ : nullptr; }
  // The passphrase that loading tries on a hardened index.
  void OfferPassphrase(const api::Secret& passphrase);
  // From now on the index and new items are sealed the hardened way under these keys.
  void AdoptHardenedKeys(HardenedKeys keys);
  // Only for a conversion whose hardened index could not be saved: the classic one is
  // still on the disk, and the master key was never changed.
  void ReturnToClassic();
  // A new random vault key wrapped under a new passphrase; the next save seals the index
  // under it, every generation included. Items keep their own keys. False when the vault is
  // classic or the derivation fails.
  bool ChangePassphrase(std::string_view passphrase, const KdfCost& cost = {});
  // Seals every item again under a new key of its own and saves the index, the backup
  // included: afterwards no key of an older index copy opens an item. A failure when an item
  // cannot be opened or the save fails: then nothing changed.
  api::Status ResealItems(const std::function<void(std::size_t, std::size_t)>& onItem = {});
  // Where this user's record of hardened vaults is kept; none (the default) checks nothing.
  void UseWitness(std::filesystem::path file) { witness_.emplace(std::move(file)); }
  // An index older than the record, or another vault in this folder, is opened all the same
  // (and recorded from then on).
  void AcceptOlderIndex() { acceptOlder_ = true; }
  // Whether this run opened an index that the record had refused.
  bool OpenedOlderIndex() const { return openedOlder_; }
  // Why the last open or save of a hardened vault could not be recorded; empty when it was.
  const std::string& RecordProblem() const { return recordProblem_; }
  // Why the last SaveIndex failed, when it knows more than that it did.
  const std::string& SaveProblem() const { return saveProblem_; }
  // The first folder of this operation that could not be flushed to the disk, and why: what
  // was done may not outlast a power cut. Taken (and cleared) when the operation reports.
  std::string* Unsynced() { return &unsynced_; }
  std::string TakeUnsynced() { return std::exchange(unsynced_, std::string()); }
  const IndexSeal& Seal() const { return seal_; }
  // The leftover files of a conversion that the next saves list, until removed (paths below
  // the vault's folder).
  void ListLeftovers(std::vector<std::string> paths) { seal_.leftovers = std::move(paths); }
  // A new random vault ID and a new count of saves, for a vault about to be hardened.
  void StartIdentity();

  // Seals a packed archive into a new item file; returns the key text for the item's record,
  // or the failure or stop. Classic: under the master key. Hardened: under a new random key,
  // in authenticated chunks.
  api::Result<std::string> SealItem(const std::filesystem::path& archive, const std::filesystem::path& sealed,
                                    int32_t index);
  // A hardened vault packs a new item straight into its sealed file, under a new random key;
  // a classic one has none of this (nothing is returned).
  struct ItemSealer {
    KeyBytes key;
    std::unique_ptr<SealingStream> stream;
  };
  std::optional<ItemSealer> StartSealedItem(const std::filesystem::path& sealed, int32_t index);
  // Seals the last bytes and flushes the file; the key text for the item's record, or why not.
  api::Result<std::string> FinishSealedItem(ItemSealer& sealer, int32_t index);
  // Opens an item file into a new archive under the key its record keeps. Fails NoSpace when
  // the archive cannot be written, Damaged when the file cannot be read or, in a hardened
  // vault, is not whole or not this key's.
  api::Status OpenItem(const std::filesystem::path& itemFile, const std::string& recordKey, int32_t index,
                       const std::filesystem::path& archive);
  // Makes an item's archive readable by Zip(): a hardened item of today's format is read in
  // place, each segment checked as it is read; any other is opened into `archive`. The path
  // to read from, or the failure as OpenItem gives it.
  api::Result<std::filesystem::path> ReadableArchive(const std::filesystem::path& itemFile,
                                                     const std::string& recordKey, int32_t index,
                                                     const std::filesystem::path& archive);
  // Where a hardened item file of this number belongs, and how the record's file was sealed.
  ItemBinding BindingOf(int32_t index) const { return {seal_.vaultId, index}; }
  ItemSealing SealingOf(int32_t index) const;

  const std::string& MasterKey() const { return masterKey_; }
  // The master key becomes the fixed prefix followed by the password (at most 8 characters).
  void SetPassword(const std::string& password);
  bool HasPassword() const;

  // Reads coffrel/index.dat, falling back to the newest loadable of temp/index.dat and
  // backup/index.dat; a damaged file is set aside, never overwritten.
  IndexLoadReport LoadIndex();
  // Reads coffrel/index.dat as it is, writing nothing (for readers that do not own the vault):
  // LoadFrom's failures, or Refused for an index older than recorded or another vault's.
  api::Status ReadIndex();
  // Copies the current index to backup/, then writes the new one durably; true when
  // coffrel/index.dat holds the new index.
  bool SaveIndex();
  // Whether the records or the key differ from what the index file last received; a
  // command that changed nothing then leaves the file, and the backup generation, alone.
  bool HasUnsavedChanges() const { return items_.Changes() != savedChanges_ || KeyIdentity() != savedKey_; }
  // The item file of a record just deleted goes once an index without that record is on
  // the disk: were the save to fail, the old index would still list it.
  void RemoveItemFileAfterSave(int32_t index) { pendingRemovals_.push_back(index); }
  // Whether this number's file waits for removal; it no longer does after the call.
  bool TakePendingRemoval(int32_t index);
  // The number for a new item: the first gap above the smallest number, else the largest + 1.
  int32_t NextItemIndex() const;

 private:
  // Reads one generation of the index: Locked when it is hardened and the passphrase does not
  // open it, Damaged when it is not an index, IoError when it cannot be read just now (which
  // says nothing of it).
  api::Status LoadFrom(const std::filesystem::path& file);
  // Whether the index just read may be used: not a classic one where a hardened vault was,
  // not older than recorded nor another vault than recorded for this folder. Otherwise the
  // report says why and the records are dropped.
  bool Admit(IndexLoadReport* report);
  // Files and records that show a hardened vault lives here.
  std::vector<std::filesystem::path> HardenedTraces() const;
  void Witness();
  // Saves an index of the first hardened format at once, so that its new identity lasts.
  void KeepIdentity(IndexLoadReport* report);
  // Records an open; the report warns when that failed or cannot be done.
  void WitnessOpen(IndexLoadReport* report);
  void ForgetIndex();
  // What the index's key wrap is made of: a change of it must reach the backup too.
  std::string KeyIdentity() const;
  std::vector<uint8_t> EncodeIndex(const IndexSeal& seal);
  // The seal the next save writes: one save later, legacy numbers no record uses dropped.
  IndexSeal NextSeal() const;
  void ClearScratch();
  void MarkSaved();
  void RemovePendingItemFiles();
  bool HasItemFiles() const;

  VaultLayout layout_;
  ItemTable items_;
  CipherManager cipher_;
  // The index is sealed by a cipher of its own: a Cancel aimed at an item's encryption
  // must never cut short an index save running in the same import.
  CipherManager indexCipher_;
  ZipComponent zip_;
  std::string masterKey_;
  uint64_t savedChanges_ = UINT64_MAX;  // nothing saved or loaded yet
  std::string savedKey_;
  std::optional<HardenedKeys> hardened_;
  IndexUnlocker unlocker_;
  std::vector<int32_t> pendingRemovals_;
  IndexSeal seal_;
  std::optional<VaultWitness> witness_;
  bool acceptOlder_ = false;
  bool legacyIndex_ = false;  // the index was read in the first hardened format
  bool openedOlder_ = false;
  std::string recordProblem_;
  std::string saveProblem_;
  std::string unsynced_;
};

}  // namespace kestramo

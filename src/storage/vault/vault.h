#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "storage/cipher/cipher_manager.h"
#include "storage/table/item_table.h"
#include "storage/vault/vault_layout.h"
#include "storage/zip/zip_component.h"

namespace kestramo {

// What LoadIndex found, for the user to be told after the window shows.
struct IndexLoadReport {
  enum class Outcome {
    Loaded,      // coffrel/index.dat read as it is
    Created,     // a new vault: an empty index was written
    Restored,    // the index was missing or damaged and a saved generation took its place
    Unreadable,  // no generation could be read: the vault starts empty, nothing was overwritten
  };
  Outcome outcome = Outcome::Loaded;
  std::filesystem::path restoredFrom;  // Restored: the generation that was used
  std::filesystem::path setAside;      // the damaged index, kept under another name
  std::string detail;                  // why the index could not be read

  bool NeedsAttention() const { return outcome == Outcome::Restored || outcome == Outcome::Unreadable; }
  std::string Message() const;
};

// One vault: its directories, the index table, the master key, and the cipher and
// archive components its operations use. Used by one thread at a time.
class Vault {
 public:
  explicit Vault(std::filesystem::path base);

  const VaultLayout& Layout() const { return layout_; }
  ItemTable& Items() { return items_; }
  const ItemTable& Items() const { return items_; }
  CipherManager& Cipher() { return cipher_; }
  ZipComponent& Zip() { return zip_; }

  const std::string& MasterKey() const { return masterKey_; }
  // The master key becomes the fixed prefix followed by the password (at most 8 characters).
  void SetPassword(const std::string& password);
  bool HasPassword() const;

  // Reads coffrel/index.dat, falling back to the newest loadable of temp/index.dat and
  // backup/index.dat; a damaged file is set aside, never overwritten.
  IndexLoadReport LoadIndex();
  // Reads coffrel/index.dat as it is, writing nothing (for readers that do not own the vault).
  bool ReadIndex(std::string* error);
  // Copies the current index to backup/, then writes the new one durably; true when
  // coffrel/index.dat holds the new index.
  bool SaveIndex();
  // Whether the records or the key differ from what the index file last received; a
  // command that changed nothing then leaves the file, and the backup generation, alone.
  bool HasUnsavedChanges() const { return items_.Changes() != savedChanges_ || masterKey_ != savedKey_; }
  // The item file of a record just deleted goes once an index without that record is on
  // the disk: were the save to fail, the old index would still list it.
  void RemoveItemFileAfterSave(int32_t index) { pendingRemovals_.push_back(index); }
  // Whether this number's file waits for removal; it no longer does after the call.
  bool TakePendingRemoval(int32_t index);
  // The number for a new item: the first gap above the smallest number, else the largest + 1.
  int32_t NextItemIndex() const;

 private:
  bool LoadFrom(const std::filesystem::path& file, std::string* error);
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
  std::vector<int32_t> pendingRemovals_;
};

}  // namespace kestramo

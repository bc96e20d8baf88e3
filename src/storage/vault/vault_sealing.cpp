// How a vault seals its item files and opens them again, in either format.
#include "storage/hardened/sealed_item.h"
#include "storage/vault/durable_file.h"
#include "storage/vault/vault.h"

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
    if (cipher_.EncryptFile(archive, sealed, masterKey_) && SyncFile(sealed)) return masterKey_;
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

bool Vault::OpenItem(const fs::path& itemFile, const std::string& recordKey, int32_t index, const fs::path& archive,
                     std::string* why) {
  if (!hardened_) {
    if (cipher_.DecryptFile(itemFile, archive, recordKey)) return true;
    if (why) *why = "its file cannot be decrypted (it is damaged, or the vault's disk is full)";
    return false;
  }
  const auto key = ItemKeyFromText(recordKey);
  if (!key) {
    if (why) *why = "its record's key is damaged";
    return false;
  }
  zip_.RenewScratch();
  return OpenItemFile(itemFile, *key, BindingOf(index), SealingOf(index), archive, zip_.ScratchInUse(),
                      WatchOf(cipher_), why);
}

}  // namespace kestramo

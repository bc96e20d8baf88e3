#include "storage/vault/vault_hardening.h"

#include <system_error>

#include "storage/cipher/file_stream.h"
#include "storage/hardened/hardened_index.h"
#include "storage/hardened/sealed_item.h"
#include "storage/hardened/secret_guard.h"
#include "storage/vault/durable_file.h"
#include "storage/vault/file_helpers.h"
#include "storage/vault/vault.h"

namespace kestramo {

namespace fs = std::filesystem;

namespace {

// Re-seals one classic item file into the staging folder; its new key, or nothing.
std::optional<KeyBytes> Reseal(Vault& vault, const ItemRecord& row, const fs::path& staged, std::string* error) {
  const int32_t index = FieldOf(row, ItemField::Index).AsInteger();
  const fs::path classic = vault.Layout().ItemFile(index);
  const std::string name = "item " + std::to_string(index) + " (\"" + FieldOf(row, ItemField::Name).AsString() + "\")";
  std::error_code ec;
  if (!fs::is_regular_file(classic, ec)) {
    *error = name + " has no file in coffrel/; run verify, and delete or restore it first";
    return std::nullopt;
  }
  KeyBytes key = KeyBytes::Random();
  try {
    FileStream in(classic, FileStream::Mode::kRead);
    SealingStream out(staged, key, vault.BindingOf(index));
    // The classic envelope deciphers straight into the seal: no plain byte reaches the disk.
    if (out.Opened() && vault.Cipher().DecryptStream(in, out, FieldOf(row, ItemField::Password).AsString()) &&
        out.Size() == in.Size() && out.Finish()) {
      return key;
    }
  } catch (...) {
  }
  *error = name + " could not be re-sealed (is the disk full?)";
  return std::nullopt;
}

bool StagedCopyHolds(Vault& vault, const ItemRecord& row, const fs::path& copy) {
  const int32_t index = FieldOf(row, ItemField::Index).AsInteger();
  const auto key = ItemKeyFromText(FieldOf(row, ItemField::Password).AsString());
  // Opened whole into nothing: only its seal is judged.
  return key && OpenItemFile(copy, *key, vault.BindingOf(index), ItemSealing::Bound, "/dev/null", nullptr, {}, nullptr);
}

bool Fail(const fs::path& stage, std::string* error, const std::string& why) {
  ShellDeleteTree(stage);
  if (error) *error = why;
  return false;
}

}  // namespace

bool HardenVault(Vault& vault, std::string_view passphrase, const KdfCost& cost, std::string* error,
                 const std::function<void(std::size_t, std::size_t)>& onItem) {
  const fs::path stage = vault.Layout().HardeningDir();
  if (vault.Format() == VaultFormat::Hardened) return Fail({}, error, "the vault is hardened already");
  if (const std::string problem = PassphraseProblem(passphrase); !problem.empty()) return Fail({}, error, problem);
  GuardProcessSecrets();
  ShellDeleteTree(stage);
  std::error_code ec;
  if (!fs::create_directories(stage, ec)) return Fail(stage, error, "temp/hardening cannot be created");
  fs::permissions(stage, fs::perms::owner_all, ec);

  auto keys = HardenedKeys::Create(passphrase, cost);
  if (!keys) return Fail(stage, error, "there is not enough memory to derive the vault's key");
  vault.StartIdentity();

  const std::vector<ItemRecord> before = vault.Items().AllRecords();
  std::vector<ItemRecord> after = before;
  std::size_t total = 0, done = 0;
  for (const ItemRecord& row : after) total += FieldOf(row, ItemField::Name).IsNull() ? 0 : 1;
  for (ItemRecord& row : after) {
    if (FieldOf(row, ItemField::Name).IsNull()) continue;
    const fs::path staged = stage / vault.Layout().ItemFile(FieldOf(row, ItemField::Index).AsInteger()).filename();
    std::string why;
    const auto key = Reseal(vault, row, staged, &why);
    if (!key) return Fail(stage, error, why);
    row[static_cast<std::size_t>(ItemField::Password)] = FieldValue::Text(ItemKeyText(*key));
    if (onItem) onItem(++done, total);
  }
  SyncDirectory(stage);

  vault.Items().ReplaceAll(std::move(after));
  vault.AdoptHardenedKeys(std::move(*keys));
  if (!vault.SaveIndex()) {
    // The classic index is still the one on the disk: the vault goes on as it was.
    vault.Items().ReplaceAll(before);
    vault.ReturnToClassic();
    return Fail(stage, error, "the hardened index could not be saved (is the disk full?); the vault stays classic");
  }
  SettleHardening(vault);
  return true;
}

void SettleHardening(Vault& vault) {
  const VaultLayout& layout = vault.Layout();
  const fs::path stage = layout.HardeningDir();
  std::error_code ec;
  if (vault.Format() != VaultFormat::Hardened) {
    if (fs::exists(stage, ec)) ShellDeleteTree(stage);
    return;
  }
  // A staged copy goes in only when it opens under its record's key and binding: a file
  // planted in temp/ would otherwise replace the real item.
  std::vector<fs::path> staged;
  bool whole = true;  // every record's file is sealed, in coffrel/ or staged
  for (const ItemRecord& row : vault.Items().AllRecords()) {
    if (FieldOf(row, ItemField::Name).IsNull()) continue;
    const int32_t index = FieldOf(row, ItemField::Index).AsInteger();
    const fs::path copy = stage / layout.ItemFile(index).filename();
    if (fs::is_regular_file(copy, ec) && StagedCopyHolds(vault, row, copy)) {
      staged.push_back(copy);
    } else if (vault.SealingOf(index) == ItemSealing::Bound && !FileLooksLikeSealedItem(layout.ItemFile(index))) {
      whole = false;
    }
  }
  // No classic generation of the index may outlive the conversion: it gives the items away.
  // They go before the sealed items move in, so that none is ever paired with those; but
  // while an item has no sealed copy, the classic backup is the last index that opens it.
  const bool mainHardened = FileLooksHardened(layout.IndexFile());
  for (const fs::path& generation : {layout.BackupIndexFile(), layout.TempIndexFile()}) {
    if (!fs::exists(generation, ec) || FileLooksHardened(generation)) continue;
    if (generation == layout.BackupIndexFile() && mainHardened) {
      if (whole) CopyFileDurably(layout.IndexFile(), generation);
    } else {
      ForceDeleteFile(generation);
    }
  }
  for (const fs::path& copy : staged) fs::rename(copy, layout.CoffrelDir() / copy.filename(), ec);
  if (fs::is_directory(stage, ec)) {
    SyncDirectory(layout.CoffrelDir());
    ShellDeleteTree(stage);
  }
}

}  // namespace kestramo

#include "storage/vault/vault_hardening.h"

#include <algorithm>
#include <ctime>
#include <system_error>

#include "storage/cipher/file_stream.h"
#include "storage/hardened/hardened_index.h"
#include "storage/hardened/sealed_item.h"
#include "storage/hardened/secret_guard.h"
#include "storage/vault/box_rules.h"
#include "storage/vault/classic_leftovers.h"
#include "storage/vault/durable_file.h"
#include "storage/vault/file_helpers.h"
#include "storage/vault/vault.h"

namespace kestramo {

namespace fs = std::filesystem;

namespace {

// Re-seals a classic item file, deciphered under `key`, as item `index` into the staging
// folder: its new key, or nothing (*error says why, naming `what`).
std::optional<KeyBytes> Reseal(Vault& vault, const fs::path& classic, const std::string& classicKey, int32_t index,
                               const fs::path& staged, const std::string& what, std::string* error) {
  std::error_code ec;
  if (!fs::is_regular_file(classic, ec)) {
    *error = what + " has no file in coffrel/; run verify, and delete or restore it first";
    return std::nullopt;
  }
  KeyBytes key = KeyBytes::Random();
  try {
    FileStream in(classic, FileStream::Mode::kRead);
    SealingStream out(staged, key, vault.BindingOf(index));
    // The classic envelope deciphers straight into the seal: no plain byte reaches the disk.
    if (out.Opened() && vault.Cipher().DecryptStream(in, out, classicKey) && out.Size() == in.Size() && out.Finish()) {
      return key;
    }
  } catch (const std::exception& e) {
    *error = what + " could not be re-sealed (" + e.what() + ")";
    return std::nullopt;
  }
  *error = what + " could not be re-sealed (is the disk full?)";
  return std::nullopt;
}

// The box that recovered item files go to: "Recovered", made when there is room for it,
// else the first box.
std::string RecoveryBox(std::vector<ItemRecord>& rows) {
  std::vector<std::string> boxes;
  for (const ItemRecord& row : rows) {
    if (FieldOf(row, ItemField::Name).IsNull()) boxes.push_back(FieldOf(row, ItemField::Box).AsString());
  }
  if (std::find(boxes.begin(), boxes.end(), kRecoveryBox) != boxes.end()) return kRecoveryBox;
  if (boxes.size() >= static_cast<std::size_t>(kMaxBoxes)) return boxes.front();
  ItemRecord box{};
  box[static_cast<std::size_t>(ItemField::Box)] = FieldValue::Text(kRecoveryBox);
  rows.push_back(box);
  return kRecoveryBox;
}

// Records for item files no record listed, each re-sealed under a number of its own.
bool RecoverLeftovers(Vault& vault, const std::vector<fs::path>& files, const fs::path& stage,
                      std::vector<ItemRecord>& rows, std::string* error) {
  if (files.empty()) return true;
  int32_t next = 0;
  for (const ItemRecord& row : rows) next = std::max<int32_t>(next, FieldOf(row, ItemField::Index).AsInteger());
  const std::string box = RecoveryBox(rows);
  for (const fs::path& file : files) {
    const int32_t index = ++next;
    const fs::path staged = stage / vault.Layout().ItemFile(index).filename();
    const auto key = Reseal(vault, file, vault.MasterKey(), index, staged, file.filename().string(), error);
    if (!key) return false;
    ItemRecord row{};
    auto set = [&row](ItemField f, FieldValue v) { row[static_cast<std::size_t>(f)] = std::move(v); };
    set(ItemField::Index, FieldValue::Integer(index));
    set(ItemField::Name, FieldValue::Text(file.filename().string()));
    set(ItemField::Size, FieldValue::Integer(static_cast<int64_t>(fs::file_size(file))));
    set(ItemField::Type, FieldValue::Text("Recovered item"));
    set(ItemField::Date, FieldValue::DateTime(LocalDateTime::FromUnixTime(std::time(nullptr))));
    set(ItemField::Box, FieldValue::Text(box));
    set(ItemField::Folder, FieldValue::Boolean(true));  // its stored folders, if any, come back too
    set(ItemField::Password, FieldValue::Text(ItemKeyText(*key)));
    set(ItemField::Comment, FieldValue::Text("Found in coffrel/ without a record when the vault was hardened"));
    rows.push_back(row);
  }
  return true;
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
  SyncDirectory(vault.Layout().TempDir());  // the staged copies' folder lasts as long as they do

  auto keys = HardenedKeys::Create(passphrase, cost);
  if (!keys) return Fail(stage, error, "there is not enough memory to derive the vault's key");
  vault.StartIdentity();

  const std::vector<ItemRecord> before = vault.Items().AllRecords();
  std::vector<ItemRecord> after = before;
  std::size_t total = 0, done = 0;
  for (const ItemRecord& row : after) total += FieldOf(row, ItemField::Name).IsNull() ? 0 : 1;
  for (ItemRecord& row : after) {
    if (FieldOf(row, ItemField::Name).IsNull()) continue;
    const int32_t index = FieldOf(row, ItemField::Index).AsInteger();
    const fs::path staged = stage / vault.Layout().ItemFile(index).filename();
    const std::string what =
        "item " + std::to_string(index) + " (\"" + FieldOf(row, ItemField::Name).AsString() + "\")";
    std::string why;
    const auto key = Reseal(vault, vault.Layout().ItemFile(index), FieldOf(row, ItemField::Password).AsString(), index,
                            staged, what, &why);
    if (!key) return Fail(stage, error, why);
    row[static_cast<std::size_t>(ItemField::Password)] = FieldValue::Text(ItemKeyText(*key));
    if (onItem) onItem(++done, total);
  }
  const ClassicLeftovers leftovers = FindClassicLeftovers(vault);
  std::string why;
  if (!RecoverLeftovers(vault, leftovers.recoverable, stage, after, &why)) return Fail(stage, error, why);
  SyncDirectory(stage);

  vault.Items().ReplaceAll(std::move(after));
  vault.AdoptHardenedKeys(std::move(*keys));
  if (!vault.SaveIndex()) {
    // The classic index is still the one on the disk: the vault goes on as it was.
    vault.Items().ReplaceAll(before);
    vault.ReturnToClassic();
    return Fail(stage, error, "the hardened index could not be saved (is the disk full?); the vault stays classic");
  }
  // Only now, with every item that could be recovered sealed and listed: nothing classic
  // stays. The leftovers go before the staged copies move in, since a recovered item may take
  // the number, and so the name, of the very file it came from.
  for (const auto* files : {&leftovers.recoverable, &leftovers.doomed}) {
    for (const fs::path& file : *files) ForceDeleteFile(file);
  }
  for (const fs::path& dir : {vault.Layout().CoffrelDir(), vault.Layout().BackupDir(), vault.Layout().TempDir()}) {
    SyncDirectory(dir);
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

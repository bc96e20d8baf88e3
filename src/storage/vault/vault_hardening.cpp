// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/vault_hardening.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <system_error>

#include "storage/cipher/file_stream.h"
#include "storage/disk/file_handle.h"
#include "storage/hardened/hardened_index.h"
#include "storage/hardened/sealed_item.h"
#include "storage/hardened/sealed_view.h"
#include "storage/hardened/secret_guard.h"
#include "storage/text/named_list.h"
#include "storage/vault/box_rules.h"
#include "storage/vault/classic_leftovers.h"
#include "storage/vault/durable_file.h"
#include "storage/vault/file_helpers.h"
#include "storage/vault/vault.h"
#include "storage/zip/entry_name.h"
#include "storage/zip/zip_component.h"

namespace kestramo {

namespace fs = std::filesystem;

namespace {

// Re-seals a classic item file, deciphered under `key`, as item `index` into the staging
// folder: its new key, or why not (naming `what`).
api::Result<KeyBytes> Reseal(Vault& vault, const fs::path& classic, const std::string& classicKey, int32_t index,
                             const fs::path& staged, const std::string& what) {
  using api::Code;
  using api::Status;
  std::error_code ec;
  if (!fs::is_regular_file(classic, ec)) {
    return Status::Fail(Code::NotFound, what + " has no file in coffrel/; run verify, and delete or restore it first",
                        classic);
  }
  KeyBytes key = KeyBytes::Random();
  try {
    FileStream in(classic, FileStream::Mode::kRead);
    SealingStream out(staged, key, vault.BindingOf(index));
    // The classic envelope deciphers straight into the seal: no plain byte reaches the disk.
    if (out.Opened() && vault.Cipher().DecryptStream(in, out, classicKey).ok() && out.Size() == in.Size() &&
        out.Finish()) {
      return key;
    }
  } catch (const std::exception& e) {
    return Status::Fail(Code::Damaged, what + " could not be re-sealed (" + e.what() + ")", classic);
  }
  return Status::Fail(Code::IoError, what + " could not be re-sealed (is the disk full?)", staged);
}

// The box that recovered item files go to: "Recovered", made when there is room for it,
// else the first box.
std::string RecoveryBox(std::vector<ItemRecord>& rows) {
  std::vector<std::string> boxes;
  for (const ItemRecord& row : rows) {
    if (FieldOf(row, ItemField::Name).IsNull()) boxes.push_back(FieldOf(row, ItemField::Box).AsString());
  }
  if (std::find(boxes.begin(), boxes.end(), kRecoveryBox) != boxes.end()) return kRecoveryBox;
  if (boxes.size() >= static_cast<std::size_t>(api::kMaxBoxes)) return boxes.front();
  ItemRecord box{};
  box[static_cast<std::size_t>(ItemField::Box)] = FieldValue::Text(kRecoveryBox);
  rows.push_back(box);
  return kRecoveryBox;
}

// What a recovered item holds, from its sealed copy's directory: the name and kind that its
// record must give for the item to be what its record says, and its files' size.
struct RecoveredShape {
  std::string name;
  bool folder = true;
  int64_t size = 0;
};

// Nothing, with *unreadable set, when the copy just sealed cannot be opened again or its
// entries cannot be listed.
std::optional<RecoveredShape> ShapeOf(Vault& vault, const fs::path& staged, const KeyBytes& key, int32_t index,
                                      bool* unreadable) {
  auto view = SealedItemView::Open(staged, key, vault.BindingOf(index));
  *unreadable = !view.ok();
  if (!view.ok()) return std::nullopt;
  ZipComponent& zip = vault.Zip();
  zip.RenewScratch();
  zip.ReadThrough(std::move(*view));
  std::vector<std::string> names;
  RecoveredShape shape;
  // A read error, or a damaged archive: either way no name to trust.
  *unreadable = !zip.ReadEntries(staged.string()).ok();
  for (const zip::EntryInfo& e : zip.Entries()) {
    names.push_back(zip::DecodeEntryName(e.rawName, e.flags, zip.OEMConvert()));
    shape.size += static_cast<int64_t>(e.uncompressedSize);
  }
  zip.CloseArchive();
  zip.ReadThrough(nullptr);
  if (*unreadable) return std::nullopt;
  if (names.size() == 1 && names.front().find('/') == std::string::npos) {
    shape.name = names.front();
    shape.folder = false;
    return shape;
  }
  // A folder item: every entry lies below one top folder, which names it.
  shape.name = names.empty() ? std::string() : names.front().substr(0, names.front().find('/'));
  const bool below =
      std::all_of(names.begin(), names.end(), [&](const std::string& n) { return n.rfind(shape.name + "/", 0) == 0; });
  if (shape.name.empty() || !below) return std::nullopt;
  return shape;
}

// Records for item files no record listed, each re-sealed under a number of its own.
api::Status RecoverLeftovers(Vault& vault, const std::vector<fs::path>& files, const fs::path& stage,
                             std::vector<ItemRecord>& rows) {
  if (files.empty()) return api::Status::Ok();
  int32_t next = 0;
  for (const ItemRecord& row : rows) next = std::max<int32_t>(next, FieldOf(row, ItemField::Index).AsInteger());
  const std::string box = RecoveryBox(rows);
  for (const fs::path& file : files) {
    const int32_t index = ++next;
    const fs::path staged = stage / vault.Layout().ItemFile(index).filename();
    const auto key = Reseal(vault, file, vault.MasterKey(), index, staged, file.filename().string());
    if (!key.ok()) return key.status();
    // Named for what it holds; an archive of another shape keeps its file's name.
    // A name guessed from the file would never pass the health check: a copy that cannot be
    // read back stops the conversion instead.
    std::error_code ec;
    bool unreadable = false;
    const std::optional<RecoveredShape> found = ShapeOf(vault, staged, *key, index, &unreadable);
    if (unreadable) {
      return api::Status::Fail(api::Code::Damaged,
                               "what " + file.string() +
                                   " holds cannot be read back (a read error, or a damaged item); the vault stays "
                                   "classic: try again, or remove the file with clean",
                               file);
    }
    const RecoveredShape shape =
        found.value_or(RecoveredShape{file.filename().string(), true, static_cast<int64_t>(fs::file_size(file, ec))});
    ItemRecord row{};
    auto set = [&row](ItemField f, FieldValue v) { row[static_cast<std::size_t>(f)] = std::move(v); };
    set(ItemField::Index, FieldValue::Integer(index));
    set(ItemField::Name, FieldValue::Text(shape.name));
    set(ItemField::Size, FieldValue::Integer(shape.size));
    set(ItemField::Type, FieldValue::Text("Recovered item"));
    set(ItemField::Date, FieldValue::DateTime(api::LocalDateTime::FromUnixTime(std::time(nullptr))));
    set(ItemField::Box, FieldValue::Text(box));
    set(ItemField::Folder, FieldValue::Boolean(shape.folder));
    set(ItemField::Password, FieldValue::Text(ItemKeyText(*key)));
    set(ItemField::Comment, FieldValue::Text("Found in coffrel/ without a record when the vault was hardened"));
    rows.push_back(row);
  }
  return api::Status::Ok();
}

enum class StagedCopy { Holds, Refused, Unreadable };

StagedCopy CheckStagedCopy(Vault& vault, const ItemRecord& row, const fs::path& copy) {
  const int32_t index = FieldOf(row, ItemField::Index).AsInteger();
  const auto key = ItemKeyFromText(FieldOf(row, ItemField::Password).AsString());
  // A copy that cannot even be opened now (a passing I/O error) may be the item's only
  // sealed file under its record's key: it is kept, never judged planted.
  if (FileHandle probe(::open(copy.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)); probe.Get() < 0) {
    return errno == ENOENT ? StagedCopy::Refused : StagedCopy::Unreadable;
  }
  if (!key) return StagedCopy::Refused;
  // Opened whole into nothing: only its seal is judged. A seal refuses the same way twice; a
  // read error on the way is no verdict, and the copy is kept.
  api::Status why[2];
  for (api::Status& attempt : why) {
    attempt = OpenItemFile(copy, *key, vault.BindingOf(index), ItemSealing::Bound, "/dev/null", nullptr, {});
    if (attempt.ok()) return StagedCopy::Holds;
  }
  const bool readError = why[0].code != api::Code::Damaged || why[0].message != why[1].message;
  return readError ? StagedCopy::Unreadable : StagedCopy::Refused;
}

std::string ItemName(const ItemRecord& row) {
  return "item " + std::to_string(FieldOf(row, ItemField::Index).AsInteger()) + " (\"" +
         FieldOf(row, ItemField::Name).AsString() + "\")";
}

// Gives up a conversion: the staging folder goes, the vault stays classic.
api::Status Abandon(const fs::path& stage, api::Status why) {
  ShellDeleteTree(stage);
  return why;
}

}  // namespace

api::Status HardenVault(Vault& vault, std::string_view passphrase, const KdfCost& cost,
                        const std::function<void(std::size_t, std::size_t)>& onItem) {
  using api::Code;
  using api::Status;
  const fs::path stage = vault.Layout().HardeningDir();
  if (vault.Format() == api::Format::Hardened)
    return Status::Fail(Code::InvalidArgument, "the vault is hardened already");
  if (const std::string problem = PassphraseProblem(passphrase); !problem.empty()) {
    return Status::Fail(Code::InvalidArgument, problem);
  }
  GuardProcessSecrets();
  ShellDeleteTree(stage);
  std::error_code ec;
  if (!fs::create_directories(stage, ec)) {
    return Abandon(stage, Status::Fail(Code::IoError, "temp/hardening cannot be created", stage));
  }
  fs::permissions(stage, fs::perms::owner_all, ec);
  SyncDirectory(vault.Layout().TempDir(), vault.Unsynced());  // the staged copies' folder lasts as long as they do

  auto keys = HardenedKeys::Create(passphrase, cost);
  if (!keys)
    return Abandon(stage, Status::Fail(Code::NoMemory, "there is not enough memory to derive the vault's key"));
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
    const auto key = Reseal(vault, vault.Layout().ItemFile(index), FieldOf(row, ItemField::Password).AsString(), index,
                            staged, what);
    if (!key.ok()) return Abandon(stage, key.status());
    row[static_cast<std::size_t>(ItemField::Password)] = FieldValue::Text(ItemKeyText(*key));
    if (onItem) onItem(++done, total);
  }
  const ClassicLeftovers leftovers = FindClassicLeftovers(vault);
  if (!leftovers.unreadable.empty()) {
    return Abandon(stage, Status::Fail(Code::IoError,
                                       leftovers.unreadable.front().string() +
                                           " cannot be read, so whether it holds an item is unknown; the vault stays "
                                           "classic",
                                       leftovers.unreadable.front()));
  }
  if (Status recovered = RecoverLeftovers(vault, leftovers.recoverable, stage, after); !recovered.ok()) {
    return Abandon(stage, std::move(recovered));
  }
  SyncDirectory(stage, vault.Unsynced());

  // The hardened index lists the leftovers it must outlive: were the removal cut short, the
  // next open finishes it.
  std::vector<std::string> listed;
  for (const auto* files : {&leftovers.recoverable, &leftovers.doomed}) {
    for (const fs::path& file : *files) listed.push_back(vault.Layout().BelowBase(file));
  }
  std::erase(listed, std::string());
  vault.Items().ReplaceAll(std::move(after));
  vault.AdoptHardenedKeys(std::move(*keys));
  vault.ListLeftovers(std::move(listed));
  if (!vault.SaveIndex()) {
    // The classic index is still the one on the disk: the vault goes on as it was.
    vault.Items().ReplaceAll(before);
    vault.ListLeftovers({});
    vault.ReturnToClassic();
    return Abandon(stage, Status::Fail(Code::IoError,
                                       "the hardened index could not be saved (is the disk full?); the vault stays "
                                       "classic",
                                       vault.Layout().IndexFile()));
  }
  // Only now, with every item that could be recovered sealed and listed: nothing classic stays.
  if (std::string stuck = SettleHardening(vault); !stuck.empty()) {
    return Status::Fail(Code::IoError, "the vault is hardened, but " + stuck);
  }
  return Status::Ok();
}

namespace {

// Moves the staged copies that hold their records' items into coffrel/ and replaces the
// classic generations of the index. Empty when done; *whole: every record's file is sealed.
std::string MoveStagedCopiesIn(Vault& vault, bool* whole) {
  const VaultLayout& layout = vault.Layout();
  const fs::path stage = layout.HardeningDir();
  std::error_code ec;
  // A staged copy goes in only when it opens under its record's key and binding: a file
  // planted in temp/ would otherwise replace the real item.
  std::vector<std::pair<fs::path, std::string>> staged;  // and the item each one is
  std::vector<std::string> stuck;                        // items whose staged copies must stay for another try
  *whole = true;
  for (const ItemRecord& row : vault.Items().AllRecords()) {
    if (FieldOf(row, ItemField::Name).IsNull()) continue;
    const int32_t index = FieldOf(row, ItemField::Index).AsInteger();
    const fs::path copy = stage / layout.ItemFile(index).filename();
    const bool present = fs::exists(fs::symlink_status(copy, ec));
    const StagedCopy state = present ? CheckStagedCopy(vault, row, copy) : StagedCopy::Refused;
    if (state == StagedCopy::Holds) {
      staged.emplace_back(copy, ItemName(row));
    } else if (state == StagedCopy::Unreadable) {
      stuck.push_back(ItemName(row));
      *whole = false;
    } else if (vault.SealingOf(index) == ItemSealing::Bound && !FileLooksLikeSealedItem(layout.ItemFile(index))) {
      // The staged copy may be the item's only sealed file, its check cut short by a read
      // error: it stays for the next open to try again.
      if (present) stuck.push_back(ItemName(row));
      *whole = false;
    }
  }
  // No classic generation of the index may outlive the conversion: it gives the items away.
  // They go before the sealed items move in, so that none is ever paired with those; but
  // while an item has no sealed copy, the classic backup is the last index that opens it.
  const bool mainHardened = FileLooksHardened(layout.IndexFile());
  for (const fs::path& generation : {layout.BackupIndexFile(), layout.TempIndexFile()}) {
    if (!fs::exists(generation, ec) || FileLooksHardened(generation)) continue;
    if (generation == layout.BackupIndexFile() && mainHardened) {
      if (*whole && !CopyFileDurably(layout.IndexFile(), generation, vault.Unsynced()) && vault.Unsynced()->empty())
        *vault.Unsynced() =
            "the backup index could not take the hardened one's place (" + std::string(std::strerror(errno)) + ")";
    } else {
      ForceDeleteFile(generation);
    }
  }
  std::string why;
  for (const auto& [copy, item] : staged) {
    fs::rename(copy, layout.CoffrelDir() / copy.filename(), ec);
    if (!ec) continue;
    why = ec.message();
    stuck.push_back(item);
  }
  if (!fs::is_directory(stage, ec)) return {};
  const bool synced = SyncDirectory(layout.CoffrelDir());
  if (stuck.empty() && synced) {
    ShellDeleteTree(stage);
    return {};
  }
  if (stuck.empty()) return "the vault's folder coffrel/ could not be synced to the disk";
  return NamedList(stuck, 5) + " could not be moved into coffrel/" + (why.empty() ? "" : " (" + why + ")") +
         ": the re-sealed copies stay in " + stage.string() + " and move in when the vault is next opened";
}

}  // namespace

std::string SettleHardening(Vault& vault) {
  std::error_code ec;
  if (vault.Format() != api::Format::Hardened) {
    if (fs::exists(vault.Layout().HardeningDir(), ec)) ShellDeleteTree(vault.Layout().HardeningDir());
    return {};
  }
  // The leftovers go before the staged copies move in, since a recovered item may take the
  // number, and so the name, of the very file it came from.
  const bool listed = !vault.Seal().leftovers.empty();
  std::vector<fs::path> kept = RemoveListedLeftovers(vault);
  bool whole = true;
  if (std::string stuck = MoveStagedCopiesIn(vault, &whole); !stuck.empty()) return stuck;
  if (!kept.empty()) {
    std::vector<std::string> names;
    for (const fs::path& file : kept) names.push_back(vault.Layout().Shown(file).string());
    return NamedList(names, 5) + " could not be removed for good: the next open of the vault tries again";
  }
  // The list goes once nothing on it is left; a save now would overwrite the classic backup
  // that the items not yet sealed still need.
  if (!listed || !whole) return {};
  vault.ListLeftovers({});
  if (!vault.SaveIndex()) {
    return "its index could not be saved once the classic leftovers were removed (" + vault.SaveProblem() +
           "); the next open saves it again";
  }
  return {};
}

}  // namespace kestramo

#include "storage/vault/item_export.h"

#include <algorithm>
#include <system_error>

#include "storage/text/named_list.h"
#include "storage/vault/file_helpers.h"
#include "storage/vault/item_lookup.h"
#include "storage/vault/progress_translator.h"
#include "storage/vault/vault_lock.h"
#include "storage/zip/pack_path.h"
#include "storage/zip/zip_error.h"

namespace kestramo {

namespace fs = std::filesystem;

namespace {

// Removes what one extraction created, newest first; what existed before stays.
void RemoveCreated(const std::vector<std::string>& created) {
  for (auto it = created.rbegin(); it != created.rend(); ++it) {
    std::error_code ec;
    const fs::path p(*it);
    if (fs::is_directory(fs::symlink_status(p, ec))) {
      ShellDeleteTree(p);
    } else {
      ForceDeleteFile(p);
    }
  }
}

std::string FailureMessage(const std::string& name, const ZipComponent& zip, int extracted) {
  const std::string head = "The item \"" + name + "\" cannot be extracted: ";
  const std::size_t replaced = zip.ReplacedPaths().size();
  std::string undone = extracted > static_cast<int>(replaced) ? " The files it had created were removed." : "";
  if (replaced > 0) {
    undone +=
        " " + std::to_string(replaced) +
        (replaced == 1 ? " file you agreed to replace already holds" : " files you agreed to replace already hold") +
        " the item's copy.";
  }
  const ZipFault fault = zip.LastFault();
  if (fault == ZipFault::CantWriteOutput) {
    return head + "its files could not be written (is the destination disk full?)." + undone;
  }
  if (fault == ZipFault::ProtectedOutput) {
    return head + "some of its files would land in the vault's own folders; choose another destination." + undone;
  }
  // The destination is at fault, not the item.
  if (fault == ZipFault::CantUseDestination) {
    return head + "the destination folder cannot be created or opened: " + zip.LastErrorDetail() + "." + undone;
  }
  if (fault == ZipFault::CantCreateOutput) {
    return head + "this could not be created in the destination: " + zip.LastErrorDetail() + "." + undone;
  }
  return head + "it is damaged (" + zip.LastError() + ")." + undone;
}

// Existing files that were to be replaced and could not be (read-only, or one that appeared
// while the item was unpacked): the export is not what the user asked for.
std::string NotReplacedMessage(const std::string& name, const ZipComponent& zip, const fs::path& destDir) {
  std::vector<std::string> kept;
  for (const auto& file : zip.KeptPaths()) {
    if (!file.declined) kept.push_back(fs::path(file.path).lexically_relative(destDir).string());
  }
  if (kept.empty()) return {};
  return "The item \"" + name + "\" was extracted, but " +
         (kept.size() == 1 ? "1 existing file" : std::to_string(kept.size()) + " existing files") +
         " could not be replaced and still " + (kept.size() == 1 ? "holds" : "hold") +
         " what it held before: " + NamedList(kept, 20) + ".";
}

}  // namespace

ExportResult ExtractItem(Vault& vault, int32_t index, const fs::path& destDir, WorkContext ctx,
                         const OverwriteQuestion& ask, bool replaceReadOnly) {
  StatusCloser closer(ctx.status, ctx.work);
  const fs::path tempDir = vault.Layout().TempDir();
  ItemTable& items = vault.Items();
  if (!MoveToItem(items, index)) {
    closer.CloseWithMessage("There is no item " + std::to_string(index) + " to extract.");
    return ExportResult::Failed;
  }
  const bool isFolder = items.Field(ItemField::Folder).AsBoolean();
  const std::string name = items.Field(ItemField::Name).AsString();
  const std::string key = items.Field(ItemField::Password).AsString();
  const fs::path itemFile = vault.Layout().ItemFile(index);
  const fs::path archive = vault.Layout().TempArchive(index);
  ZipComponent& zip = vault.Zip();
  bool unpacking = false;
  std::error_code ec;
  if (fs::exists(destDir, ec) && !fs::is_directory(destDir, ec)) {
    closer.CloseWithMessage("The item \"" + name + "\" cannot be extracted: the destination " + destDir.string() +
                            " is not a folder.");
    return ExportResult::Failed;
  }
  if (vault.Layout().HoldsPath(destDir)) {
    closer.CloseWithMessage("The item \"" + name + "\" cannot be extracted into the vault's own folder " +
                            destDir.string() + ": choose another destination.");
    return ExportResult::Failed;
  }
  try {
    ProgressTranslator progress(ctx.status);
    ProgressBinding binding(vault, progress);
    ctx.status.SetStatusText("Now is decrypting:\r" + name);
    ctx.work.SetPhase(Phase::Decrypting);
    ctx.status.SetPhase(Phase::Decrypting);
    ctx.status.EnableCancel();

    std::error_code ec;
    ForceDeleteFile(archive);  // stale or planted: never decrypted into through a link
    const bool present = fs::is_regular_file(itemFile, ec);
    std::string why = "its file coffrel/" + itemFile.filename().string() +
                      " is missing (the vault may be an incomplete copy, made while an item was being added)";
    const std::optional<fs::path> readable =
        present ? vault.ReadableArchive(itemFile, key, index, archive, &why) : std::nullopt;
    if (!readable || ctx.work.Cancelled()) {
      DeleteMatchingFiles(tempDir);
      if (ctx.work.Cancelled()) return ExportResult::Cancelled;
      closer.CloseWithMessage("The item \"" + name + "\" cannot be extracted: " + why + ".");
      return ExportResult::Failed;
    }

    ctx.status.SetStatusText("Now is decompressing:\r" + name);
    ctx.work.SetPhase(Phase::Decompressing);
    ctx.status.SetPhase(Phase::Decompressing);
    UnpackOptions choices;
    choices.overwriteMode = OverwriteMode::Prompt;
    choices.overwritePrompt = ask;
    choices.replaceReadOnly = replaceReadOnly;
    // A folder item may hold a copy of this very vault: none of it may land in the real one.
    choices.protectedPaths = {vault.Layout().CoffrelDir().string(), vault.Layout().BackupDir().string(),
                              vault.Layout().TempDir().string(), VaultLock::LockFileOf(vault.Layout().Base()).string()};
    unpacking = true;
    const int count = UnpackArchive(zip, *readable, destDir, isFolder, std::move(choices));
    zip.ReadThrough(nullptr);

    ExportResult result = ExportResult::Done;
    if (ctx.work.Cancelled()) {
      zip.CloseArchive();
      RemoveCreated(zip.CreatedPaths());
      result = ExportResult::Cancelled;
    } else if (!zip.LastError().empty()) {
      // Damaged, wrongly keyed, or the destination ran out of room, even after some files
      // came out whole: nothing partial may look like a complete export.
      zip.CloseArchive();
      RemoveCreated(zip.CreatedPaths());
      DeleteMatchingFiles(tempDir);
      closer.CloseWithMessage(FailureMessage(name, zip, count));
      return ExportResult::Failed;
    }
    DeleteMatchingFiles(tempDir);
    if (const std::string notReplaced = NotReplacedMessage(name, zip, destDir); !notReplaced.empty()) {
      closer.CloseWithMessage(notReplaced);
      return ExportResult::Failed;
    }
    return result;
  } catch (...) {
    zip.ReadThrough(nullptr);
    zip.CloseArchive();
    if (unpacking) RemoveCreated(zip.CreatedPaths());  // before that, they are another export's
    DeleteMatchingFiles(tempDir);
    closer.CloseWithMessage("The item \"" + name + "\" cannot be extracted: an unexpected error occurred.");
    return ExportResult::Failed;
  }
}

}  // namespace kestramo

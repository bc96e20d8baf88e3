// SPDX-License-Identifier: GPL-3.0-or-later
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

std::string FailureMessage(const std::string& name, const ZipComponent& zip, const ZipRun& run) {
  const int extracted = run.count;
  const std::string head = "The item \"" + name + "\" cannot be extracted: ";
  const std::size_t replaced = zip.ReplacedPaths().size();
  std::string undone = extracted > static_cast<int>(replaced) ? " The files it had created were removed." : "";
  if (replaced > 0) {
    undone +=
        " " + std::to_string(replaced) +
        (replaced == 1 ? " file you agreed to replace already holds" : " files you agreed to replace already hold") +
        " the item's copy.";
  }
  const ZipFault fault = run.fault;
  if (fault == ZipFault::CantWriteOutput) {
    return head + "its files could not be written (is the destination disk full?)." + undone;
  }
  if (fault == ZipFault::ProtectedOutput) {
    return head + "some of its files would land in the vault's own folders; choose another destination." + undone;
  }
  // The destination is at fault, not the item.
  if (fault == ZipFault::CantUseDestination) {
    return head + "the destination folder cannot be created or opened: " + run.detail + "." + undone;
  }
  if (fault == ZipFault::CantCreateOutput) {
    return head + "this could not be created in the destination: " + run.detail + "." + undone;
  }
  return head + "it is damaged (" + run.error + ")." + undone;
}

// What a failed unpacking comes to for the caller: the destination or the item at fault.
api::Code UnpackFailure(ZipFault fault) {
  switch (fault) {
    case ZipFault::CantWriteOutput:
    case ZipFault::NoRoomToWrite: return api::Code::NoSpace;
    case ZipFault::CantCreateOutput:
    case ZipFault::CantUseDestination: return api::Code::IoError;
    case ZipFault::ProtectedOutput: return api::Code::InvalidArgument;
    default: return api::Code::Damaged;
  }
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

api::Status ExtractItem(Vault& vault, int32_t index, const fs::path& destDir, WorkContext ctx,
                        const OverwriteQuestion& ask, bool replaceReadOnly) {
  using api::Code;
  using api::Status;
  StatusCloser closer(ctx.status, ctx.work);
  // Shown, and given back with the code of the failure and the path at fault.
  auto fail = [&closer](Code code, const std::string& message, const fs::path& path) {
    closer.CloseWithMessage(message);
    return Status::Fail(code, message, path);
  };
  const fs::path tempDir = vault.Layout().TempDir();
  ItemTable& items = vault.Items();
  if (!MoveToItem(items, index)) {
    return fail(Code::NotFound, "There is no item " + std::to_string(index) + " to extract.", {});
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
    return fail(
        Code::InvalidArgument,
        "The item \"" + name + "\" cannot be extracted: the destination " + destDir.string() + " is not a folder.",
        destDir);
  }
  if (vault.Layout().HoldsPath(destDir)) {
    return fail(Code::InvalidArgument,
                "The item \"" + name + "\" cannot be extracted into the vault's own folder " + destDir.string() +
                    ": choose another destination.",
                destDir);
  }
  try {
    ProgressTranslator progress(ctx.status);
    ProgressBinding binding(vault, progress);
    ctx.status.SetStatusText("Now is decrypting:\r" + name);
    ctx.work.SetPhase(api::Phase::Decrypting);
    ctx.status.SetPhase(api::Phase::Decrypting);
    ctx.status.EnableCancel();

    ForceDeleteFile(archive);  // stale or planted: never decrypted into through a link
    const bool present = fs::is_regular_file(itemFile, ec);
    const api::Result<fs::path> readable =
        present
            ? vault.ReadableArchive(itemFile, key, index, archive)
            : Status::Fail(Code::NotFound,
                           "its file coffrel/" + itemFile.filename().string() +
                               " is missing (the vault may be an incomplete copy, made while an item was being added)",
                           itemFile);
    if (!readable.ok() || ctx.work.Cancelled()) {
      DeleteMatchingFiles(tempDir);
      if (ctx.work.Cancelled()) return Status::Fail(Code::Cancelled);
      return fail(readable.status().code,
                  "The item \"" + name + "\" cannot be extracted: " + readable.status().message + ".", itemFile);
    }

    ctx.status.SetStatusText("Now is decompressing:\r" + name);
    ctx.work.SetPhase(api::Phase::Decompressing);
    ctx.status.SetPhase(api::Phase::Decompressing);
    UnpackOptions choices;
    choices.overwriteMode = OverwriteMode::Prompt;
    choices.overwritePrompt = ask;
    choices.replaceReadOnly = replaceReadOnly;
    // A folder item may hold a copy of this very vault: none of it may land in the real one.
    choices.protectedPaths = {vault.Layout().CoffrelDir().string(), vault.Layout().BackupDir().string(),
                              vault.Layout().TempDir().string(), VaultLock::LockFileOf(vault.Layout().Base()).string()};
    unpacking = true;
    const ZipRun run = UnpackArchive(zip, *readable, destDir, isFolder, std::move(choices));
    zip.ReadThrough(nullptr);

    Status result = Status::Ok();
    if (ctx.work.Cancelled()) {
      zip.CloseArchive();
      RemoveCreated(zip.CreatedPaths());
      result = Status::Fail(Code::Cancelled);
    } else if (!run.ok()) {
      // Damaged, wrongly keyed, or the destination ran out of room, even after some files
      // came out whole: nothing partial may look like a complete export.
      zip.CloseArchive();
      RemoveCreated(zip.CreatedPaths());
      DeleteMatchingFiles(tempDir);
      return fail(UnpackFailure(run.fault), FailureMessage(name, zip, run), itemFile);
    }
    DeleteMatchingFiles(tempDir);
    if (const std::string notReplaced = NotReplacedMessage(name, zip, destDir); !notReplaced.empty()) {
      return fail(Code::IoError, notReplaced, itemFile);
    }
    return result;
  } catch (...) {
    zip.ReadThrough(nullptr);
    zip.CloseArchive();
    if (unpacking) RemoveCreated(zip.CreatedPaths());  // before that, they are another export's
    DeleteMatchingFiles(tempDir);
    return fail(Code::Damaged, "The item \"" + name + "\" cannot be extracted: an unexpected error occurred.",
                itemFile);
  }
}

}  // namespace kestramo

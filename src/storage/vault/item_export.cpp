#include "storage/vault/item_export.h"

#include <algorithm>
#include <system_error>

#include "storage/vault/file_helpers.h"
#include "storage/vault/progress_translator.h"
#include "storage/zip/pack_path.h"

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

}  // namespace

ExportResult ExtractItem(Vault& vault, const fs::path& destDir, WorkContext ctx, const OverwriteQuestion& ask) {
  StatusCloser closer(ctx.status, ctx.work);
  const fs::path tempDir = vault.Layout().TempDir();
  ItemTable& items = vault.Items();
  const int32_t index = items.Field(ItemField::Index).AsInteger();
  const bool isFolder = items.Field(ItemField::Folder).AsBoolean();
  const std::string name = items.Field(ItemField::Name).AsString();
  const std::string key = items.Field(ItemField::Password).AsString();
  const fs::path itemFile = vault.Layout().ItemFile(index);
  const fs::path archive = vault.Layout().TempArchive(index);
  ZipComponent& zip = vault.Zip();
  try {
    ProgressTranslator progress(ctx.status);
    ProgressBinding binding(vault, progress);
    ctx.status.SetStatusText("Now is decrypting:\r" + name);
    ctx.work.SetPhase(Phase::Decrypting);
    ctx.status.SetPhase(Phase::Decrypting);
    ctx.status.EnableCancel();

    std::error_code ec;
    const bool present = fs::is_regular_file(itemFile, ec);
    if (!present || !vault.Cipher().DecryptFile(itemFile, archive, key) || ctx.work.Cancelled()) {
      DeleteMatchingFiles(tempDir);
      if (ctx.work.Cancelled()) return ExportResult::Cancelled;
      closer.CloseWithMessage("The item \"" + name + "\" cannot be extracted: its file " +
                              (present ? "cannot be read." : "is missing."));
      return ExportResult::Failed;
    }

    ctx.status.SetStatusText("Now is decompressing:\r" + name);
    ctx.work.SetPhase(Phase::Decompressing);
    ctx.status.SetPhase(Phase::Decompressing);
    zip.OnOverwritePrompt = ask;
    zip.SetOverwriteMode(OverwriteMode::Prompt);
    const int count = UnpackArchive(zip, archive, destDir, isFolder);
    zip.OnOverwritePrompt = nullptr;

    ExportResult result = ExportResult::Done;
    if (ctx.work.Cancelled()) {
      zip.CloseArchive();
      RemoveCreated(zip.CreatedPaths());
      result = ExportResult::Cancelled;
    } else if (count == 0 && !zip.LastError().empty()) {
      // A damaged or wrongly keyed item: nothing partial may look like a complete export.
      zip.CloseArchive();
      RemoveCreated(zip.CreatedPaths());
      DeleteMatchingFiles(tempDir);
      closer.CloseWithMessage("The item \"" + name + "\" cannot be extracted: it is damaged (" + zip.LastError() + ").");
      return ExportResult::Failed;
    }
    DeleteMatchingFiles(tempDir);
    return result;
  } catch (...) {
    zip.OnOverwritePrompt = nullptr;
    zip.CloseArchive();
    DeleteMatchingFiles(tempDir);
    return ExportResult::Failed;
  }
}

}  // namespace kestramo

// Commands that look after the vault's files: a health check of every item, and the removal
// of item files that no record lists.
#include <iostream>

#include "cli/cli_error.h"
#include "cli/cli_vault.h"
#include "cli/commands.h"
#include "cli/output_text.h"
#include "cli/yes_no.h"
#include "storage/vault/file_helpers.h"
#include "storage/vault/item_contents.h"
#include "storage/vault/classic_leftovers.h"
#include "storage/vault/durable_file.h"
#include "storage/vault/unrecorded_files.h"
#include "storage/zip/pack_path.h"
#include "storage/zip/zip_error.h"

namespace kestramo::cli {

namespace {

namespace fs = std::filesystem;

// Why an item cannot be taken out again ("" when it checks out), or why it could not be
// checked at all: the vault's own disk or temp/ failing says nothing of the item.
struct ItemCheck {
  std::string problem;
  bool unchecked = false;
};

bool NoRoomToUnpack(const Vault& vault, const fs::path& itemFile) {
  std::error_code ec;
  const auto room = fs::space(vault.Layout().TempDir(), ec);
  return !ec && room.available < fs::file_size(itemFile, ec) + (1u << 20);
}

// Judges an item from its archive, unpacked into temp/'s scratch folder.
ItemCheck JudgeUnpacked(const Vault& vault, const ZipComponent& zip, const ItemRecord& r, const fs::path& itemFile) {
  const std::string& error = zip.LastError();
  const bool noRoom = error == kCantWriteOutput || (error == kCantCreateOutput && NoRoomToUnpack(vault, itemFile));
  if (noRoom) return {"no room in temp/ to check it", true};
  if (error == kCantUseDestination) return {"temp/ cannot take its files: " + zip.LastErrorDetail(), true};
  if (error == kCantCreateOutput) return {"it is damaged (" + error + ": " + zip.LastErrorDetail() + ")"};
  if (!error.empty()) return {"it is damaged (" + error + ")"};
  if (const std::string mismatch = ContentsMismatch(zip, r); !mismatch.empty()) {
    return {"its file is not this item's: " + mismatch};
  }
  return {};
}

ItemCheck CheckItem(Vault& vault, const ItemRecord& r) {
  const int32_t index = FieldOf(r, ItemField::Index).AsInteger();
  const fs::path itemFile = vault.Layout().ItemFile(index);
  std::error_code ec;
  if (!fs::is_regular_file(itemFile, ec)) return {"its file " + itemFile.filename().string() + " is missing"};
  const fs::path archive = vault.Layout().TempArchive(index);
  const fs::path scratch = vault.Layout().TempDir() / "verify";
  ItemCheck check;
  const bool hardened = vault.Format() == VaultFormat::Hardened;
  std::string why;
  if (!vault.OpenItem(itemFile, FieldOf(r, ItemField::Password).AsString(), index, archive, &why)) {
    check.unchecked = NoRoomToUnpack(vault, itemFile);
    check.problem = check.unchecked ? "no room in temp/ to check it" : hardened ? why : "its file cannot be read";
  } else if (hardened) {
    // Its seal proved it whole: only its directory is left to judge, and nothing plain is unpacked.
    ZipComponent& zip = vault.Zip();
    zip.SetZipName(archive.string());
    try {
      zip.ReadEntries();
    } catch (...) {
    }
    check = JudgeUnpacked(vault, zip, r, itemFile);
    zip.CloseArchive();
  } else {
    ZipComponent& zip = vault.Zip();
    zip.SetOverwriteMode(OverwriteMode::Always);
    UnpackArchive(zip, archive, scratch, true);
    check = JudgeUnpacked(vault, zip, r, itemFile);
    zip.CloseArchive();
    zip.SetOverwriteMode(OverwriteMode::Prompt);
  }
  ShellDeleteTree(scratch);
  DeleteMatchingFiles(vault.Layout().TempDir());
  return check;
}

int Verify(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  CliVault v(args, CliVault::Access::Write);  // it uses temp/
  Vault& vault = v.Get();
  std::size_t problems = 0, unchecked = 0, items = 0, classic = 0;
  for (const ItemRecord& r : vault.Items().AllRecords()) {
    if (FieldOf(r, ItemField::Name).IsNull()) continue;
    ++items;
    const ItemCheck check = CheckItem(vault, r);
    if (check.problem.empty()) continue;
    ++(check.unchecked ? unchecked : problems);
    std::cout << (check.unchecked ? "UNCHECKED\t" : "DAMAGED\t") << FieldOf(r, ItemField::Index).AsInteger() << "\t"
              << Escaped(FieldOf(r, ItemField::Box).AsString()) << "\t"
              << Escaped(FieldOf(r, ItemField::Name).AsString()) << "\t" << Escaped(check.problem) << "\n";
  }
  const std::vector<fs::path> unrecorded = UnrecordedItemFiles(vault);
  for (const fs::path& file : unrecorded) std::cout << "UNRECORDED\t" << Escaped(file.filename().string()) << "\n";
  // In a hardened vault, a file in the classic format gives away what it holds.
  if (vault.Format() == VaultFormat::Hardened) {
    for (const fs::path& file : ClassicFilesIn(vault)) {
      ++classic;
      std::cout << "CLASSIC\t" << Escaped(file.lexically_relative(vault.Layout().Base()).string())
                << "\tin the classic format, readable without the passphrase\n";
    }
  }
  std::cout << Counted(items, "item") << " checked, " << problems << " damaged or missing";
  if (!unrecorded.empty()) {
    std::cout << ", " << Counted(unrecorded.size(), "file") << " in coffrel/ that no record lists (kept and not "
              << "counted; kestramo-cli clean removes them)";
  }
  if (unchecked) std::cout << ", " << unchecked << " not checked";
  std::cout << "\n";
  if (problems) throw CliError(Counted(problems, "item") + " cannot be taken out whole");
  if (classic) throw CliError(Counted(classic, "file") + " in the classic format, readable without the passphrase: see above");
  if (unchecked) throw CliError(Counted(unchecked, "item") + " could not be checked: see why above, then verify again");
  return 0;
}

int Clean(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  CliVault v(args, CliVault::Access::Write);
  // Records added after the restored copy was made are gone, but their files may be the
  // only trace of those items: nothing is removed until the user has seen the report.
  if (v.IndexRestored()) {
    throw CliError("the index was just restored or is older than one seen before: nothing removed; run clean again "
                   "once you have checked the vault");
  }
  const std::vector<fs::path> files = UnrecordedItemFiles(v.Get());
  if (files.empty()) {
    std::cout << "Nothing to remove.\n";
    return 0;
  }
  std::cout << "Files in coffrel/ that no record lists:\n";
  for (const fs::path& file : files) std::cout << "  " << Escaped(file.filename().string()) << "\n";
  std::cout << std::flush;
  if (!args.Has("yes") && !Confirm("Remove " + (files.size() == 1 ? std::string("this file") : "these " + Counted(files.size(), "file")) + " for good?")) {
    throw CliError("nothing removed (confirm on a terminal, or pass --yes)");
  }
  std::size_t kept = 0;
  for (const fs::path& file : files) {
    if (ForceDeleteFile(file)) continue;
    ++kept;
    std::cerr << "kestramo-cli: " << Escaped(file.string()) << " cannot be removed\n";
  }
  SyncDirectory(v.Get().Layout().CoffrelDir());  // removed for good, power cut or not
  std::cout << "Removed " << Counted(files.size() - kept, "file") << ".\n";
  if (kept) throw CliError(Counted(kept, "file") + " could not be removed");
  return 0;
}

}  // namespace

const std::vector<Command>& UpkeepCommands() {
  static const std::vector<Command> commands = {
      {"verify", "",
       "Decrypts and unpacks every item in temp/, and names each one that is damaged, missing or not\n"
       "what its record says (its file holding another item's names or size). Also lists the files in\n"
       "coffrel/ that no record lists: item files left by an interrupted deletion, or set aside as\n"
       "unrecorded. They are kept, and never counted as items.",
       Verify},
      {"clean", "[--yes]",
       "Removes the files that verify lists as unrecorded, after showing them and asking on the\n"
       "terminal (or --yes). The file of an item that a record lists is never touched.",
       Clean, {"yes"}},
  };
  return commands;
}

}  // namespace kestramo::cli

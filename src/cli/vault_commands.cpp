// Commands on the vault as a whole: the access password, a health check and a self-check.
#include <algorithm>
#include <iostream>
#include <set>
#include <system_error>

#include "cli/cli_error.h"
#include "cli/cli_vault.h"
#include "cli/commands.h"
#include "cli/item_lookup.h"
#include "cli/self_check.h"
#include "cli/terminal_status.h"
#include "storage/text/utf8.h"
#include "storage/vault/file_helpers.h"
#include "storage/vault/index_file.h"
#include "storage/zip/pack_path.h"
#include "storage/zip/zip_error.h"

namespace kestramo::cli {

namespace {

namespace fs = std::filesystem;

int Passwd(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  CliVault v(args, CliVault::Access::Write);
  const std::string password = v.ReadSecret("New password (empty for none): ");
  const std::string confirm = v.ReadSecret("Confirm new password: ");
  if (password != confirm) throw CliError("The new and confirmed passwords do not match. Please type them again.");
  if (Utf8Length(password) > kMaxPasswordChars) throw CliError("a password has at most 8 characters");
  v.Get().SetPassword(password);
  v.Save();
  std::cerr << "The password has been successfully changed.\n";
  return 0;
}

// Why an item cannot be taken out again ("" when every entry checks out), or why it could
// not be checked at all: the vault's own disk too full to unpack it says nothing of the item.
struct ItemCheck {
  std::string problem;
  bool unchecked = false;
};

bool NoRoomToUnpack(const Vault& vault, const fs::path& itemFile) {
  std::error_code ec;
  const auto room = fs::space(vault.Layout().TempDir(), ec);
  return !ec && room.available < fs::file_size(itemFile, ec) + (1u << 20);
}

ItemCheck CheckItem(Vault& vault, const ItemRecord& r) {
  auto f = [&r](ItemField field) -> const FieldValue& { return r[static_cast<std::size_t>(field)]; };
  const int32_t index = f(ItemField::Index).AsInteger();
  const fs::path itemFile = vault.Layout().ItemFile(index);
  std::error_code ec;
  if (!fs::is_regular_file(itemFile, ec)) return {"its file " + itemFile.filename().string() + " is missing"};
  const fs::path archive = vault.Layout().TempArchive(index);
  const fs::path scratch = vault.Layout().TempDir() / "verify";
  ItemCheck check;
  std::string& problem = check.problem;
  if (!vault.Cipher().DecryptFile(itemFile, archive, f(ItemField::Password).AsString())) {
    check.unchecked = NoRoomToUnpack(vault, itemFile);
    problem = check.unchecked ? "no room in temp/ to check it" : "its file cannot be read";
  } else {
    ZipComponent& zip = vault.Zip();
    zip.SetOverwriteMode(OverwriteMode::Always);
    const int count = UnpackArchive(zip, archive, scratch, true);
    uint64_t total = 0;
    for (int i = 0; i < zip.EntryCount(); ++i) total += zip.EntrySize(i);
    const bool noRoom = zip.LastError() == kCantWriteOutput ||
                        (zip.LastError() == kCantCreateOutput && NoRoomToUnpack(vault, itemFile));
    if (noRoom) {
      check.unchecked = true;
      problem = "no room in temp/ to check it";
    } else if (count == 0 && !zip.LastError().empty()) {
      problem = "it is damaged (" + zip.LastError() + ")";
    } else if (count != zip.EntryCount()) {
      problem = "it is damaged (" + std::to_string(zip.EntryCount() - count) + " entries fail their checksum)";
    } else if (total != static_cast<uint64_t>(static_cast<uint32_t>(f(ItemField::Size).AsInteger()))) {
      problem = "its size does not match the index";
    }
    zip.CloseArchive();
    zip.SetOverwriteMode(OverwriteMode::Prompt);
  }
  ShellDeleteTree(scratch);
  DeleteMatchingFiles(vault.Layout().TempDir());
  return check;
}

// Files in coffrel/ that hold an item but no record names: a numbered item file without a
// record, or one set aside as unrecorded. They may be items whose records were lost.
std::vector<std::string> UnrecordedFiles(const Vault& vault) {
  std::set<std::string> recorded;
  for (const ItemRecord& r : vault.Items().AllRecords()) {
    if (r[static_cast<std::size_t>(ItemField::Name)].IsNull()) continue;
    recorded.insert(vault.Layout().ItemFile(r[static_cast<std::size_t>(ItemField::Index)].AsInteger()).filename().string());
  }
  std::vector<std::string> found;
  std::error_code ec;
  for (fs::directory_iterator it(vault.Layout().CoffrelDir(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const bool itemFile = name.rfind("item", 0) == 0 && (name.ends_with(".dat") || name.find(".dat.unrecorded-") != std::string::npos);
    if (itemFile && !recorded.count(name)) found.push_back(name);
  }
  std::sort(found.begin(), found.end());
  return found;
}

int Verify(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  CliVault v(args, CliVault::Access::Write);  // it uses temp/
  Vault& vault = v.Get();
  int problems = 0, unchecked = 0, items = 0;
  for (const ItemRecord& r : vault.Items().AllRecords()) {
    if (r[static_cast<std::size_t>(ItemField::Name)].IsNull()) continue;
    ++items;
    const ItemCheck check = CheckItem(vault, r);
    if (check.problem.empty()) continue;
    ++(check.unchecked ? unchecked : problems);
    auto f = [&r](ItemField field) -> const FieldValue& { return r[static_cast<std::size_t>(field)]; };
    std::cout << (check.unchecked ? "UNCHECKED\t" : "DAMAGED\t") << f(ItemField::Index).AsInteger() << "\t"
              << f(ItemField::Box).AsString() << "\t" << f(ItemField::Name).AsString() << "\t" << check.problem << "\n";
  }
  const std::vector<std::string> unrecorded = UnrecordedFiles(vault);
  for (const std::string& name : unrecorded) std::cout << "UNRECORDED\t" << name << "\n";
  std::cout << items << " items checked, " << problems << " damaged or missing";
  if (!unrecorded.empty()) std::cout << ", " << unrecorded.size() << " item files without a record (kept, not counted)";
  if (unchecked) std::cout << ", " << unchecked << " not checked for want of room in temp/";
  std::cout << "\n";
  if (problems) throw CliError(std::to_string(problems) + " items cannot be taken out whole");
  if (unchecked) throw CliError(std::to_string(unchecked) + " items could not be checked: free some space and verify again");
  return 0;
}

int SelfCheck(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  return RunSelfCheck(std::cout) ? 0 : kExitFailure;
}

}  // namespace

const std::vector<Command>& VaultCommands() {
  static const std::vector<Command> commands = {
      {"passwd", "[--password-stdin]",
       "Sets the access password (at most 8 characters; empty removes it), typed twice. With\n"
       "--password-stdin the current password (when one is set), the new one and its confirmation\n"
       "are read as lines from standard input.",
       Passwd},
      {"verify", "",
       "Decrypts and tests every item and names each one that is damaged or missing; also lists item\n"
       "files in coffrel/ that have no record (they are kept, never counted as items).",
       Verify},
      {"self-check", "", "Runs the storage engine through a small vault of its own and reports the result.",
       SelfCheck},
  };
  return commands;
}

}  // namespace kestramo::cli

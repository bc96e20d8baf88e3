#include "cli/cli_vault.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <optional>

#include "cli/cli_error.h"
#include "cli/output_text.h"
#include "storage/vault/index_file.h"
#include "storage/vault/vault_location.h"

namespace kestramo::cli {

namespace fs = std::filesystem;

fs::path CliVault::ExeDir() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path() : exe.parent_path();
}

fs::path CliVault::DefaultBase() { return DefaultVaultDir(ExeDir()); }

fs::path CliVault::Folder(const CliArgs& args, Access access) {
  const bool given = args.values.count("vault") > 0;
  if (given && args.Value("vault").empty()) throw UsageError("--vault needs a folder");
  const fs::path base = given ? fs::absolute(args.Value("vault")) : DefaultBase();
  std::error_code ec;
  // The user's own vault folder is made on first use, for its owner alone.
  if (!given && access == Access::Create && base != ExeDir() && !MakePrivateDir(base)) {
    throw CliError("the vault folder " + base.string() + " cannot be made");
  }
  const fs::file_status status = fs::status(base, ec);
  if (!fs::exists(status)) throw CliError("the vault folder " + base.string() + " does not exist");
  if (fs::is_regular_file(status)) throw CliError(base.string() + " is a file, not a vault folder");
  if (!fs::is_directory(status)) throw CliError(base.string() + " is not a folder");
  if (VaultLayout(base).HoldsVault()) return base;
  if (access != Access::Create) throw CliError("no vault in " + base.string());
  // The program's own folder is where its vault belongs; elsewhere a new vault must not mix
  // with the user's files.
  if (given && !VaultLayout(base).IsUnused()) {
    throw CliError("no vault in " + base.string() + ", and a new vault is made only in an empty folder");
  }
  return base;
}

namespace {

std::string UnreadableMessage(const IndexLoadReport& report) {
  return "the index cannot be read (" + report.detail + ") and no saved copy of it can be read either" +
         (report.setAside.empty() ? std::string() : "; the damaged file was kept as " + report.setAside.string()) +
         ". No item file was touched.";
}

std::string RefusalHint(const IndexLoadReport& report) {
  return report.outcome == IndexLoadReport::Outcome::RolledBack ? " (--accept-older-index opens it all the same)"
                                                                : "; nothing was changed";
}

// One line read byte by byte from the descriptor: no stream buffer keeps a copy of a secret,
// and what follows the line stays unread for the next reader. Nothing at the end of input.
std::optional<std::string> ReadLineUnbuffered(int fd) {
  std::string line;
  line.reserve(256);  // a passphrase fits: no reallocation leaves a copy behind
  char c = 0;
  ssize_t n = 0;
  while ((n = ::read(fd, &c, 1)) == 1 || (n < 0 && errno == EINTR)) {
    if (n < 0) continue;
    if (c == '\n') break;
    line.push_back(c);
  }
  if (n == 0 && line.empty()) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

CliVault::CliVault(const CliArgs& args, Access access) : args_(args) {
  const fs::path base = Folder(args, access);
  vault_ = std::make_unique<Vault>(base);
  if (const fs::path witness = VaultWitness::DefaultFile(); !witness.empty()) vault_->UseWitness(witness);
  if (args.Has("accept-older-index")) vault_->AcceptOlderIndex();

  if (lock_.TryAcquire(base)) {
    IndexLoadReport report = vault_->LoadIndex();
    if (report.outcome == IndexLoadReport::Outcome::Locked) {
      vault_->OfferPassphrase(ReadSecret("Passphrase: "));
      report = vault_->LoadIndex();
    }
    if (report.outcome == IndexLoadReport::Outcome::Locked) throw CliError(report.detail);
    if (report.Refused()) throw CliError(report.detail + RefusalHint(report));
    if (report.outcome == IndexLoadReport::Outcome::Unreadable) throw CliError(UnreadableMessage(report));
    restored_ = report.outcome == IndexLoadReport::Outcome::Restored || vault_->OpenedOlderIndex();
    if (report.NeedsAttention()) std::cerr << "kestramo-cli: " << Escaped(report.Message()) << "\n";
    RequirePassword();
    return;
  }
  if (access != Access::Read && lock_.HeldElsewhere()) {
    throw CliError("the vault in " + base.string() + " is in use by another KESTRAMO program; close it first");
  }
  if (access != Access::Read) {
    throw CliError("the vault in " + base.string() + " cannot be opened for writing (" + lock_.Problem() + ")");
  }
  std::string why;
  bool locked = false;
  bool read = vault_->ReadIndex(&why, &locked);
  if (!read && locked) {
    vault_->OfferPassphrase(ReadSecret("Passphrase: "));
    read = vault_->ReadIndex(&why, &locked);
    if (!read && locked) throw CliError(why);
  }
  if (!read) throw CliError("the index cannot be read: " + why);
  RequirePassword();
}

std::string CliVault::ReadSecret(const std::string& prompt) {
  const bool tty = ::isatty(0) && !args_.Has("password-stdin");
  termios saved{};
  if (tty) {
    std::cerr << prompt << std::flush;
    tcgetattr(0, &saved);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(0, TCSANOW, &quiet);
  }
  const std::optional<std::string> read = ReadLineUnbuffered(0);
  if (tty) {
    tcsetattr(0, TCSANOW, &saved);
    std::cerr << "\n";
  }
  if (!read) throw CliError("no password was given");
  return *read;
}

void CliVault::RequirePassword() {
  if (!vault_->HasPassword()) return;
  const std::string typed = ReadSecret("Password: ");
  if (typed.empty()) throw CliError("Please input password.");
  if (std::string(kMasterKeyPrefix) + typed != vault_->MasterKey()) throw CliError("Uncorrect password.");
}

void CliVault::Save() {
  if (!vault_->SaveIndex()) throw CliError("the index could not be saved (is the disk full or read-only?)");
}

}  // namespace kestramo::cli

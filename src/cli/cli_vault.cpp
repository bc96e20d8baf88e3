#include "cli/cli_vault.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "cli/cli_error.h"
#include "storage/vault/index_file.h"

namespace kestramo::cli {

namespace fs = std::filesystem;

fs::path CliVault::DefaultBase() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path() : exe.parent_path();
}

CliVault::CliVault(const CliArgs& args, Access access) : args_(args) {
  const fs::path base = args.values.count("vault") ? fs::absolute(args.Value("vault")) : DefaultBase();
  std::error_code ec;
  if (!fs::is_directory(base, ec)) throw CliError("the vault directory " + base.string() + " does not exist");
  vault_ = std::make_unique<Vault>(base);

  if (lock_.TryAcquire(base)) {
    const IndexLoadReport report = vault_->LoadIndex();
    if (report.NeedsAttention()) std::cerr << "kestramo-cli: " << report.Message() << "\n";
    RequirePassword();
    return;
  }
  if (access == Access::Write && lock_.HeldElsewhere()) {
    throw CliError("the vault in " + base.string() + " is in use by another KESTRAMO program; close it first");
  }
  if (access == Access::Write) {
    throw CliError("the vault in " + base.string() + " cannot be opened for writing (" + lock_.Problem() + ")");
  }
  std::string why;
  if (!vault_->ReadIndex(&why)) throw CliError("the index cannot be read: " + why);
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
  std::string line;
  const bool got = static_cast<bool>(std::getline(std::cin, line));
  if (tty) {
    tcsetattr(0, TCSANOW, &saved);
    std::cerr << "\n";
  }
  if (!got) throw CliError("no password was given");
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
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

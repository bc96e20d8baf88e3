// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_vault.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>

#include "cli/cli_error.h"
#include "cli/output_text.h"
#include "kestramo/vault_location.h"

namespace kestramo::cli {

namespace fs = std::filesystem;

fs::path CliVault::ExeDir() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path() : exe.parent_path();
}

fs::path CliVault::DefaultBase() { return api::DefaultVaultDir(ExeDir()); }

fs::path CliVault::Folder(const CliArgs& args, Access access) {
  const bool given = args.values.count("vault") > 0;
  if (given && args.Value("vault").empty()) throw UsageError("--vault needs a folder");
  const fs::path base = given ? fs::absolute(args.Value("vault")) : DefaultBase();
  std::error_code ec;
  // The user's own vault folder is made on first use, for its owner alone.
  if (!given && access == Access::Create && base != ExeDir() && !api::MakePrivateDir(base)) {
    throw CliError("the vault folder " + base.string() + " cannot be made");
  }
  const fs::file_status status = fs::status(base, ec);
  if (!fs::exists(status)) throw CliError("the vault folder " + base.string() + " does not exist");
  if (fs::is_regular_file(status)) throw CliError(base.string() + " is a file, not a vault folder");
  if (!fs::is_directory(status)) throw CliError(base.string() + " is not a folder");
  // Another user's vault is not "no vault": say why it cannot be looked into.
  if (::access(base.c_str(), R_OK | X_OK) != 0) {
    throw CliError("the vault folder " + base.string() + " cannot be opened (" + std::strerror(errno) + ")");
  }
  if (api::HoldsVault(base)) return base;
  if (access != Access::Create) throw CliError("no vault in " + base.string());
  // The program's own folder is where its vault belongs; elsewhere a new vault must not mix
  // with the user's files.
  if (given && !api::IsUnusedFolder(base)) {
    throw CliError("no vault in " + base.string() + ", and a new vault is made only in an empty folder");
  }
  return base;
}

namespace {

// The words for a vault that could not be opened.
std::string OpenFailure(const api::Status& status, const api::OpenReport& report, const fs::path& base) {
  switch (status.code) {
    case api::Code::Busy:
      return "the vault in " + base.string() + " is in use by another KESTRAMO program; close it first";
    case api::Code::IoError:
      if (report.readAsIs) return "the index cannot be read: " + status.message;
      return "the vault in " + base.string() + " cannot be opened for writing (" + status.message + ")";
    case api::Code::Refused:
      if (report.readAsIs) return "the index cannot be read: " + status.message;
      return status.message + (report.outcome == api::OpenReport::Outcome::RolledBack
                                   ? " (--accept-older-index opens it all the same)"
                                   : "; nothing was changed");
    case api::Code::Damaged:
      if (report.readAsIs) return "the index cannot be read: " + status.message;
      return "the index cannot be read (" + status.message + ") and no saved copy of it can be read either" +
             (report.setAside.empty() ? std::string() : "; the damaged file was kept as " + report.setAside.string()) +
             ". No item file was touched.";
    case api::Code::NotFound: return "no vault in " + base.string();
    default: return status.message;
  }
}

// One line read byte by byte from the descriptor into locked memory: no stream buffer or
// freed string keeps a copy of a secret, and what follows the line stays unread for the next
// reader. Nothing at the end of input.
std::optional<api::Secret> ReadLineUnbuffered(int fd) {
  api::Secret line;
  char c = 0;
  ssize_t n = 0;
  bool any = false;
  while ((n = ::read(fd, &c, 1)) == 1 || (n < 0 && errno == EINTR)) {
    if (n < 0) continue;
    any = true;
    if (c == '\n') break;
    line.Append(c);
  }
  c = 0;
  if (!any) return std::nullopt;
  if (!line.empty() && line.View().back() == '\r') line.DropLast();
  return line;
}

}  // namespace

CliVault::CliVault(const CliArgs& args, Access access) : args_(args) {
  const fs::path base = Folder(args, access);
  api::OpenOptions options;
  options.base = base;
  options.write = access != Access::Read;
  options.create = access == Access::Create;
  options.acceptOlderIndex = args.Has("accept-older-index");
  options.witness = api::DefaultWitnessFile();
  options.recordRollbacks = true;
  api::OpenReport report;
  api::Status status = vault_.Open(options, &report);
  if (status.code == api::Code::Locked) {
    options.passphrase = ReadSecret("Passphrase: ");
    status = vault_.Open(options, &report);
  }
  if (!status.ok()) throw CliError(OpenFailure(status, report, base));
  if (!report.notice.empty()) std::cerr << "kestramo-cli: " << Escaped(report.notice) << "\n";
  RequirePassword();
}

std::vector<std::string> CliVault::Boxes() const {
  std::vector<std::string> boxes;
  Require(vault_.Boxes(&boxes));
  return boxes;
}

api::Secret CliVault::ReadSecret(const std::string& prompt) {
  const bool tty = ::isatty(0) && !args_.Has("password-stdin");
  termios saved{};
  if (tty) {
    std::cerr << prompt << std::flush;
    tcgetattr(0, &saved);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(0, TCSANOW, &quiet);
  }
  std::optional<api::Secret> read = ReadLineUnbuffered(0);
  if (tty) {
    tcsetattr(0, TCSANOW, &saved);
    std::cerr << "\n";
  }
  if (!read) throw CliError("no password was given");
  return std::move(*read);
}

void CliVault::RequirePassword() {
  if (!vault_.HasPassword()) return;
  const api::Secret typed = ReadSecret("Password: ");
  if (typed.empty()) throw CliError("Please input password.");
  if (!vault_.CheckPassword(typed.View()).ok()) throw CliError("Incorrect password.");
}

void Require(const api::Status& status) {
  if (status.ok()) return;
  // A failed save names the index; a save whose record of hardened vaults failed says so itself.
  if (status.code == api::Code::IoError && (!status.path.empty() || status.message.empty()))
    throw CliError("the index could not be saved (is the disk full or read-only?)");
  throw CliError(status.message);
}

}  // namespace kestramo::cli

// Commands on the vault as a whole: its format, the access password or passphrase, and a
// self-check of the program.
#include <unistd.h>

#include <iostream>

#include "cli/cli_error.h"
#include "cli/cli_vault.h"
#include "cli/commands.h"
#include "cli/self_check.h"
#include "storage/text/utf8.h"
#include "storage/hardened/hardened_index.h"
#include "storage/vault/durable_file.h"
#include "storage/vault/index_file.h"
#include "storage/vault/vault_hardening.h"

namespace kestramo::cli {

namespace {

namespace fs = std::filesystem;

// A new passphrase, typed twice and checked.
std::string NewPassphrase(CliVault& v) {
  const std::string passphrase = v.ReadSecret("New passphrase (8 to 64 characters): ");
  const std::string confirm = v.ReadSecret("Confirm new passphrase: ");
  if (passphrase != confirm) throw CliError("The new and confirmed passphrases do not match. Please type them again.");
  if (const std::string problem = PassphraseProblem(passphrase); !problem.empty()) throw CliError(problem);
  return passphrase;
}

int Passwd(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  CliVault v(args, CliVault::Access::Create);
  if (v.Get().Format() == VaultFormat::Hardened) {
    if (!v.Get().ChangePassphrase(NewPassphrase(v))) throw CliError("there is not enough memory to derive the new key");
    v.Save();
    std::cerr << "The passphrase has been successfully changed.\n";
    return 0;
  }
  const std::string password = v.ReadSecret("New password (empty for none): ");
  const std::string confirm = v.ReadSecret("Confirm new password: ");
  if (password != confirm) throw CliError("The new and confirmed passwords do not match. Please type them again.");
  if (Utf8Length(password) > kMaxPasswordChars) throw CliError("a password has at most 8 characters");
  v.Get().SetPassword(password);
  v.Save();
  std::cerr << "The password has been successfully changed.\n";
  return 0;
}

int Harden(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  CliVault v(args, CliVault::Access::Create);
  if (v.Get().Format() == VaultFormat::Hardened) throw CliError("the vault is hardened already");
  const std::string passphrase = NewPassphrase(v);
  std::string error;
  // A terminal sees the count redrawn in place; a log or a pipe gets only the final line.
  const bool tty = ::isatty(2) != 0;
  const bool done = HardenVault(v.Get(), passphrase, {}, &error, [tty](std::size_t item, std::size_t total) {
    if (!tty && item != total) return;
    std::cerr << (tty ? "\r" : "") << "Re-sealed " << item << " of " << total << " items"
              << (item == total ? "\n" : "") << std::flush;
  });
  if (!done) throw CliError(error);
  std::cerr << "The vault is hardened. Without its passphrase nothing in it can be read, not even by us:\n"
               "keep the passphrase safe, it cannot be recovered.\n";
  return 0;
}

// Reads only the index file's head: the format needs no password.
int Info(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  const fs::path base = CliVault::Folder(args, CliVault::Access::Read);
  const auto bytes = ReadWholeFile(VaultLayout(base).IndexFile());
  if (!bytes) throw CliError("no vault in " + base.string());
  if (!LooksHardened(*bytes)) {
    std::cout << "format: classic\n";
    return 0;
  }
  std::string why;
  const auto wrap = ReadKeyWrap(*bytes, &why);
  if (!wrap) throw CliError(why);
  std::cout << "format: hardened\nkdf: " << DescribeKdf(wrap->kdf) << "\n";
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
       "Sets the access password (at most 8 characters; empty removes it), typed twice; in a\n"
       "hardened vault, changes the passphrase (8 to 64 characters). With --password-stdin the\n"
       "current password or passphrase (when one is set), the new one and its confirmation are\n"
       "read as lines from standard input.",
       Passwd},
      {"harden", "[--password-stdin]",
       "Turns a classic vault into a hardened one: the index, and every item re-encrypted, then\n"
       "sealed under keys from a passphrase of 8 to 64 characters (typed twice), which a copy of\n"
       "the folder does not give away. A forgotten passphrase cannot be recovered. With\n"
       "--password-stdin the access password (when one is set), the passphrase and its\n"
       "confirmation are read as lines from standard input.",
       Harden},
      {"info", "", "Prints the vault's format (format: classic or format: hardened) and, for a hardened\n"
                   "vault, how its key is derived from the passphrase.",
       Info},
      {"self-check", "", "Runs the storage engine through a small vault of its own and reports the result.",
       SelfCheck},
  };
  return commands;
}

}  // namespace kestramo::cli

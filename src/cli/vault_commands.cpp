// Commands on the vault as a whole: the access password and a self-check of the program.
#include <iostream>

#include "cli/cli_error.h"
#include "cli/cli_vault.h"
#include "cli/commands.h"
#include "cli/self_check.h"
#include "storage/text/utf8.h"
#include "storage/vault/index_file.h"

namespace kestramo::cli {

namespace {

int Passwd(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  CliVault v(args, CliVault::Access::Create);
  const std::string password = v.ReadSecret("New password (empty for none): ");
  const std::string confirm = v.ReadSecret("Confirm new password: ");
  if (password != confirm) throw CliError("The new and confirmed passwords do not match. Please type them again.");
  if (Utf8Length(password) > kMaxPasswordChars) throw CliError("a password has at most 8 characters");
  v.Get().SetPassword(password);
  v.Save();
  std::cerr << "The password has been successfully changed.\n";
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
      {"self-check", "", "Runs the storage engine through a small vault of its own and reports the result.",
       SelfCheck},
  };
  return commands;
}

}  // namespace kestramo::cli

// SPDX-License-Identifier: GPL-3.0-or-later
// Commands on the vault as a whole: its format, the access password or passphrase, and a
// self-check of the program.
#include <unistd.h>

#include <functional>
#include <iostream>

#include "cli/cli_error.h"
#include "cli/cli_vault.h"
#include "cli/commands.h"
#include "cli/output_text.h"
#include "cli/yes_no.h"
#include "kestramo/self_check.h"
#include "kestramo/vault.h"

namespace kestramo::cli {

namespace {

namespace fs = std::filesystem;

// The cost of the new key's derivation: the default, or what --kdf-memory (MiB) and
// --kdf-passes ask for, within what any KESTRAMO program would open.
api::KdfCost CostFrom(const CliArgs& args) {
  api::KdfCost cost;
  auto number = [&args](const char* name, uint64_t fallback) -> uint64_t {
    if (!args.values.count(name)) return fallback;
    const std::string text = args.Value(name);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 6) {
      throw UsageError(std::string("--") + name + " takes a whole number");
    }
    return std::stoull(text);
  };
  cost.memoryBytes = number("kdf-memory", api::KdfCost::kDefaultMemoryBytes >> 20) << 20;
  cost.passes = static_cast<uint32_t>(number("kdf-passes", api::KdfCost::kDefaultPasses));
  if (const api::Status checked = api::CheckKdfCost(cost); !checked.ok()) {
    const std::string& problem = checked.message;
    throw UsageError("the key derivation's cost is out of bounds: " + problem.substr(problem.find("asks")));
  }
  return cost;
}

// A new passphrase, typed twice and checked.
api::Secret NewPassphrase(CliVault& v) {
  api::Secret passphrase = v.ReadSecret("New passphrase (8 to 64 characters): ");
  const api::Secret confirm = v.ReadSecret("Confirm new passphrase: ");
  if (passphrase != confirm) throw CliError("The new and confirmed passphrases do not match. Please type them again.");
  if (const api::Status checked = api::CheckPassphrase(passphrase.View()); !checked.ok())
    throw CliError(checked.message);
  return passphrase;
}

int Passwd(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  CliVault v(args, CliVault::Access::Create);
  if (v.Get().VaultFormat() == api::Format::Hardened) {
    api::PassphraseOptions options;
    options.cost = CostFrom(args);
    options.passphrase = NewPassphrase(v);
    options.resealItems = args.Has("reseal-items");
    options.onItem = ProgressLine("Re-sealed");
    const api::Status changed = v.Get().ChangePassphrase(options);
    if (changed.code == api::Code::NoMemory) throw CliError("there is not enough memory to derive the new key");
    if (!changed.ok() && options.resealItems) throw CliError(changed.message + "; the passphrase was not changed");
    Require(changed);
    std::cerr << "The passphrase has been successfully changed.\n";
    return 0;
  }
  if (args.Has("reseal-items")) throw CliError("--reseal-items is for a hardened vault");
  const api::Secret password = v.ReadSecret("New password (empty for none): ");
  const api::Secret confirm = v.ReadSecret("Confirm new password: ");
  if (password != confirm) throw CliError("The new and confirmed passwords do not match. Please type them again.");
  Require(v.Get().ChangePassword({password}));
  std::cerr << "The password has been successfully changed.\n";
  return 0;
}

// Shows what besides the recorded items holds classic material, and asks before going on.
void ConfirmLeftovers(CliVault& v, const CliArgs& args) {
  api::Leftovers leftovers;
  Require(v.Get().FindLeftovers(&leftovers));
  if (leftovers.recovered.empty() && leftovers.removed.empty()) return;
  const fs::path base = v.Get().Base();
  std::cout << "Besides the recorded items, these files hold what the classic format keeps:\n";
  for (const fs::path& file : leftovers.recovered) {
    std::cout << "  re-seal into the box \"" << api::kRecoveryBox
              << "\": " << Escaped(file.lexically_relative(base).string()) << "\n";
  }
  for (const fs::path& file : leftovers.removed) {
    std::cout << "  remove: " << Escaped(file.lexically_relative(base).string()) << "\n";
  }
  std::cout << std::flush;
  if (!args.Has("yes") && !Confirm("Harden the vault and leave none of them behind?")) {
    throw CliError("nothing changed (confirm on a terminal, or pass --yes)");
  }
}

int Harden(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  CliVault v(args, CliVault::Access::Create);
  if (v.Get().VaultFormat() == api::Format::Hardened) throw CliError("the vault is hardened already");
  api::HardenOptions options;
  options.cost = CostFrom(args);
  ConfirmLeftovers(v, args);
  options.passphrase = NewPassphrase(v);
  options.onItem = ProgressLine("Re-sealed");
  if (const api::Status hardened = v.Get().Harden(options); !hardened.ok()) throw CliError(hardened.message);
  std::cerr << "The vault is hardened. Without its passphrase nothing in it can be read, not even by us:\n"
               "keep the passphrase safe, it cannot be recovered.\n";
  return 0;
}

// Reads only the index file's head: the format needs no password.
int Info(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  const fs::path base = CliVault::Folder(args, CliVault::Access::Read);
  api::Format format = api::Format::Classic;
  std::string kdf;
  const api::Status read = api::ReadFormat(base, &format, &kdf);
  if (read.code == api::Code::NotFound && read.message.empty()) throw CliError("no vault in " + base.string());
  if (read.code == api::Code::NotFound) {
    throw CliError("the index " + read.path.string() + " cannot be read (" + read.message + ")");
  }
  if (!read.ok()) throw CliError(read.message);
  if (format == api::Format::Classic) {
    std::cout << "format: classic\n";
    return 0;
  }
  std::cout << "format: hardened\nkdf: " << kdf << "\n";
  return 0;
}

int SelfCheck(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  return api::RunSelfCheck(std::cout) ? 0 : kExitFailure;
}

}  // namespace

const std::vector<Command>& VaultCommands() {
  static const std::vector<Command> commands = {
      {"passwd",
       "[--password-stdin] [--reseal-items] [--kdf-memory MIB] [--kdf-passes N]",
       "Sets the access password (at most 8 characters; empty removes it), typed twice; in a\n"
       "hardened vault, changes the passphrase (8 to 64 characters). With --password-stdin the\n"
       "current password or passphrase (when one is set), the new one and its confirmation are\n"
       "read as lines from standard input. A hardened vault gets a new vault key as well; its items\n"
       "keep their own keys, so an old copy of the index with the old passphrase still opens the\n"
       "items of its day, unless --reseal-items seals every item again under a new key.\n"
       "--kdf-memory and --kdf-passes set the new key derivation's cost (default 256 MiB, 3 passes;\n"
       "at least 8 MiB, at most 1024 MiB, 32 passes and ten times the default's work).",
       Passwd,
       {"reseal-items", "kdf-memory", "kdf-passes"}},
      {"harden",
       "[--password-stdin] [--yes] [--kdf-memory MIB] [--kdf-passes N]",
       "Turns a classic vault into a hardened one: the index, and every item re-encrypted, then\n"
       "sealed under keys from a passphrase of 8 to 64 characters (typed twice), which a copy of\n"
       "the folder does not give away. A forgotten passphrase cannot be recovered. With\n"
       "--password-stdin the access password (when one is set), the passphrase and its\n"
       "confirmation are read as lines from standard input. Item files that no record lists are\n"
       "re-sealed into the box \"Recovered\" when they open under the vault's key; they and every\n"
       "other file with classic material (set-aside index copies, scratch files) are listed first\n"
       "and removed after the conversion (--yes answers the question for scripts). --kdf-memory and\n"
       "--kdf-passes set the key derivation's cost, as for passwd.",
       Harden,
       {"yes", "kdf-memory", "kdf-passes"}},
      {"info", "",
       "Prints the vault's format (format: classic or format: hardened) and, for a hardened\n"
       "vault, how its key is derived from the passphrase.",
       Info},
      {"self-check", "", "Runs the storage engine through a small vault of its own and reports the result.", SelfCheck},
  };
  return commands;
}

}  // namespace kestramo::cli

// SPDX-License-Identifier: GPL-3.0-or-later
// kestramo-cli: the KESTRAMO vault from a terminal, for scripts and backups.
#include <iostream>

#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/output_text.h"
#include "kestramo/version.h"

namespace kestramo::cli {

namespace {

std::vector<const Command*> AllCommands() {
  std::vector<const Command*> all;
  for (const auto* group : {&BoxCommands(), &ItemCommands(), &UpkeepCommands(), &VaultCommands()}) {
    for (const Command& c : *group) all.push_back(&c);
  }
  return all;
}

// The command's name and its arguments, without a trailing blank when it takes none.
std::string Synopsis(const Command& c) { return *c.usage ? std::string(c.name) + " " + c.usage : c.name; }

void PrintHelp(std::ostream& out) {
  out << "Usage: kestramo-cli [--vault DIR] [--password-stdin] [--accept-older-index] COMMAND [ARGUMENTS]\n"
         "       kestramo-cli --version\n\n"
         "Works on the KESTRAMO vault in DIR, or else on the one the desktop program uses: beside\n"
         "this program in a program folder of your own, otherwise in ~/.local/share/kestramo\n"
         "($XDG_DATA_HOME/kestramo). Commands:\n";
  for (const Command* c : AllCommands()) out << "  " << Synopsis(*c) << "\n";
  out << "\n"
         "kestramo-cli COMMAND --help describes one command. \"--\" ends the options: what follows is\n"
         "taken as it is, even when it starts with \"-\". When the vault has a password, it is asked\n"
         "for first (--password-stdin reads it from standard input). A hardened vault whose index\n"
         "is older than one you opened before, or another vault than the one this folder held, is\n"
         "refused; --accept-older-index opens it all the same (clean then removes nothing).\n"
         "Exit status: 0 success, 1 failure (a message on standard error), 2 wrong usage.\n";
}

void PrintCommandHelp(const Command& c) {
  std::cout << "Usage: kestramo-cli [--vault DIR] " << Synopsis(c) << "\n\n" << c.help << "\n";
}

}  // namespace

void ExpectArgs(const CliArgs& args, std::size_t min, std::size_t max) {
  if (args.positional.size() < min || args.positional.size() > max) {
    throw UsageError(args.command + ": wrong number of arguments (see kestramo-cli " + args.command + " --help)");
  }
}

int Main(int argc, char** argv) {
  try {
    const CliArgs args = ParseArgs(argc, argv, {"vault", "overwrite", "kdf-memory", "kdf-passes"});
    if (args.command.empty()) {
      args.RequireKnownOptions({"version"});
      if (args.Has("version")) {
        std::cout << "kestramo-cli " << kVersion << "\n" << kLicense << "\n";
        return 0;
      }
      PrintHelp(args.Has("help") ? std::cout : std::cerr);
      return args.Has("help") ? 0 : kExitUsage;
    }
    for (const Command* c : AllCommands()) {
      if (args.command != c->name) continue;
      args.RequireKnownOptions(c->options);
      if (args.Has("help")) {
        PrintCommandHelp(*c);
        return 0;
      }
      return c->run(args);
    }
    throw UsageError("unknown command \"" + args.command + "\" (see kestramo-cli --help)");
  } catch (const CliError& e) {
    std::cerr << "kestramo-cli: " << Escaped(e.what()) << "\n";
    return e.Status();
  } catch (const std::exception& e) {
    std::cerr << "kestramo-cli: " << Escaped(e.what()) << "\n";
    return kExitFailure;
  }
}

}  // namespace kestramo::cli

int main(int argc, char** argv) { return kestramo::cli::Main(argc, argv); }

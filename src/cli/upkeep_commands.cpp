// SPDX-License-Identifier: GPL-3.0-or-later
// Commands that look after the vault's files: a health check of every item, and the removal
// of item files that no record lists.
#include <iostream>

#include "cli/cli_error.h"
#include "cli/cli_vault.h"
#include "cli/commands.h"
#include "cli/interrupt_watch.h"
#include "cli/output_text.h"
#include "cli/yes_no.h"
#include "kestramo/vault.h"
#include "kestramo/work_control.h"
#include "platform/health_words.h"

namespace kestramo::cli {

namespace {

namespace fs = std::filesystem;

int Verify(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  CliVault v(args, CliVault::Access::Write);  // it uses temp/
  api::WorkControl control;
  const InterruptWatch watch([&control] { control.Cancel(); });  // Ctrl-C stops the check cleanly
  const auto progress = ProgressLine("Checked");
  api::VerifyOptions options;
  options.control = &control;
  options.quick = args.Has("quick");
  options.beforeItem = [&](std::size_t done, std::size_t total) {
    if (control.Cancelled()) return false;
    if (done > 0) progress(done, total);
    return true;
  };
  api::VaultHealth health;
  (void)v.Get().Verify(options, &health);  // the health report holds all it says
  if (!health.stopped && health.items > 0) progress(health.items, health.items);
  for (const api::ItemFinding& f : health.findings) {
    std::cout << (f.Unchecked() ? "UNCHECKED\t" : "DAMAGED\t") << f.index << "\t" << Escaped(f.box) << "\t"
              << Escaped(f.name) << "\t" << Escaped(ProblemText(f)) << "\n";
  }
  for (const fs::path& file : health.unrecorded)
    std::cout << "UNRECORDED\t" << Escaped(file.filename().string()) << "\n";
  for (const fs::path& file : health.classic) {
    std::cout << "CLASSIC\t" << Escaped(file.lexically_relative(v.Get().Base()).string())
              << "\tin the classic format, readable without the passphrase\n";
  }
  const std::size_t problems = health.Damaged(), unchecked = health.Unchecked(), classic = health.classic.size();
  std::cout << Counted(health.items, "item") << " checked, " << problems << " damaged or missing";
  if (!health.unrecorded.empty()) {
    std::cout << ", " << Counted(health.unrecorded.size(), "file") << " in coffrel/ that no record lists (kept and not "
              << "counted; kestramo-cli clean removes them)";
  }
  if (unchecked) std::cout << ", " << unchecked << " not checked";
  std::cout << "\n";
  if (health.stopped) throw CliError("the check was cancelled: the items after those checked were not checked");
  if (problems) throw CliError(Counted(problems, "item") + " cannot be taken out whole");
  if (classic)
    throw CliError(Counted(classic, "file") + " in the classic format, readable without the passphrase: see above");
  if (unchecked) throw CliError(Counted(unchecked, "item") + " could not be checked: see why above, then verify again");
  return 0;
}

int Clean(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  CliVault v(args, CliVault::Access::Write);
  const auto confirm = [&args](const std::vector<fs::path>& files) {
    std::cout << "Files in coffrel/ that no record lists:\n";
    for (const fs::path& file : files) std::cout << "  " << Escaped(file.filename().string()) << "\n";
    std::cout << std::flush;
    return args.Has("yes") ||
           Confirm("Remove " +
                   (files.size() == 1 ? std::string("this file") : "these " + Counted(files.size(), "file")) +
                   " for good?");
  };
  api::CleanReport report;
  const api::Status cleaned = v.Get().Clean({confirm}, &report);
  // Records added after the restored copy was made are gone, but their files may be the
  // only trace of those items: nothing is removed until the user has seen the report.
  if (cleaned.code == api::Code::Refused) {
    throw CliError(
        "the index was just restored or is older than one seen before: nothing removed; run clean again "
        "once you have checked the vault");
  }
  if (cleaned.code == api::Code::Cancelled) throw CliError("nothing removed (confirm on a terminal, or pass --yes)");
  if (report.files.empty()) {
    std::cout << "Nothing to remove.\n";
    return 0;
  }
  for (const fs::path& file : report.kept)
    std::cerr << "kestramo-cli: " << Escaped(file.string()) << " cannot be removed\n";
  std::cout << "Removed " << Counted(report.files.size() - report.kept.size(), "file") << ".\n";
  if (!report.kept.empty()) throw CliError(Counted(report.kept.size(), "file") + " could not be removed");
  Require(cleaned);
  return 0;
}

}  // namespace

const std::vector<Command>& UpkeepCommands() {
  static const std::vector<Command> commands = {
      {"verify",
       "[--quick]",
       "Decrypts every item and decodes every file in it, checking its size and CRC (nothing is\n"
       "written), and names each item that is damaged, missing or not what its record says (its file\n"
       "holding another item's names or size). --quick only decrypts each item (checking a hardened\n"
       "item's seal) and reads its list of files. Also lists the files in coffrel/ that no record\n"
       "lists: item files left by an interrupted deletion, or set aside as unrecorded. They are kept,\n"
       "and never counted as items. Ctrl-C stops the check.",
       Verify,
       {"quick"}},
      {"clean",
       "[--yes]",
       "Removes the files that verify lists as unrecorded, after showing them and asking on the\n"
       "terminal (or --yes). The file of an item that a record lists is never touched.",
       Clean,
       {"yes"}},
  };
  return commands;
}

}  // namespace kestramo::cli

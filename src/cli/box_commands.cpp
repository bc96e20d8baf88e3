// Commands on boxes: list, create, rename and delete them.
#include <unistd.h>

#include <iostream>

#include "cli/cli_error.h"
#include "cli/cli_vault.h"
#include "cli/commands.h"
#include "cli/item_lookup.h"
#include "storage/text/utf8.h"
#include "storage/vault/box_rules.h"
#include "storage/vault/item_removal.h"

namespace kestramo::cli {

namespace {

int Boxes(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  CliVault v(args, CliVault::Access::Read);
  for (const std::string& box : BoxNames(v.Get().Items())) std::cout << Escaped(box) << "\n";
  return 0;
}

int NewBox(const CliArgs& args) {
  ExpectArgs(args, 1, 1);
  CliVault v(args, CliVault::Access::Write);
  const auto boxes = BoxNames(v.Get().Items());
  if (static_cast<int>(boxes.size()) >= kMaxBoxes) throw CliError(kTooManyBoxesMessage);
  if (const auto refusal = CheckBoxName(boxes, args.positional[0])) throw CliError(*refusal);
  if (Utf8Length(Trim(args.positional[0])) > 80) throw CliError("a box name has at most 80 characters");
  AddBoxRecord(v.Get(), args.positional[0]);
  v.Save();
  return 0;
}

int RenameBox(const CliArgs& args) {
  ExpectArgs(args, 2, 2);
  CliVault v(args, CliVault::Access::Write);
  const auto boxes = BoxNames(v.Get().Items());
  const std::string from = FindBox(boxes, args.positional[0]);
  if (const auto refusal = CheckBoxName(boxes, args.positional[1])) throw CliError(*refusal);
  if (Utf8Length(args.positional[1]) > 80) throw CliError("a box name has at most 80 characters");
  RenameBoxRecords(v.Get(), from, args.positional[1]);
  v.Save();
  return 0;
}

bool Confirm(const std::string& question) {
  if (!::isatty(0)) return false;
  std::cerr << question << " [y/N] " << std::flush;
  std::string answer;
  std::getline(std::cin, answer);
  return answer == "y" || answer == "Y" || answer == "yes";
}

int DeleteBox(const CliArgs& args) {
  ExpectArgs(args, 1, 1);
  CliVault v(args, CliVault::Access::Write);
  const auto boxes = BoxNames(v.Get().Items());
  const std::string box = FindBox(boxes, args.positional[0]);
  if (boxes.size() == 1) throw CliError(kLastBoxMessage);
  if (!args.Has("yes") && !Confirm("Are you sure to delete the coffrel \"" + box + "\" and every item in it?")) {
    throw CliError("nothing deleted (confirm on a terminal, or pass --yes)");
  }
  DeleteItems(v.Get(), box, {}, true);
  v.Save();
  return 0;
}

}  // namespace

const std::vector<Command>& BoxCommands() {
  static const std::vector<Command> commands = {
      {"boxes", "", "Prints one box name per line, in box order, escaped as list escapes its texts.", Boxes},
      {"new-box", "NAME", "Creates a box (at most 32; names are unique ignoring case and outer blanks).", NewBox},
      {"rename-box", "OLD NEW", "Renames a box; its items follow it.", RenameBox},
      {"delete-box", "NAME [--yes]",
       "Deletes a box with all its items, after a question (or --yes). The last box cannot be deleted.", DeleteBox},
  };
  return commands;
}

}  // namespace kestramo::cli

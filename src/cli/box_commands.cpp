// Commands on boxes: list, create, rename and delete them.
#include <iostream>

#include "cli/cli_error.h"
#include "cli/cli_vault.h"
#include "cli/commands.h"
#include "cli/composed_text.h"
#include "cli/item_lookup.h"
#include "cli/output_text.h"
#include "cli/yes_no.h"
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

// The name a new or renamed box gets, composed; refused like the desktop program refuses it,
// and also when it only looks like an existing box's name, spelt composed or decomposed.
std::string NewBoxName(const std::vector<std::string>& boxes, const std::string& typed) {
  std::vector<std::string> composed;
  for (const std::string& box : boxes) composed.push_back(Composed(box));
  const std::string name = Composed(typed);
  if (const auto refusal = CheckBoxName(composed, name)) throw CliError(*refusal);
  return name;
}

int NewBox(const CliArgs& args) {
  ExpectArgs(args, 1, 1);
  CliVault v(args, CliVault::Access::Create);
  const auto boxes = BoxNames(v.Get().Items());
  if (static_cast<int>(boxes.size()) >= kMaxBoxes) throw CliError(kTooManyBoxesMessage);
  AddBoxRecord(v.Get(), NewBoxName(boxes, args.positional[0]));
  v.Save();
  return 0;
}

int RenameBox(const CliArgs& args) {
  ExpectArgs(args, 2, 2);
  CliVault v(args, CliVault::Access::Write);
  const auto boxes = BoxNames(v.Get().Items());
  const std::string from = FindBox(boxes, args.positional[0]);
  RenameBoxRecords(v.Get(), from, NewBoxName(boxes, args.positional[1]));
  v.Save();
  return 0;
}

int DeleteBox(const CliArgs& args) {
  ExpectArgs(args, 1, 1);
  CliVault v(args, CliVault::Access::Write);
  const auto boxes = BoxNames(v.Get().Items());
  const std::string box = FindBox(boxes, args.positional[0]);
  if (boxes.size() == 1) throw CliError(kLastBoxMessage);
  if (!args.Has("yes") &&
      !Confirm("Are you sure to delete the coffrel \"" + Escaped(box) + "\" and every item in it?")) {
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
      {"new-box", "NAME",
       "Creates a box (at most 32, with names of at most 80 characters). Names are unique ignoring case,\n"
       "outer blanks and the way accented letters are spelt; in a folder without a vault, the first\n"
       "box makes one there when the folder is empty.",
       NewBox},
      {"rename-box", "OLD NEW", "Renames a box; its items follow it.", RenameBox},
      {"delete-box",
       "[--yes] NAME",
       "Deletes a box with all its items, after a question on the terminal (or --yes). The last box\n"
       "cannot be deleted.",
       DeleteBox,
       {"yes"}},
  };
  return commands;
}

}  // namespace kestramo::cli

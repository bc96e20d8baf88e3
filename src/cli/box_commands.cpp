// SPDX-License-Identifier: GPL-3.0-or-later
// Commands on boxes: list, create, rename and delete them.
#include <iostream>

#include "cli/cli_error.h"
#include "cli/cli_vault.h"
#include "cli/commands.h"
#include "cli/composed_text.h"
#include "cli/item_lookup.h"
#include "cli/output_text.h"
#include "cli/yes_no.h"
#include "kestramo/box_names.h"
#include "kestramo/vault.h"

namespace kestramo::cli {

namespace {

int Boxes(const CliArgs& args) {
  ExpectArgs(args, 0, 0);
  CliVault v(args, CliVault::Access::Read);
  for (const std::string& box : v.Boxes()) std::cout << Escaped(box) << "\n";
  return 0;
}

// A new or renamed box's name is stored composed; it is refused like the desktop program
// refuses it, and also when it only looks like an existing box's name, spelt composed or
// decomposed.
int NewBox(const CliArgs& args) {
  ExpectArgs(args, 1, 1);
  CliVault v(args, CliVault::Access::Create);
  Require(v.Get().NewBox({args.positional[0], Composed}));
  return 0;
}

int RenameBox(const CliArgs& args) {
  ExpectArgs(args, 2, 2);
  CliVault v(args, CliVault::Access::Write);
  const std::string from = FindBox(v.Boxes(), args.positional[0]);
  Require(v.Get().RenameBox({from, args.positional[1], Composed}));
  return 0;
}

int DeleteBox(const CliArgs& args) {
  ExpectArgs(args, 1, 1);
  CliVault v(args, CliVault::Access::Write);
  const std::vector<std::string> boxes = v.Boxes();
  const std::string box = FindBox(boxes, args.positional[0]);
  if (boxes.size() == 1) throw CliError(api::kLastBoxMessage);
  if (!args.Has("yes") &&
      !Confirm("Are you sure to delete the coffrel \"" + Escaped(box) + "\" and every item in it?")) {
    throw CliError("nothing deleted (confirm on a terminal, or pass --yes)");
  }
  Require(v.Get().DeleteBox({box}));
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

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "cli/cli_args.h"

namespace kestramo::cli {

struct Command {
  const char* name;
  const char* usage;  // arguments after the command's name
  const char* help;   // one paragraph
  int (*run)(const CliArgs& args);
  std::vector<std::string> options = {};  // besides --vault, --password-stdin and --help
};

const std::vector<Command>& BoxCommands();
const std::vector<Command>& ItemCommands();
const std::vector<Command>& VaultCommands();
const std::vector<Command>& UpkeepCommands();

// Fails with a usage error unless the command got between min and max positional arguments.
void ExpectArgs(const CliArgs& args, std::size_t min, std::size_t max);

}  // namespace kestramo::cli

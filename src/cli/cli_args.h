// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace kestramo::cli {

// The command line split into the command, its positional arguments and its options.
struct CliArgs {
  std::string command;
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;  // --name VALUE or --name=VALUE
  std::set<std::string> flags;                // --name

  bool Has(const std::string& flag) const { return flags.count(flag) > 0; }
  std::string Value(const std::string& name, const std::string& fallback = "") const;
  // Fails with a usage error naming the first option that is neither global nor in `accepted`:
  // an option a command does not know must never be ignored while the command runs.
  void RequireKnownOptions(const std::vector<std::string>& accepted) const;
};

// Options that take a value; every other "--x" is a flag. "--" ends the options, after
// which everything is positional, even "--help". "-h" is "--help"; any other argument that
// starts with "-" is an option too, and unknown.
CliArgs ParseArgs(int argc, char** argv, const std::set<std::string>& valueOptions);

}  // namespace kestramo::cli

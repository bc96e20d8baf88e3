// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_args.h"

#include <algorithm>

#include "cli/cli_error.h"

namespace kestramo::cli {

namespace {

// Understood by every command.
const std::set<std::string> kGlobalOptions = {"vault", "password-stdin", "accept-older-index", "help"};

}  // namespace

std::string CliArgs::Value(const std::string& name, const std::string& fallback) const {
  const auto it = values.find(name);
  return it == values.end() ? fallback : it->second;
}

void CliArgs::RequireKnownOptions(const std::vector<std::string>& accepted) const {
  auto known = [&](const std::string& name) {
    return kGlobalOptions.count(name) || std::find(accepted.begin(), accepted.end(), name) != accepted.end();
  };
  std::vector<std::string> given(flags.begin(), flags.end());
  for (const auto& [name, value] : values) given.push_back(name);
  for (const std::string& name : given) {
    if (known(name)) continue;
    const std::string where = command.empty() ? "kestramo-cli" : command;
    const std::string shown = name[0] == '-' ? name : "--" + name;
    throw UsageError(where + ": unknown option " + shown + " (see kestramo-cli " +
                     (command.empty() ? "" : command + " ") + "--help)");
  }
}

CliArgs ParseArgs(int argc, char** argv, const std::set<std::string>& valueOptions) {
  CliArgs args;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (!optionsEnded && a == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && a.size() > 2 && a.rfind("--", 0) == 0) {
      const auto eq = a.find('=');
      const std::string name = a.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
      if (valueOptions.count(name)) {
        if (eq != std::string::npos) {
          args.values[name] = a.substr(eq + 1);
        } else if (i + 1 < argc) {
          args.values[name] = argv[++i];
        } else {
          throw UsageError("option --" + name + " needs a value");
        }
      } else if (eq != std::string::npos) {
        throw UsageError("option --" + name + " takes no value");
      } else {
        args.flags.insert(name);
      }
    } else if (!optionsEnded && a == "-h") {
      args.flags.insert("help");
    } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
      args.flags.insert(a);  // "-x": no short options besides -h; reported as unknown
    } else if (args.command.empty()) {
      args.command = a;
    } else {
      args.positional.push_back(a);
    }
  }
  return args;
}

}  // namespace kestramo::cli

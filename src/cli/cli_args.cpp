#include "cli/cli_args.h"

#include "cli/cli_error.h"

namespace kestramo::cli {

std::string CliArgs::Value(const std::string& name, const std::string& fallback) const {
  const auto it = values.find(name);
  return it == values.end() ? fallback : it->second;
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
    } else if (args.command.empty()) {
      args.command = a;
    } else {
      args.positional.push_back(a);
    }
  }
  return args;
}

}  // namespace kestramo::cli

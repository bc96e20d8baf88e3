// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/bench_args.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace kestramo::bench {

std::vector<uint64_t> BenchNumbers(int argc, char** argv, const char* usage, std::vector<uint64_t> defaults) {
  auto refuse = [&](const std::string& why) {
    std::fprintf(stderr, "%s: %s\n%s", argv[0], why.c_str(), usage);
    std::exit(2);
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::printf("%s", usage);
      std::exit(0);
    }
    if (static_cast<std::size_t>(i) > defaults.size()) refuse("too many arguments");
    const bool digits = !arg.empty() && arg.find_first_not_of("0123456789") == std::string::npos;
    const uint64_t value = digits && arg.size() < 19 ? std::strtoull(arg.c_str(), nullptr, 10) : 0;
    if (value == 0) refuse("\"" + arg + "\" is not a positive whole number");
    defaults[static_cast<std::size_t>(i - 1)] = value;
  }
  return defaults;
}

}  // namespace kestramo::bench

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/start_options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "kestramo/version.h"

namespace kestramo {

namespace {

constexpr const char* kUsage =
    "Usage: kestramo [--vault DIR]\n"
    "       kestramo --version\n\n"
    "Shows the KESTRAMO safe. Without --vault it works on the vault beside the program in a\n"
    "program folder of your own, otherwise on ~/.local/share/kestramo ($XDG_DATA_HOME/kestramo).\n"
    "On dense screens (1.5 or 2 times) the safe is drawn at the screen's own scale: nothing to set.\n";

StartOptions Usage(const std::string& problem) {
  std::fprintf(stderr, "kestramo: %s\n%s", problem.c_str(), kUsage);
  StartOptions ended;
  ended.exitStatus = 2;
  return ended;
}

}  // namespace

StartOptions ReadStartOptions(int argc, char** argv) {
  StartOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--version") {
      std::printf("kestramo %s\n%s\n", kVersion, kLicense);
      options.exitStatus = 0;
      return options;
    }
    if (arg == "--help") {
      std::printf("%s", kUsage);
      options.exitStatus = 0;
      return options;
    }
    if (arg == "--vault" || arg.rfind("--vault=", 0) == 0) {
      const bool joined = arg != "--vault";
      if (!joined && i + 1 >= argc) return Usage("--vault needs a folder");
      const std::string dir = joined ? arg.substr(8) : argv[++i];
      if (dir.empty()) return Usage("--vault needs a folder");
      options.vault = std::filesystem::absolute(dir);
      continue;
    }
    if (arg.rfind("--", 0) == 0) return Usage("unknown option " + arg);
    if (arg == "-platform") options.platformChosen = true;
    // Only the toolkit's own options (one dash) take a value in the next argument.
    const bool valueOfOption = i > 1 && argv[i - 1][0] == '-' && argv[i - 1][1] != '-';
    if (arg[0] != '-' && !valueOfOption) return Usage("unexpected argument " + arg);
  }
  // A folder the user named must be there: the vault beside the program is the only one made.
  std::error_code ec;
  if (!options.vault.empty() && !std::filesystem::is_directory(options.vault, ec)) {
    const bool exists = std::filesystem::exists(options.vault, ec);
    std::fprintf(stderr, "kestramo: the vault folder %s %s\n", options.vault.c_str(),
                 exists ? "is not a folder" : "does not exist (make it first to start a vault there)");
    options.exitStatus = 1;
  }
  return options;
}

void PreferX11OnWayland(const StartOptions& options) {
  if (options.platformChosen || std::getenv("QT_QPA_PLATFORM")) return;
  const char* session = std::getenv("XDG_SESSION_TYPE");
  const bool wayland = std::getenv("WAYLAND_DISPLAY") || (session && std::strcmp(session, "wayland") == 0);
  if (wayland && std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "xcb", 1);
}

}  // namespace kestramo

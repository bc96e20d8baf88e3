// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

namespace kestramo {

// What the desktop program's command line asks for.
struct StartOptions {
  std::filesystem::path vault;  // --vault DIR; empty for the default vault
  bool platformChosen = false;  // the user named a window system (-platform)
  int exitStatus = -1;          // >= 0: end at once with it (--version, --help, wrong usage)
};

// Reads --version, --help and --vault DIR; options of one dash are the toolkit's and are left
// to it. Prints what --version and --help ask for, or the usage error.
StartOptions ReadStartOptions(int argc, char** argv);

// In a Wayland session a program cannot place, shape or stack its own windows, and the safe
// and its dialogs need all three: unless a window system was chosen, the program runs through
// the session's X server.
void PreferX11OnWayland(const StartOptions& options);

}  // namespace kestramo

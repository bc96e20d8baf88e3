// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

namespace kestramo::api {

// Where the programs find their vault and their shared files. Both programs decide the same
// way, so that the window and the command line always work on the same vault.

// The shared data folder of a program installed for the whole system (<prefix>/share/kestramo
// beside <prefix>/bin, holding the skin), or an empty path for a program folder of its own.
std::filesystem::path InstalledDataDir(const std::filesystem::path& exeDir);

// The user's own folder for the vault: $XDG_DATA_HOME/kestramo, else ~/.local/share/kestramo.
std::filesystem::path UserVaultDir();

// The vault used when none is named: beside the executable in a program folder that the user
// may write (the portable layout), otherwise the user's own folder.
std::filesystem::path DefaultVaultDir(const std::filesystem::path& exeDir);

// Makes `dir` and its parents, the folder itself for its owner alone; true when it is a folder
// afterwards (one that existed before keeps its permissions).
bool MakePrivateDir(const std::filesystem::path& dir);

}  // namespace kestramo::api

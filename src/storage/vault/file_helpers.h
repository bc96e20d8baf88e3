// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string_view>

namespace kestramo {

// Makes the file writable by its owner and deletes it; true when it is gone.
bool ForceDeleteFile(const std::filesystem::path& file);

// Deletes every plain file in `directory` whose name matches `pattern` ("*" any run,
// "?" one character, "*.*" every name). Subdirectories are never touched. Stops at the
// first file that cannot be deleted and returns false; true otherwise (also with no match).
bool DeleteMatchingFiles(const std::filesystem::path& directory, std::string_view pattern = "*.*");

// Renames `file` to "<file>.<label>-<local date-time>" (with a counter if taken), so that it
// is kept but no longer read as what it was; the new path, or empty when it could not move.
std::filesystem::path SetAsideFile(const std::filesystem::path& file, std::string_view label);

// Deletes a file or a whole directory tree, permanently and silently.
bool ShellDeleteTree(const std::filesystem::path& path);

// True when `name` matches a wildcard pattern as above.
bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace kestramo {

// A file of the user's own state, kept where only the user may reach it: its folder (mode
// 0700) and the file (0600) must both be the user's, or they are refused, since anyone who
// could change the file could undo what it guards. Links at either last component are
// never followed.

// The file's text, "" when it does not exist yet; nothing (with *why) when it cannot be
// read, is not private, or is larger than `maxBytes`.
std::optional<std::string> ReadPrivateFile(const std::filesystem::path& file, uint64_t maxBytes, std::string* why);
// Writes the whole text under a temporary name, flushes it and renames it into place, so the
// file is always the old or the new one whole; the folder is made (0700) when missing.
// False with *why.
bool WritePrivateFile(const std::filesystem::path& file, const std::string& text, std::string* why);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "kestramo/status.h"

namespace kestramo {

// A file of the user's own state, kept where only the user may reach it: its folder (mode
// 0700) and the file (0600) must both be the user's, or they are refused, since anyone who
// could change the file could undo what it guards. Links at either last component are
// never followed.

// The file's text, "" when it does not exist yet. Refused when it or its folder is not
// private (or not a regular file and folder), Damaged when it is larger than `maxBytes`,
// IoError when it cannot be read.
api::Result<std::string> ReadPrivateFile(const std::filesystem::path& file, uint64_t maxBytes);
// Writes the whole text under a temporary name, flushes it and renames it into place, so the
// file is always the old or the new one whole; the folder is made (0700) when missing.
api::Status WritePrivateFile(const std::filesystem::path& file, const std::string& text);

}  // namespace kestramo

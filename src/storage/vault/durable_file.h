// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kestramo/status.h"

namespace kestramo {

// Writes `bytes` to `staging`, flushes them to the disk, then renames the staging file
// over `target` and flushes the directory, so that `target` is always either the old
// file or the complete new one. False (target untouched, errno saying why) on any failure, a
// full disk included. When the file was replaced but its folder could not be flushed,
// *unsynced (which must be given) says so: the new name may not outlast a power cut.
bool ReplaceFileDurably(const std::filesystem::path& target, const std::filesystem::path& staging,
                        const std::vector<uint8_t>& bytes, std::string* unsynced);

// Copies `source` over `target` the same way; false when the source cannot be read.
bool CopyFileDurably(const std::filesystem::path& source, const std::filesystem::path& target, std::string* unsynced);

// Flushes a written file's contents to the disk; false on an I/O error or a late full disk.
bool SyncFile(const std::filesystem::path& file);
// Flushes a directory's entries (names created, renamed or removed) to the disk.
bool SyncDirectory(const std::filesystem::path& dir);
// The same; when it fails, *unsynced (if still empty) names the folder and the reason.
void SyncDirectory(const std::filesystem::path& dir, std::string* unsynced);

// The file's bytes; a failure when it cannot be read (IoError: a failure of the disk, which
// says nothing of the file), is missing (NotFound), is not a regular file of this user's
// (Refused: a link, FIFO or device is never followed nor waited on) or is larger than
// `maxBytes` (Damaged), which is checked before anything is read. No more than the size found
// then is ever read.
api::Result<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& file, uint64_t maxBytes = UINT64_MAX);
// The same checks, but only the first `headBytes` (or fewer, in a shorter file) are read.
api::Result<std::vector<uint8_t>> ReadFileHead(const std::filesystem::path& file, uint64_t maxBytes,
                                               std::size_t headBytes);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>

#include "storage/zip/zip_component.h"

namespace kestramo {

// Packs a file (bare name) or a folder (names starting with the folder's own name, and a
// directory entry for each empty subfolder) into a new archive: the file `archive`, or with a
// sink the stream that fills the file `sinkFd` (the file still names it in errors). The run
// counts the entries and the total uncompressed size of their files.
ZipRun PackPath(ZipComponent& zip, const std::filesystem::path& source, const std::filesystem::path& archive, int level,
                bool isFolder, Stream* sink = nullptr, int sinkFd = -1);

// Extracts every entry of an archive into dest, recreating the stored folders when isFolder,
// with `choices`' answers for existing files and protected paths (its archive, destination
// and folder settings are replaced). The run counts the files extracted.
ZipRun UnpackArchive(ZipComponent& zip, const std::filesystem::path& archive, const std::filesystem::path& dest,
                     bool isFolder, UnpackOptions choices = {});

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "storage/disk/read_full.h"
#include "storage/hardened/scratch_file.h"
#include "storage/hardened/sealed_item.h"

namespace kestramo {

int64_t FileSizeOf(int fd);
bool PiecesStopped(const ChunkWatch& watch);
void ReportPieces(const ChunkWatch& watch, int64_t current, int64_t maximal);

// Opens one sealed piece of `n` bytes (`atEnd`: it ends the file) into `plain`; false when it
// fails its check. *final: no piece may follow.
using PieceOpener = std::function<bool(const uint8_t* sealed, std::size_t n, bool atEnd, uint8_t* plain,
                                       std::size_t* length, bool* final)>;

// Opens the pieces that follow the first `done` bytes of an item file into a new archive:
// reading and checking run beside the writing, which gets only pieces that passed.
bool OpenPieces(int fd, int64_t done, int64_t total, std::size_t pieceSize, const PieceOpener& open,
                const std::filesystem::path& archive, ScratchFile* scratch, const ChunkWatch& watch, std::string* why);

}  // namespace kestramo

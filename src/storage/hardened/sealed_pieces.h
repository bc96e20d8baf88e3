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

// Opens the pieces that follow the first `done` bytes of the item file `item` (open as `fd`)
// into a new archive: reading and checking run beside the writing, which gets only pieces
// that passed. Damaged for a piece that fails its check or a file cut short or too long,
// IoError when the item cannot be read, NoSpace or IoError when the archive cannot be
// written, Cancelled when stopped.
api::Status OpenPieces(const std::filesystem::path& item, int fd, int64_t done, int64_t total, std::size_t pieceSize,
                       const PieceOpener& open, const std::filesystem::path& archive, ScratchFile* scratch,
                       const ChunkWatch& watch);
// An item file that could not be opened: IoError when the disk failed, else Damaged (the
// vault's own file is missing or is not a file).
api::Status UnopenedItem(const std::filesystem::path& item, const api::Status& opened);
// The status of a write into `file` that failed with errno `error`.
api::Status WriteFault(const std::filesystem::path& file, int error, const std::string& what);

}  // namespace kestramo
